// Timing of one whole calculation: the bisection for the nominal level at the
// default parameters (some 30 normal quantiles) and the chi-square quantile.
#include <benchmark/benchmark.h>

#include "threshold/threshold.h"

namespace {

void BM_ComputeThresholdsDefaults(benchmark::State& state) {
    const lodthresh::ThresholdParameters defaults;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::compute_thresholds(defaults));
    }
}
BENCHMARK(BM_ComputeThresholdsDefaults);

// A precision of zero: the search runs until the level is met exactly.
void BM_ComputeThresholdsExact(benchmark::State& state) {
    lodthresh::ThresholdParameters exact;
    exact.precision = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::compute_thresholds(exact));
    }
}
BENCHMARK(BM_ComputeThresholdsExact);

}  // namespace

BENCHMARK_MAIN();
