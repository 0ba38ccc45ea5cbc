// cloak-bench: the benchmarks, each against a floor measured in the same run, and a summary of
// the ratios after the usual output. Takes Google Benchmark's own options (--benchmark_filter=...).
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"

using namespace cloak;

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
