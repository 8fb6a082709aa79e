# Drawing files (write, read, the File commands) and autosave.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_drawing_tests LABEL core
        SOURCES tests/drawing/DrawingRoundTripTests.cpp
                tests/drawing/DrawingFileTests.cpp
                tests/drawing/AutosaveTests.cpp
        LIBS pliform_replay pliform_fuzz)
    # The round trip replays the scenario scripts from the source tree.
    target_compile_definitions(pliform_drawing_tests PRIVATE
        PLIFORM_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/DrawingBench.cpp)
endif()
