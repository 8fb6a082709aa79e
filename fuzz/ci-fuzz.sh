#!/usr/bin/env bash
# A short fuzz run for every submission: fixed seeds, about two minutes, in an
# AddressSanitizer + UndefinedBehaviorSanitizer build (LeakSanitizer checks every
# session at its end). Fails when any session fails a check; the failing and shrunk
# scripts are left in BUILD_DIR/fuzz-ci.
#
#   fuzz/ci-fuzz.sh [BUILD_DIR]      default: build-test/sanitize, made here if missing
#
# PLIFORM_FUZZ_SECONDS (default 120) bounds the run; PLIFORM_FUZZ_SEED and
# PLIFORM_FUZZ_COUNT choose the seeds. With PLIFORM_CI_LIBFUZZER=1 the libFuzzer
# target is also built with clang and run for PLIFORM_FUZZ_SECONDS.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${1:-$ROOT/build-test/sanitize}
JOBS=${PLIFORM_JOBS:-2}
SECONDS_LIMIT=${PLIFORM_FUZZ_SECONDS:-120}
SEED=${PLIFORM_FUZZ_SEED:-20000}
COUNT=${PLIFORM_FUZZ_COUNT:-400}

if [[ ! -f "$BUILD_DIR/CMakeCache.txt" ]]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_WERROR=ON \
        -DPLIFORM_SANITIZE=ON -DPLIFORM_BUILD_GUI=OFF -DPLIFORM_BUILD_RENDER=OFF \
        -DPLIFORM_BUILD_BENCHMARKS=OFF
fi
cmake --build "$BUILD_DIR" -j "$JOBS" --target pliform-fuzz

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

OUT="$BUILD_DIR/fuzz-ci"
rm -rf "$OUT"
echo "== fuzz: seeds $SEED.. (at most $COUNT sessions, $SECONDS_LIMIT s)"
"$BUILD_DIR/pliform-fuzz" --seed "$SEED" --count "$COUNT" --events 200 --budget-ms 5000 \
    --seconds "$SECONDS_LIMIT" --max-shrink 300 --out-dir "$OUT"

if [[ "${PLIFORM_CI_LIBFUZZER:-0}" == 1 ]]; then
    LIBFUZZER_DIR="$ROOT/build-test/libfuzzer"
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$LIBFUZZER_DIR" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_SANITIZE=ON -DPLIFORM_LIBFUZZER=ON \
        -DPLIFORM_BUILD_GUI=OFF -DPLIFORM_BUILD_RENDER=OFF -DPLIFORM_BUILD_BENCHMARKS=OFF \
        -DPLIFORM_BUILD_TESTS=OFF
    cmake --build "$LIBFUZZER_DIR" -j "$JOBS" --target pliform-libfuzzer
    mkdir -p "$LIBFUZZER_DIR/corpus"
    (cd "$LIBFUZZER_DIR" && ./pliform-libfuzzer -seed=1 -max_total_time="$SECONDS_LIMIT" \
        -timeout=30 -max_len=2048 corpus)
fi
