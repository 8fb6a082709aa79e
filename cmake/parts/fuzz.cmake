# The gesture fuzzer: a seeded generator of user sessions, the checks run after every
# event, the shrinker, the pliform-fuzz runner and, with clang, a libFuzzer target.
option(PLIFORM_LIBFUZZER "Build the libFuzzer target (clang only)" OFF)

add_library(pliform_fuzz STATIC
    fuzz/Generator.cpp
    fuzz/Checker.cpp
    fuzz/Shrink.cpp
)
target_include_directories(pliform_fuzz PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(pliform_fuzz PUBLIC pliform_replay)
pliform_target_options(pliform_fuzz)

add_executable(pliform-fuzz fuzz/FuzzMain.cpp)
target_link_libraries(pliform-fuzz PRIVATE pliform_fuzz)
pliform_target_options(pliform-fuzz)

if(PLIFORM_LIBFUZZER)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "PLIFORM_LIBFUZZER needs clang (configure with CXX=clang++)")
    endif()
    add_executable(pliform-libfuzzer fuzz/FuzzTarget.cpp)
    target_link_libraries(pliform-libfuzzer PRIVATE pliform_fuzz)
    pliform_target_options(pliform-libfuzzer)
    target_compile_options(pliform-libfuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(pliform-libfuzzer PRIVATE -fsanitize=fuzzer)

    # The drawing reader; its seeds are in fuzz/drawing-seeds.
    add_executable(pliform-drawing-fuzzer fuzz/DrawingFuzzTarget.cpp)
    target_link_libraries(pliform-drawing-fuzzer PRIVATE pliform_core)
    pliform_target_options(pliform-drawing-fuzzer)
    target_compile_options(pliform-drawing-fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(pliform-drawing-fuzzer PRIVATE -fsanitize=fuzzer)
endif()

if(PLIFORM_BUILD_TESTS)
    pliform_add_test_executable(pliform_fuzz_tests LABEL core
        SOURCES tests/fuzz/GeneratorTests.cpp
                tests/fuzz/ShrinkTests.cpp
                tests/fuzz/UndoPropertyTests.cpp
        LIBS pliform_fuzz)
    # The undo test replays the scenario scripts from the source tree.
    target_compile_definitions(pliform_fuzz_tests PRIVATE
        PLIFORM_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

    # Shrunk scripts of the faults the fuzzer found. Each runs twice: with the
    # replay tool and its expect lines, and with every fuzz check (closed OBJ
    # mesh, finite coordinates, refusals that change nothing, time budget).
    set(PLIFORM_FUZZ_SCENARIOS
        fuzz_fin_spike
        fuzz_fin_zoomed_out
        fuzz_fin_long_corner
        fuzz_tiny_window_stroke
        fuzz_stroke_leaves_window
        fuzz_wound_outline
        fuzz_huge_body_edge_stroke
        fuzz_eraser_chosen_mid_stroke
    )
    pliform_add_scenarios(${PLIFORM_FUZZ_SCENARIOS})
    foreach(name IN LISTS PLIFORM_FUZZ_SCENARIOS)
        add_test(NAME fuzzcheck.${name}
                 COMMAND pliform-fuzz --replay ${CMAKE_CURRENT_SOURCE_DIR}/tests/scenarios/${name}.pfs
                         --out-dir ${CMAKE_CURRENT_BINARY_DIR}/fuzz-scenarios)
        set_tests_properties(fuzzcheck.${name} PROPERTIES LABELS scenario)
    endforeach()
endif()
