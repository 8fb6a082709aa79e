# Application shell, records, view geometry, fairing, export.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/app/MainFrame.cpp
        src/app/Memory.cpp
        src/app/Commands.cpp
        src/app/CommandTable.cpp
        src/app/Resources.cpp
        src/view/View.cpp
        src/tools/Mouse.cpp
        src/model/Model.cpp
        src/model/Validate.cpp
        src/model/Snapshot.cpp
        src/surface/Fair.cpp
        src/surface/FairKernel.cpp
        src/export/ObjExport.cpp
    )
else()
    # The fairing may split its passes over two threads.
    find_package(Threads REQUIRED)
    target_link_libraries(pliform_core PUBLIC Threads::Threads)
    # The fairing passes are built for several instruction sets and must give the same
    # bits on each: no multiply and add may be fused into one rounding.
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        set_source_files_properties(src/surface/FairKernel.cpp PROPERTIES
            COMPILE_OPTIONS "-ffp-contract=off")
    endif()
    if(PLIFORM_BUILD_TESTS)
        pliform_add_test_executable(pliform_foundation_tests LABEL core SOURCES
            tests/foundation/FrameTests.cpp
            tests/foundation/ModelTests.cpp
            tests/foundation/SnapshotTests.cpp
            tests/foundation/MemoryTests.cpp
            tests/foundation/FairTests.cpp
            tests/foundation/ExportTests.cpp
            tests/foundation/MouseTests.cpp
            tests/foundation/ToolStrokeTests.cpp
        )
        # The fairing kernel against the plain list walk it replaced.
        pliform_add_test_executable(pliform_perf_tests LABEL core SOURCES
            tests/perf/FairEquivalenceTests.cpp
            tests/perf/ReferenceFairing.cpp
        )
        # The renderer's arrays against per-vertex calls; the render libraries are
        # added by the render part, read after this one.
        if(PLIFORM_BUILD_RENDER)
            pliform_add_test_executable(pliform_perf_render_tests LABEL render
                SOURCES tests/perf/RenderIdentityTest.cpp
                        tests/perf/ReferenceRenderer.cpp
                        tests/render/RenderSupport.cpp
                LIBS pliform_render pliform_offscreen OpenGL::GL PNG::PNG)
        endif()
    endif()
    if(PLIFORM_BUILD_BENCHMARKS)
        target_sources(pliform_bench PRIVATE bench/FairBench.cpp bench/PerfBench.cpp bench/ValidateBench.cpp
                                           tests/perf/ReferenceFairing.cpp)
    endif()
endif()
