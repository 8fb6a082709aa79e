# The mouse, pen strokes and picking, and the Eraser, Drag and Change tools.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_tools_tests LABEL core SOURCES
        tests/tools/MouseTests.cpp
        tests/tools/StrokeTests.cpp
        tests/tools/ToolStrokeTests.cpp
        tests/tools/PickTests.cpp
        tests/tools/EraserTest.cpp
        tests/tools/DragTest.cpp
        tests/tools/ChangeTest.cpp
    )
    pliform_add_scenarios(
        tools_erase
        tools_drag
        tools_change
    )
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/ToolsBench.cpp)
endif()
