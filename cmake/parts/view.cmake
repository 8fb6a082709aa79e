# The view scenarios, and the OpenGL renderer (the only GL code) with the offscreen
# context its tests, the replay tool and the render benchmark draw in.
if(PLIFORM_BUILD_TESTS)
    pliform_add_scenarios(
        view_zoom_clamp
        view_presets_empty
        view_rotate_empty
        view_file_new_empty
        view_exit_stops
        view_display_tools
        view_rotate_snap
        view_presets_model
        view_file_new_model
        view_tool_refusal
        view_commands_mid_stroke
    )
endif()

if(PLIFORM_BUILD_RENDER)
    set(OpenGL_GL_PREFERENCE GLVND)
    find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
    find_package(PNG REQUIRED)

    add_library(pliform_render STATIC src/view/Renderer.cpp)
    target_link_libraries(pliform_render PUBLIC pliform_core PRIVATE OpenGL::GL)
    pliform_target_options(pliform_render)

    # An EGL context without a window.
    add_library(pliform_offscreen STATIC src/host/Offscreen.cpp src/host/Png.cpp)
    target_include_directories(pliform_offscreen PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(pliform_offscreen PRIVATE OpenGL::EGL OpenGL::GL PNG::PNG)
    pliform_target_options(pliform_offscreen)

    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_render_tests LABEL render
            SOURCES tests/render/RenderSupport.cpp
                    tests/render/MarkerTest.cpp
                    tests/render/SceneTest.cpp
                    tests/render/StateTest.cpp
                    tests/render/PngTest.cpp
                    # The renderer's arrays against per-vertex calls.
                    tests/render/RenderIdentityTest.cpp
                    tests/render/ReferenceRenderer.cpp
            LIBS pliform_render pliform_offscreen OpenGL::GL PNG::PNG)
    endif()

    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/RenderBench.cpp)
        target_link_libraries(pliform_bench PRIVATE pliform_render pliform_offscreen)
    endif()
endif()
