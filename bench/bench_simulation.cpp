// Timing of the null-scan simulation: one normal deviate, one marker of one
// replicate for each kind of statistic, markers alone and with interval
// mapping between them, and the whole human-genome run (33
// Morgan, 23 chromosomes, markers every 1 cM, sibs' one-sided statistic of
// rate 2, 10^5 replicates) on one and on two threads. Beside the markers-only
// scans, the power simulation under a QTL on the same scans, per marker of the
// QTL's chromosome.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "simulation/alternative.h"
#include "simulation/interior.h"
#include "simulation/scan.h"
#include "simulation/simulate.h"
#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"

namespace {

namespace sim = lodthresh::simulation;
using lodthresh::Tail;

void BM_NormalDeviate(benchmark::State& state) {
    const sim::Ziggurat normal;
    sim::Xoshiro256 bits(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(normal(bits));
    }
}
BENCHMARK(BM_NormalDeviate);

void BM_Bits(benchmark::State& state) {
    sim::Xoshiro256 bits(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bits());
    }
}
BENCHMARK(BM_Bits);

// Seconds per marker per replicate on one thread (shown as ns in the
// counter "per_marker"), for the human genome at 1 cM and the dense grid.
void marker_replicates(benchmark::State& state, const sim::NullScan& scan,
                       std::uint64_t replicates) {
    sim::Control control;
    sim::Maxima maxima;
    for (auto _ : state) {
        sim::simulate(scan, replicates, control, maxima);
        benchmark::DoNotOptimize(maxima.statistic().data());
    }
    const double count = static_cast<double>(sim::markers(scan) * replicates);
    state.counters["per_marker"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_MarkerOneSided(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 2000);
}
BENCHMARK(BM_MarkerOneSided)->Unit(benchmark::kMillisecond);

void BM_MarkerTwoSided(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(16, 20, 1, Tail::two_sided, 1), 2000);
}
BENCHMARK(BM_MarkerTwoSided)->Unit(benchmark::kMillisecond);

void BM_MarkerTwoDf(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(16, 20, 1, Tail::two_df, 1.5), 2000);
}
BENCHMARK(BM_MarkerTwoDf)->Unit(benchmark::kMillisecond);

void BM_MarkerDense(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(33, 23, 0, Tail::one_sided, 2), 64);
}
BENCHMARK(BM_MarkerDense)->Unit(benchmark::kMillisecond);

// The power simulation on the same scans as the markers-only benchmarks
// above, as many markers per iteration: a replicate steps the QTL's
// chromosome alone, so 23 (20) times the null's replicates. "per_marker" is
// the time per marker of the QTL's chromosome and replicate, to set beside the
// null's.
void power_replicates(benchmark::State& state, const sim::NullScan& scan, double t,
                      const sim::QtlEffect& effect, std::uint64_t replicates) {
    sim::Control control;
    sim::PowerEstimate estimate{};
    for (auto _ : state) {
        sim::simulate_power(scan, t, effect, sim::QtlPlacement::uniform, replicates, control,
                            estimate);
        benchmark::DoNotOptimize(estimate.hits);
    }
    const double count = static_cast<double>(sim::markers(scan) * replicates) /
                         static_cast<double>(scan.chromosomes.size());
    state.counters["per_marker"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["power"] = estimate.power;
}

void BM_PowerOneSided(benchmark::State& state) {
    power_replicates(state, sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 13.8, {4, 0},
                     2000 * 23);
}
BENCHMARK(BM_PowerOneSided)->Unit(benchmark::kMillisecond);

void BM_PowerTwoSided(benchmark::State& state) {
    power_replicates(state, sim::even_null_scan(16, 20, 1, Tail::two_sided, 1), 13.8, {4, 0},
                     2000 * 20);
}
BENCHMARK(BM_PowerTwoSided)->Unit(benchmark::kMillisecond);

void BM_PowerTwoDf(benchmark::State& state) {
    power_replicates(state, sim::even_null_scan(16, 20, 1, Tail::two_df, 1.5), 16.1, {3, 2},
                     2000 * 20);
}
BENCHMARK(BM_PowerTwoDf)->Unit(benchmark::kMillisecond);

void BM_PowerDense(benchmark::State& state) {
    power_replicates(state, sim::even_null_scan(33, 23, 0, Tail::one_sided, 2), 13.8, {4, 0},
                     64 * 23);
}
BENCHMARK(BM_PowerDense)->Unit(benchmark::kMillisecond);

// Interval mapping on the same markers as the markers-only benchmarks above:
// the whole of every interval, pseudomarkers at 1 cM on a 5 cM map (4 per
// interval; "per_point" counts them with the markers), and the 2-df scan's
// grid. "per_marker" is the time per marker and replicate, to set beside the
// markers-only scans'.
void interval_replicates(benchmark::State& state, const sim::NullScan& scan,
                         std::uint64_t replicates) {
    marker_replicates(state, scan, replicates);
    const std::uint64_t components = scan.tail == Tail::two_df ? 2 : 1;
    const double points = static_cast<double>(
        (sim::markers(scan) + components * sim::interior_points(scan)) * replicates);
    state.counters["per_point"] = benchmark::Counter(
        points, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

sim::IntervalMapping continuous() {
    return {sim::ScanKind::continuous, 0, sim::kIntervalGridCm};
}

sim::IntervalMapping step(double step_cm) {
    return {sim::ScanKind::pseudomarkers, step_cm, sim::kIntervalGridCm};
}

void BM_IntervalOneSided(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(33, 23, 1, Tail::one_sided, 2, continuous()),
                        2000);
}
BENCHMARK(BM_IntervalOneSided)->Unit(benchmark::kMillisecond);

void BM_IntervalTwoSided(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(16, 20, 1, Tail::two_sided, 1, continuous()),
                        2000);
}
BENCHMARK(BM_IntervalTwoSided)->Unit(benchmark::kMillisecond);

void BM_MarkerTwoSided5cM(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_sided, 1), 10000);
}
BENCHMARK(BM_MarkerTwoSided5cM)->Unit(benchmark::kMillisecond);

void BM_IntervalTwoSided5cM(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_sided, 1, continuous()),
                        10000);
}
BENCHMARK(BM_IntervalTwoSided5cM)->Unit(benchmark::kMillisecond);

void BM_PseudomarkersTwoSided5cM(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_sided, 1, step(1)), 10000);
}
BENCHMARK(BM_PseudomarkersTwoSided5cM)->Unit(benchmark::kMillisecond);

void BM_MarkerTwoDf5cM(benchmark::State& state) {
    marker_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_df, 1.5), 10000);
}
BENCHMARK(BM_MarkerTwoDf5cM)->Unit(benchmark::kMillisecond);

void BM_PseudomarkersTwoDf5cM(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_df, 1.5, step(1)), 10000);
}
BENCHMARK(BM_PseudomarkersTwoDf5cM)->Unit(benchmark::kMillisecond);

void BM_IntervalTwoDf5cM(benchmark::State& state) {
    interval_replicates(state, sim::even_null_scan(16, 20, 5, Tail::two_df, 1.5, continuous()),
                        1000);
}
BENCHMARK(BM_IntervalTwoDf5cM)->Unit(benchmark::kMillisecond);

// The human genome at 1 cM, 10^5 replicates, on 1 and 2 threads (wall time).
void BM_HumanGenome(benchmark::State& state) {
    const sim::NullScan scan = sim::even_null_scan(33, 23, 1, Tail::one_sided, 2);
    sim::Control control;
    control.threads = static_cast<unsigned>(state.range(0));
    sim::Maxima maxima;
    for (auto _ : state) {
        sim::simulate(scan, 100000, control, maxima);
        benchmark::DoNotOptimize(maxima.statistic().data());
    }
    const double count = static_cast<double>(sim::markers(scan)) * 100000.0;
    state.counters["per_marker"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HumanGenome)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
