# The OpenGL renderer (the only GL code) and the offscreen render tests.
if(PLIFORM_PHASE STREQUAL "targets" AND PLIFORM_BUILD_RENDER)
    set(OpenGL_GL_PREFERENCE GLVND)
    find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
    find_package(PNG REQUIRED)

    add_library(pliform_render STATIC src/view/Renderer.cpp)
    target_link_libraries(pliform_render PUBLIC pliform_core PRIVATE OpenGL::GL)
    pliform_target_options(pliform_render)

    # An EGL context without a window, for the render tests, the replay tool and the
    # render benchmark.
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
            LIBS pliform_render pliform_offscreen OpenGL::GL PNG::PNG)
    endif()

    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/RenderBench.cpp)
        target_link_libraries(pliform_bench PRIVATE pliform_render pliform_offscreen)
    endif()
endif()
