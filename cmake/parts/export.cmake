# Writing the model to files.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_export_tests LABEL core SOURCES
        tests/export/ExportTests.cpp
        tests/export/MeshFormatTests.cpp
        tests/export/SafeWriteTests.cpp
    )
    # An importer that shares no code with the writers reads the STL and glTF back.
    find_package(assimp REQUIRED)
    target_link_libraries(pliform_export_tests PRIVATE assimp::assimp)
endif()
