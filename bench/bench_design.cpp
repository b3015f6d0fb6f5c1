// Siegmund's nu per call in each of its regimes, beside the C library's erfc
// as a yardstick, and one threshold of a design at a spacing and on a map.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "threshold/design.h"
#include "threshold/exact.h"
#include "threshold/threshold.h"

namespace {

// x = 0.1, 0.5 and 2 use 10 to 18 terms of the series, 4.9 all 50, 8 the sum.
void BM_Nu(benchmark::State& state) {
    const double x = static_cast<double>(state.range(0)) / 10.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::nu(x));
    }
}
BENCHMARK(BM_Nu)->Arg(1)->Arg(5)->Arg(20)->Arg(49)->Arg(80);

void BM_Erfc(benchmark::State& state) {
    double x = 1.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::erfc(x));
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_Erfc);

// The mouse backcross at 10 cM, 0.05, beside the exact method's dense row.
void BM_DesignRowAtSpacing(benchmark::State& state) {
    const lodthresh::Scan scan = lodthresh::even_scan(16, 20, 0.1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lodthresh::design_threshold(scan, lodthresh::Tail::two_sided, 1.0, 0.05));
    }
}
BENCHMARK(BM_DesignRowAtSpacing);

void BM_ExactMethodRow(benchmark::State& state) {
    const lodthresh::ThresholdParameters parameters{16, 20, 1.0, 0.05, 0.0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::compute_thresholds_exact(parameters));
    }
}
BENCHMARK(BM_ExactMethodRow);

// A map of 20 chromosomes with 1,000 uneven intervals in all.
void BM_DesignRowOnMap(benchmark::State& state) {
    lodthresh::Scan scan{20, {}};
    for (int i = 0; i < 1000; ++i) {
        const double interval = 0.002 + 0.03 * std::fmod(i * 0.618033988749895, 1.0);
        scan.stretches.push_back({interval, interval});
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lodthresh::design_threshold(scan, lodthresh::Tail::two_sided, 1.0, 0.05));
    }
}
BENCHMARK(BM_DesignRowOnMap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
