# Picking and stroke embedding.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Pick.cpp
        src/surface/Embed.cpp
    )
else()
    # The profile test takes points two or four at a time and must answer as picking
    # one point at a time does: no multiply and add may be fused into one rounding.
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        set_source_files_properties(src/tools/Pick.cpp PROPERTIES COMPILE_OPTIONS "-ffp-contract=off")
    endif()
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_embed_tests LABEL core SOURCES
            tests/embed/PickTests.cpp
            tests/embed/EmbedTests.cpp
        )
        pliform_add_scenario(tests/scenarios/embed_closed_curve.pfs)
        pliform_add_scenario(tests/scenarios/embed_open_curve.pfs)
        pliform_add_scenario(tests/scenarios/embed_beside_model.pfs)
        pliform_add_scenario(tests/scenarios/embed_closed_dip.pfs)
        pliform_add_scenario(tests/scenarios/embed_around_body.pfs)
        pliform_add_scenario(tests/scenarios/embed_many_views.pfs)
    endif()
    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/EmbedBench.cpp)
    endif()
endif()
