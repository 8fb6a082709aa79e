# The replay tool, its script parser and runner, and the picture it can draw.
find_package(Threads REQUIRED)

# Parser and runner of replay scripts, shared by the tool and its tests.
add_library(pliform_replay STATIC
    src/host/Script.cpp
    src/host/ScriptRunner.cpp
)
target_link_libraries(pliform_replay PUBLIC pliform_core PRIVATE Threads::Threads)
pliform_target_options(pliform_replay)

add_executable(pliform-replay src/host/ReplayMain.cpp)
target_link_libraries(pliform-replay PRIVATE pliform_replay)
pliform_target_options(pliform-replay)
# --png draws the final frame offscreen, when the renderer is part of the build.
if(PLIFORM_BUILD_RENDER AND TARGET pliform_render AND TARGET pliform_offscreen)
    add_library(pliform_replay_png STATIC src/host/ReplayPng.cpp)
    target_link_libraries(pliform_replay_png PUBLIC pliform_core PRIVATE pliform_render
                                                                         pliform_offscreen)
    pliform_target_options(pliform_replay_png)
    target_compile_definitions(pliform-replay PRIVATE PLIFORM_HAVE_RENDER)
    target_link_libraries(pliform-replay PRIVATE pliform_replay_png)
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_replay_png_tests LABEL render
            SOURCES tests/host/ReplayPngTests.cpp LIBS pliform_replay_png)
    endif()
endif()

if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_host_tests LABEL core
        SOURCES tests/host/ScriptParseTests.cpp
                tests/host/ScriptRunTests.cpp
                tests/host/ScenarioSoundnessTests.cpp
        LIBS pliform_replay)
    # The soundness test replays the scenario scripts from the source tree.
    target_compile_definitions(pliform_host_tests PRIVATE
        PLIFORM_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
