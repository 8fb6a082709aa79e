# Writing the model to files.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_export_tests LABEL core SOURCES
        tests/export/ExportTests.cpp
    )
endif()
