# Rings and triangulation, surface creation, embedding strokes, fairing.
if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_surface_tests LABEL core SOURCES
        tests/surface/RingTests.cpp
        tests/surface/CreateTests.cpp
        tests/surface/BodyTests.cpp
        tests/surface/OutlineCorpusTests.cpp
        tests/surface/EmbedTests.cpp
    )
    # The fairing on its own, so that the thread sanitizer's build can stay this small:
    # the kernel against the plain list walk it replaced, on any number of workers.
    pliform_add_test_executable(pliform_fair_tests LABEL core SOURCES
        tests/surface/FairTests.cpp
        tests/surface/FairEquivalenceTests.cpp
        tests/surface/ReferenceFairing.cpp
    )
    pliform_add_scenarios(
        surface_circles
        surface_ellipses
        surface_star
        surface_u_arc
        surface_views_zooms
        surface_refused
        embed_closed_curve
        embed_open_curve
        embed_beside_model
        embed_closed_dip
        embed_around_body
        embed_many_views
    )
    # Writes the outline corpus as replay scripts for scripts/outline-sheet.sh.
    add_executable(pliform-outlines tests/support/OutlineScriptsMain.cpp)
    target_link_libraries(pliform-outlines PRIVATE pliform_test_support)
    pliform_target_options(pliform-outlines)
endif()
if(PLIFORM_BUILD_BENCHMARKS)
    target_sources(pliform_bench PRIVATE bench/SurfaceBench.cpp bench/EmbedBench.cpp bench/FairBench.cpp
                                         bench/PerfBench.cpp tests/surface/ReferenceFairing.cpp)
endif()
