# The records, the checker and snapshots.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_model_tests LABEL core SOURCES
        tests/model/ModelTests.cpp
        tests/model/SnapshotTests.cpp
    )
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/ValidateBench.cpp)
endif()
