// The power of a scan: one row (the survival functions of the QTL's
// chromosome and their Gaussian average) on the mouse genome, 1450 cM on 20
// chromosomes, at 1 cM and on the example map, one component and 2 df; and
// one more effect of a computed curve, the step of a sample-size solve.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "threshold/genetic_map.h"
#include "threshold/power.h"

namespace {

using lodthresh::Effect;
using lodthresh::PowerScan;
using lodthresh::Tail;

// range(0): 0 sibs (one-sided, rho 2), 1 backcross (two-sided, rho 1),
// 2 intercross (2 df, rho 1.5).
struct Row {
    Tail tail;
    double rate;
    double t;
    Effect effect;
};
Row row(long kind) {
    switch (kind) {
        case 0:
            return {Tail::one_sided, 2.0, 16.58, {4.0, 0.0}};
        case 1:
            return {Tail::two_sided, 1.0, 15.2, {4.0, 0.0}};
        default:
            return {Tail::two_df, 1.5, 19.8, {3.2, 3.2}};
    }
}

void BM_PowerRowMouseOneCm(benchmark::State& state) {
    const PowerScan scan = lodthresh::even_power_scan(14.5, 20, 0.01);
    const Row r = row(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::scan_power(scan, r.tail, r.rate, r.t, r.effect));
    }
}
BENCHMARK(BM_PowerRowMouseOneCm)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PowerRowMouseMap(benchmark::State& state) {
    std::ifstream in(LODTHRESH_EXAMPLES "/mouse_gmap.csv");
    std::ostringstream text;
    text << in.rdbuf();
    const PowerScan scan = lodthresh::map_power_scan(lodthresh::read_genetic_map(text.str()).map);
    const Row r = row(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::scan_power(scan, r.tail, r.rate, r.t, r.effect));
    }
}
BENCHMARK(BM_PowerRowMouseMap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PowerDense(benchmark::State& state) {
    const PowerScan scan = lodthresh::even_power_scan(14.5, 20, 0.0);
    const Row r = row(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(lodthresh::scan_power(scan, r.tail, r.rate, r.t, r.effect));
    }
}
BENCHMARK(BM_PowerDense)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PowerCurveEffect(benchmark::State& state) {
    const PowerScan scan = lodthresh::even_power_scan(14.5, 20, 0.01);
    const Row r = row(state.range(0));
    const lodthresh::PowerCurve curve(scan, r.tail, r.rate, r.t);
    for (auto _ : state) {
        benchmark::DoNotOptimize(curve.at(r.effect));
    }
}
BENCHMARK(BM_PowerCurveEffect)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
