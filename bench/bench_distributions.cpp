// Timings of the F distribution at the program's typical arguments: the upper
// tail and the upper-tail quantile for one degree of freedom and 200 residual
// degrees of freedom (a cross of about 200 individuals) at a pointwise level of
// 1e-4, and the same far in the tail.
#include <benchmark/benchmark.h>

#include "distributions/f.h"

namespace {

namespace dist = lodthresh::distributions;

// P(F(1, 200) > 15.4), about 1e-4.
void f_upper_tail_typical(benchmark::State& state) {
    double f = 15.4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(dist::f_upper_tail(f, 1.0, 200.0));
    }
}
BENCHMARK(f_upper_tail_typical);

// The two-degree-of-freedom test, whose fraction ends after one term.
void f_upper_tail_two_degrees(benchmark::State& state) {
    double f = 9.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(dist::f_upper_tail(f, 2.0, 200.0));
    }
}
BENCHMARK(f_upper_tail_two_degrees);

void f_upper_quantile_typical(benchmark::State& state) {
    double p = 1e-4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(dist::f_upper_quantile(p, 1.0, 200.0));
    }
}
BENCHMARK(f_upper_quantile_typical);

void f_upper_quantile_far_tail(benchmark::State& state) {
    double p = 1e-300;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(dist::f_upper_quantile(p, 1.0, 200.0));
    }
}
BENCHMARK(f_upper_quantile_far_tail);

// The LOD threshold of a pointwise level for 202 individuals.
void lod_threshold_typical(benchmark::State& state) {
    double p = 1e-4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(dist::lod_of_f(dist::f_upper_quantile(p, 1.0, 200.0), 1, 202));
    }
}
BENCHMARK(lod_threshold_typical);

}  // namespace

BENCHMARK_MAIN();
