# The Qt program, the resource tests and the smoke test of the real binary.
if(PLIFORM_PHASE STREQUAL "targets")
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_resources_tests LABEL core
            SOURCES tests/app/ResourcesTests.cpp)
    endif()
endif()
