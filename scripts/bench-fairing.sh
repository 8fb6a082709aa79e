#!/usr/bin/env bash
# The fairing's figures in BENCHMARKS.md: builds the benchmarks and runs the fairing,
# the list walk it is measured against (in the same run), the worker counts, and every
# operation on spheres of 2562 to 163842 vertices, five repetitions each, medians.
#
#   scripts/bench-fairing.sh [BUILD_DIR] [OUTPUT]
#
# BUILD_DIR defaults to build-bench, OUTPUT to fairing-bench.txt in it (the table as
# printed; the JSON of every repetition goes beside it). Run it on an otherwise idle
# machine: the workers wait for each other between the passes, and on a machine busy
# with other jobs they are off the processor for whole time slices (the fairing then
# finishes on the calling thread alone; see FairKernel::RunCrew).
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD=${1:-build-bench}
OUT=${2:-$BUILD/fairing-bench.txt}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIFORM_BUILD_GUI=OFF \
    -DPLIFORM_BUILD_RENDER=OFF -DPLIFORM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$BUILD" -j "${PLIFORM_JOBS:-2}" --target pliform_bench

{
    echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
    echo "processors available: $(nproc)"
    echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
} | tee "$OUT"

"$BUILD/pliform_bench" \
    --benchmark_filter='BM_FairModel|BM_FirstSurfaceFairing|BM_FairKernelWorkers|BM_FairKernelUnits|BM_Around' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$OUT.json" --benchmark_out_format=json | tee -a "$OUT"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$OUT"
