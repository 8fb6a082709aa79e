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
    endif()
    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/ToolsBench.cpp)
    endif()
endif()
