# Eraser, Drag and Change tools.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Eraser.cpp
        src/tools/Drag.cpp
        src/tools/Change.cpp
    )
else()
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_tools_tests LABEL core SOURCES
            tests/tools/EraserTest.cpp
            tests/tools/DragTest.cpp
            tests/tools/ChangeTest.cpp
        )
        pliform_add_scenario(tests/scenarios/tools_erase.pfs)
        pliform_add_scenario(tests/scenarios/tools_drag.pfs)
        pliform_add_scenario(tests/scenarios/tools_change.pfs)
    endif()
    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/ToolsBench.cpp)
    endif()
endif()
