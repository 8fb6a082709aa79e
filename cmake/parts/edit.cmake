# Cut and extrusion.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_edit_tests LABEL core
        SOURCES tests/edit/EditTestSupport.cpp tests/edit/CutTest.cpp tests/edit/ExtrudeTest.cpp)
    pliform_add_scenarios(
        edit_cut_extrude_front
        edit_cut_extrude_back
        edit_cut_extrude_turned
    )
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/EditBench.cpp bench/AroundFairBench.cpp
        tests/edit/EditTestSupport.cpp)
endif()
