#include <benchmark/benchmark.h>

#include "app/Memory.h"

// The benchmarks run with the allocator set up as the program sets it.
int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
