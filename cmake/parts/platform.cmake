# The Qt program, its window layer's tests and the smoke and end-to-end tests of the
# real binary.
if(PLIFORM_BUILD_GUI AND NOT TARGET pliform_render)
    message(WARNING "The Qt program draws with the renderer, which is not part of this build "
                    "(PLIFORM_BUILD_RENDER): the program is left out.")
elseif(PLIFORM_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets Gui OpenGL)

    # The window layer, the only code that includes Qt.
    add_library(pliform_qt STATIC
        src/platform/MainWindow.cpp
        src/platform/GLView.cpp
        src/platform/QtMenus.cpp
        src/platform/QtPlatform.cpp
    )
    target_link_libraries(pliform_qt PUBLIC pliform_core pliform_render Qt6::Widgets Qt6::Gui Qt6::OpenGL)
    pliform_target_options(pliform_qt)

    add_executable(pliform src/platform/main.cpp)
    target_link_libraries(pliform PRIVATE pliform_qt)
    pliform_target_options(pliform)

    # Desktop integration: the launcher entry and the icon, drawn at build time by
    # the same code that draws the window icon.
    add_executable(pliform-icon-writer src/platform/IconWriter.cpp)
    target_link_libraries(pliform-icon-writer PRIVATE pliform_core Qt6::Gui)
    pliform_target_options(pliform-icon-writer)
    set(PLIFORM_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons)
    set(PLIFORM_ICON_FILES)
    foreach(size 16 24 32 48 64 128 256)
        list(APPEND PLIFORM_ICON_FILES ${PLIFORM_ICON_DIR}/${size}x${size}/apps/pliform.png)
    endforeach()
    add_custom_command(OUTPUT ${PLIFORM_ICON_FILES}
                       COMMAND pliform-icon-writer ${PLIFORM_ICON_DIR}
                       DEPENDS pliform-icon-writer
                       COMMENT "Drawing the application icon")
    add_custom_target(pliform_icons ALL DEPENDS ${PLIFORM_ICON_FILES})

    include(GNUInstallDirs)
    install(TARGETS pliform RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES packaging/pliform.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(DIRECTORY ${PLIFORM_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    include(${PROJECT_SOURCE_DIR}/cmake/Packaging.cmake)

    if(PLIFORM_BUILD_TESTS)
        # The window layer with the real frame, without a display.
        pliform_add_test_executable(pliform_qt_tests LABEL smoke
            SOURCES tests/smoke/QtLayerTests.cpp LIBS pliform_qt)
        # Starts the real program on a virtual display and drives it with synthetic
        # mouse and key events; skipped when the display tools are missing.
        add_test(NAME smoke.program
                 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/smoke/smoke.sh $<TARGET_FILE:pliform>)
        set_tests_properties(smoke.program PROPERTIES LABELS smoke SKIP_RETURN_CODE 77 TIMEOUT 180)
        if(TARGET pliform-replay)
            # A whole session of the real program, from the first outline to Save As
            # and Exit, against the replay tool's run of the same events. Alone, so
            # that a busy machine does not make the program lag behind the mouse.
            add_test(NAME e2e.session
                     COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/e2e.sh $<TARGET_FILE:pliform>
                             $<TARGET_FILE:pliform-replay> ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/session.pfs)
            set_tests_properties(e2e.session PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300
                                 RUN_SERIAL TRUE)
        endif()
    endif()
endif()
