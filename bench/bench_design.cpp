// Siegmund's nu per call in each of its regimes, beside the C library's erfc
// as a yardstick, one threshold of a design at a spacing and on a map, and
// the thresholds of interval-mapping scans on such maps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "threshold/design.h"
#include "threshold/exact.h"
#include "threshold/interval.h"
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

// The same 1,000 uneven intervals scanned by interval mapping, at every point
// between the markers (arg 0) and at 1 cM pseudomarkers (arg 1): each
// interval its own arc, or its own arcs between pseudomarkers.
void BM_IntervalRowOnMap(benchmark::State& state) {
    lodthresh::IntervalScan scan;
    scan.chromosomes.resize(20);
    scan.step = state.range(0) == 0 ? lodthresh::kEveryPoint : 0.01;
    for (int i = 0; i < 1000; ++i) {
        scan.chromosomes[i % 20].push_back(0.002 + 0.03 * std::fmod(i * 0.618033988749895, 1.0));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            lodthresh::interval_threshold(scan, lodthresh::Tail::two_sided, 1.0, 0.05));
    }
}
BENCHMARK(BM_IntervalRowOnMap)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 1,000 intervals of 10 cM on 20 chromosomes, every interval alike: one arc
// (two-sided, arg 0) or one set of 2-df cones (arg 1), at 1 cM pseudomarkers.
void BM_IntervalRowOnEvenMap(benchmark::State& state) {
    const lodthresh::IntervalScan scan = lodthresh::even_interval_scan(100, 20, 0.1, 0.01);
    const bool two_df = state.range(0) == 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::interval_threshold(
            scan, two_df ? lodthresh::Tail::two_df : lodthresh::Tail::two_sided, two_df ? 1.5 : 1.0,
            0.05));
    }
}
BENCHMARK(BM_IntervalRowOnEvenMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
