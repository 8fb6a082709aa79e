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
            tests/surface/BodyTests.cpp
            tests/surface/OutlineCorpusTests.cpp
        )
        pliform_add_scenario(tests/scenarios/surface_circles.pfs)
        pliform_add_scenario(tests/scenarios/surface_ellipses.pfs)
        pliform_add_scenario(tests/scenarios/surface_star.pfs)
        pliform_add_scenario(tests/scenarios/surface_u_arc.pfs)
        pliform_add_scenario(tests/scenarios/surface_views_zooms.pfs)
        pliform_add_scenario(tests/scenarios/surface_refused.pfs)
        # Writes the outline corpus as replay scripts for scripts/outline-sheet.sh.
        add_executable(pliform-outlines tests/support/OutlineScriptsMain.cpp)
        target_link_libraries(pliform-outlines PRIVATE pliform_test_support)
        pliform_target_options(pliform-outlines)
    endif()
    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/SurfaceBench.cpp)
    endif()
endif()
