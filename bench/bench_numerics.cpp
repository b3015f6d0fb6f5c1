// Timings of the numerics routines that the threshold search calls (normv once
// per bisection step, chisqv once at the end) and of gammp, the cost inside
// each chisqv refinement pass.
#include <benchmark/benchmark.h>

#include "numerics/numerics.h"

namespace {

void normv_central(benchmark::State& state) {
    double p = 0.3;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(Numerics_1_1::normv(p, 0.0, 1.0));
    }
}
BENCHMARK(normv_central);

// The tail branch, with its log and sqrt: a nominal level of 2.25e-5.
void normv_tail(benchmark::State& state) {
    double p = 2.25e-5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(Numerics_1_1::normv(p, 0.0, 1.0));
    }
}
BENCHMARK(normv_tail);

// Series below a + 1.
void gammp_series(benchmark::State& state) {
    double x = 8.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(Numerics_1_1::gammp(0.5, x * 0.125));
    }
}
BENCHMARK(gammp_series);

// gammp(0.5, 8.32) is the refinement pass at the threshold search's chisqv.
void gammp_continued_fraction(benchmark::State& state) {
    double x = 8.3239524;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(Numerics_1_1::gammp(0.5, x));
    }
}
BENCHMARK(gammp_continued_fraction);

// The call the threshold search makes for a nominal level of 2.25e-5.
void chisqv_threshold_search(benchmark::State& state) {
    double p = 0.999955;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(Numerics_1_1::chisqv(p, 1.0));
    }
}
BENCHMARK(chisqv_threshold_search);

void chisqv_median_ten(benchmark::State& state) {
    double p = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(Numerics_1_1::chisqv(p, 10.0));
    }
}
BENCHMARK(chisqv_median_ten);

}  // namespace

BENCHMARK_MAIN();
