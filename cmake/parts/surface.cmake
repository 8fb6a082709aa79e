# Strokes, pen dispatch, rings and triangulation, surface creation.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Stroke.cpp
        src/tools/PenDispatch.cpp
        src/surface/Ring.cpp
        src/surface/Create.cpp
    )
else()
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_surface_tests LABEL core SOURCES
            tests/surface/StrokeTests.cpp
            tests/surface/RingTests.cpp
            tests/surface/CreateTests.cpp
        )
    endif()
endif()
