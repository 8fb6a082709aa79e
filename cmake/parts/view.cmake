# The view scenarios, and the OpenGL renderer (the only GL code) with the offscreen
# context its tests, the replay tool and the render benchmark draw in.
if(PLIFORM_BUILD_TESTS)
    pliform_add_scenario(tests/scenarios/view_zoom_clamp.pfs)
    pliform_add_scenario(tests/scenarios/view_presets_empty.pfs)
    pliform_add_scenario(tests/scenarios/view_rotate_empty.pfs)
    pliform_add_scenario(tests/scenarios/view_file_new_empty.pfs)
    pliform_add_scenario(tests/scenarios/view_exit_stops.pfs)
    pliform_add_scenario(tests/scenarios/view_display_tools.pfs)
    pliform_add_scenario(tests/scenarios/view_rotate_snap.pfs)
    pliform_add_scenario(tests/scenarios/view_presets_model.pfs)
    pliform_add_scenario(tests/scenarios/view_file_new_model.pfs)
    pliform_add_scenario(tests/scenarios/view_tool_refusal.pfs)
    pliform_add_scenario(tests/scenarios/view_commands_mid_stroke.pfs)
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
