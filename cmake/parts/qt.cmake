# The Qt program, the resource tests and the smoke test of the real binary.
if(PLIFORM_PHASE STREQUAL "targets")
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_resources_tests LABEL core
            SOURCES tests/app/ResourcesTests.cpp)
    endif()

    if(PLIFORM_BUILD_GUI)
        if(NOT TARGET pliform_render)
            message(FATAL_ERROR "The Qt program draws with the renderer: enable PLIFORM_BUILD_RENDER "
                                "or disable PLIFORM_BUILD_GUI.")
        endif()
        find_package(Qt6 REQUIRED COMPONENTS Widgets Gui OpenGL)

        add_executable(pliform
            src/platform/main.cpp
            src/platform/MainWindow.cpp
            src/platform/GLView.cpp
            src/platform/QtMenus.cpp
            src/platform/QtPlatform.cpp
        )
        target_link_libraries(pliform PRIVATE pliform_core pliform_render Qt6::Widgets Qt6::Gui Qt6::OpenGL)
        pliform_target_options(pliform)

        if(PLIFORM_BUILD_TESTS)
            # Starts the real program on a virtual display and drives it with synthetic
            # mouse and key events; skipped when the display tools are missing.
            add_test(NAME smoke.program
                     COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/smoke/smoke.sh $<TARGET_FILE:pliform>)
            set_tests_properties(smoke.program PROPERTIES LABELS smoke SKIP_RETURN_CODE 77 TIMEOUT 180)
        endif()
    endif()
endif()
