#pragma once

#include <benchmark/benchmark.h>

namespace pixmora::bench {

// Google Benchmark's own main, after the caller has made the Qt application its
// benchmarks need.
inline int runBenchmarks(int& argc, char** argv, void (*registerAll)())
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace pixmora::bench
