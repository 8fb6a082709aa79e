#!/usr/bin/env bash
# Builds and tests everything from a clean clone on Debian 12:
#   1. installs the build and test dependencies that are missing (apt),
#   2. a RelWithDebInfo build of the whole program with warnings as errors, all tests,
#   3. an AddressSanitizer + UndefinedBehaviorSanitizer build of the core, its unit
#      and scenario tests,
#   4. a ThreadSanitizer build of the tests of the code that runs on several threads:
#      the fairing (with more workers than the machine has processors) and the
#      work beside it: rings split side by side (a first body's faces, an
#      extrusion's patches) and the extrusion's test of the profile against the model,
#   5. one short run of the benchmarks, so they keep building and running,
#   6. a short fuzz run with fixed seeds in the sanitizer build (fuzz/ci-fuzz.sh),
#   7. the drawing reader under libFuzzer (clang, sanitizers) for a few seconds from
#      its seed files.
# Exits non-zero at the first failure.
set -euo pipefail

cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=${PLIFORM_JOBS:-2}

# Compiler, build tools, Qt, OpenGL/EGL (Mesa's software rasteriser serves the
# offscreen render tests), PNG, glTF (tinygltf and the JSON library it uses), test and
# benchmark libraries, an independent mesh importer that reads the exports back, clang
# and its libFuzzer runtime, and the X server and tools the smoke test of the real
# window uses.
PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libqt6opengl6-dev
    libgl-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
    libpng-dev
    libtinygltf-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libassimp-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool openbox x11-utils imagemagick
)

install_packages() {
    local missing=()
    local p
    for p in "${PACKAGES[@]}"; do
        if [[ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != "installed" ]]; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return
    fi
    echo "== installing: ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        if ! command -v sudo >/dev/null; then
            echo "missing packages (${missing[*]}) and no sudo to install them" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

configure() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
}

install_packages

RELEASE_DIR="$ROOT/build-test/release"
SANITIZE_DIR="$ROOT/build-test/sanitize"
TSAN_DIR="$ROOT/build-test/tsan"

echo "== release build: everything, warnings as errors"
configure "$RELEASE_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_WERROR=ON \
    -DPLIFORM_BUILD_GUI=ON -DPLIFORM_BUILD_RENDER=ON -DPLIFORM_BUILD_BENCHMARKS=ON
cmake --build "$RELEASE_DIR" -j "$JOBS"

echo "== release tests: all labels"
(cd "$RELEASE_DIR" && ctest --output-on-failure -j "$JOBS")

echo "== sanitizer build: core, unit and scenario tests"
configure "$SANITIZE_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_WERROR=ON \
    -DPLIFORM_SANITIZE=ON -DPLIFORM_BUILD_GUI=OFF -DPLIFORM_BUILD_RENDER=OFF \
    -DPLIFORM_BUILD_BENCHMARKS=OFF
cmake --build "$SANITIZE_DIR" -j "$JOBS"
(cd "$SANITIZE_DIR" &&
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j "$JOBS" -L 'core|scenario')

echo "== thread sanitizer build: the fairing, and rings split side by side"
configure "$TSAN_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_WERROR=ON \
    -DPLIFORM_SANITIZE_THREAD=ON -DPLIFORM_BUILD_GUI=OFF -DPLIFORM_BUILD_RENDER=OFF \
    -DPLIFORM_BUILD_BENCHMARKS=OFF
cmake --build "$TSAN_DIR" -j "$JOBS" --target pliform_fair_tests pliform_surface_tests \
    pliform_edit_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$TSAN_DIR/pliform_fair_tests"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$TSAN_DIR/pliform_surface_tests" \
    --gtest_filter='SplitRing.TwinFaces*:OutlineCorpus.*'
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "$TSAN_DIR/pliform_edit_tests" \
    --gtest_filter='*Extrude*'

echo "== benchmarks: one short run"
"$RELEASE_DIR/pliform_bench" --benchmark_min_time=0.01

echo "== fuzz: fixed seeds under the sanitizers, about two minutes"
"$ROOT/fuzz/ci-fuzz.sh" "$SANITIZE_DIR"

echo "== fuzz: the drawing reader under libFuzzer, from its seeds"
FUZZ_DIR="$ROOT/build-test/libfuzzer"
CC=clang CXX=clang++ configure "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_SANITIZE=ON \
    -DPLIFORM_LIBFUZZER=ON -DPLIFORM_BUILD_GUI=OFF -DPLIFORM_BUILD_RENDER=OFF \
    -DPLIFORM_BUILD_BENCHMARKS=OFF -DPLIFORM_BUILD_TESTS=OFF
cmake --build "$FUZZ_DIR" -j "$JOBS" --target pliform-drawing-fuzzer
rm -rf "$FUZZ_DIR/drawing-corpus"
cp -r "$ROOT/fuzz/drawing-seeds" "$FUZZ_DIR/drawing-corpus"
(cd "$FUZZ_DIR" && ./pliform-drawing-fuzzer -seed=1 -max_total_time=20 -max_len=16384 \
    -timeout=10 drawing-corpus)

echo "== all tests passed"
