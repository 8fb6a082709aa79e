# The frame's state and handlers, the memory budget, the command table and resources.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_app_tests LABEL core SOURCES
        tests/app/FrameTests.cpp
        tests/app/MemoryTests.cpp
        tests/app/ResourcesTests.cpp
        tests/app/UndoTests.cpp
    )
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/HistoryBench.cpp)
endif()
if(PLIFORM_BUILD_TESTS)
    pliform_add_scenarios(edit_undo_redo)
endif()
