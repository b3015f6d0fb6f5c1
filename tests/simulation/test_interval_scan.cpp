// Interval mapping in the null-scan simulation: the maximum between two
// markers against a brute-force grid of the interpolated statistic, the
// pseudomarkers, and the scan's maxima against the markers-only scan's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "simulation/kernel.h"
#include "simulation/null_scan.h"
#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"

namespace {

namespace sim = lodthresh::simulation;
using lodthresh::Tail;

// The interval-mapping statistic x Morgan into an interval of d Morgan, from
// the markers' statistics: the conditional expectation of the process given
// them, a zl + b zr, over its standard deviation.
double interpolated(double rate, double d, double x, double zl, double zr) {
    const double r = std::exp(-2.0 * rate * d);
    const double r1 = std::exp(-2.0 * rate * x);
    const double r2 = std::exp(-2.0 * rate * (d - x));
    const double a = (r1 - r * r2) / (1.0 - r * r);
    const double b = (r2 - r * r1) / (1.0 - r * r);
    return (a * zl + b * zr) / std::sqrt(a * r1 + b * r2);
}

// The statistic on the scale the kernel reports: Z, Z^2, Z_a^2 + Z_d^2.
double on_scale(Tail tail, double za, double zd) {
    switch (tail) {
        case Tail::one_sided:
            return za;
        case Tail::two_sided:
            return za * za;
        case Tail::two_df:
            break;
    }
    return za * za + zd * zd;
}

struct Lanes {
    double kernel[sim::kLanes];
    double brute[sim::kLanes];
};

// One chromosome of one interval d Morgan long: the kernel's maxima and, from
// the same deviates, the largest of the statistic at `offsets` (Morgan into
// the interval) besides the markers.
Lanes one_interval(Tail tail, double rate, double d, const sim::IntervalMapping& between,
                   const std::vector<double>& offsets, std::uint64_t seed) {
    const sim::NullScan scan{tail, rate, {{d}}, false, between};
    const sim::Plan plan = sim::make_plan(scan);
    const sim::Ziggurat normal;
    sim::Xoshiro256 stream(seed);
    sim::Xoshiro256 copy = stream;
    Lanes lanes{};
    double coarse[sim::kLanes];
    EXPECT_TRUE(sim::lane_runner(tail, false, plan.interior)(plan, normal, stream, nullptr,
                                                             lanes.kernel, coarse));
    // The kernel's order: each lane's first marker, then the step's deviates,
    // the additive component before the dominance one.
    const std::size_t components = tail == Tail::two_df ? 2 : 1;
    std::vector<double> first(sim::kLanes * components);
    std::vector<double> step(sim::kLanes * components);
    normal.fill(copy, first.data(), first.size());
    normal.fill(copy, step.data(), step.size());
    const double rates[2] = {tail == Tail::two_df ? rate * 2.0 / 3.0 : rate, rate * 4.0 / 3.0};
    for (std::size_t k = 0; k < sim::kLanes; ++k) {
        double left[2];
        double right[2];
        for (std::size_t c = 0; c < components; ++c) {
            const double r = std::exp(-2.0 * rates[c] * d);
            left[c] = first[components * k + c];
            right[c] = r * left[c] + std::sqrt(1.0 - r * r) * step[components * k + c];
        }
        const auto at = [&](double x) {
            const double za = interpolated(rates[0], d, x, left[0], right[0]);
            const double zd =
                components == 2 ? interpolated(rates[1], d, x, left[1], right[1]) : 0.0;
            return on_scale(tail, za, zd);
        };
        double best = std::max(on_scale(tail, left[0], components == 2 ? left[1] : 0.0),
                               on_scale(tail, right[0], components == 2 ? right[1] : 0.0));
        for (const double x : offsets) {
            best = std::max(best, at(x));
        }
        lanes.brute[k] = best;
    }
    return lanes;
}

std::vector<double> grid(double d, int points) {
    std::vector<double> x;
    for (int i = 1; i < points; ++i) {
        x.push_back(d * i / points);
    }
    return x;
}

// The continuous scan's maximum on an interval is the largest of 10^4 points
// of it, to the grid's own shortfall (the statistic is smooth in x).
TEST(IntervalScanKernel, WholeIntervalIsTheLargestOfADenseGrid) {
    struct Case {
        Tail tail;
        double rate;
        double d;
    };
    const Case cases[] = {{Tail::one_sided, 2.0, 0.01}, {Tail::one_sided, 2.0, 0.2},
                          {Tail::two_sided, 1.0, 0.05}, {Tail::two_sided, 1.0, 0.3},
                          {Tail::two_sided, 1.0, 2.0},  {Tail::one_sided, 1.0, 1.0}};
    sim::IntervalMapping continuous;
    continuous.kind = sim::ScanKind::continuous;
    int lanes_inside = 0;
    for (const Case& c : cases) {
        const std::vector<double> x = grid(c.d, 10000);
        for (std::uint64_t seed = 1; seed <= 40; ++seed) {
            const Lanes lanes = one_interval(c.tail, c.rate, c.d, continuous, x, seed);
            for (std::size_t k = 0; k < sim::kLanes; ++k) {
                const double scale = std::max(1.0, std::fabs(lanes.brute[k]));
                EXPECT_GE(lanes.kernel[k], lanes.brute[k] - 1e-12 * scale) << c.d << " " << seed;
                EXPECT_NEAR(lanes.kernel[k], lanes.brute[k], 1e-7 * scale) << c.d << " " << seed;
                lanes_inside += lanes.kernel[k] > lanes.brute[k] - 1e-7 * scale &&
                                lanes.kernel[k] > 0 && lanes.brute[k] > on_scale(c.tail, 0, 0);
            }
        }
    }
    EXPECT_GT(lanes_inside, 100);
}

// Pseudomarkers every step from the chromosome's first marker: the kernel
// takes exactly the largest of them and the markers, for every test.
TEST(IntervalScanKernel, PseudomarkersAreTheirOwnPoints) {
    struct Case {
        Tail tail;
        double rate;
        double d;
        double step_cm;
    };
    const Case cases[] = {{Tail::one_sided, 2.0, 0.1, 1.0},
                          {Tail::two_sided, 1.0, 0.135, 2.5},
                          {Tail::two_df, 1.5, 0.1, 1.0},
                          {Tail::two_df, 1.5, 0.37, 5.0},
                          {Tail::two_sided, 1.0, 0.05, 10.0}};
    for (const Case& c : cases) {
        sim::IntervalMapping stepped;
        stepped.kind = sim::ScanKind::pseudomarkers;
        stepped.step_cm = c.step_cm;
        std::vector<double> x;
        for (double at = c.step_cm / 100.0; at < c.d - 1e-10; at += c.step_cm / 100.0) {
            x.push_back(at);
        }
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            const Lanes lanes = one_interval(c.tail, c.rate, c.d, stepped, x, seed);
            for (std::size_t k = 0; k < sim::kLanes; ++k) {
                EXPECT_NEAR(lanes.kernel[k], lanes.brute[k],
                            1e-12 * std::max(1.0, std::fabs(lanes.brute[k])))
                    << c.d << " " << c.step_cm << " " << seed;
            }
        }
    }
}

// The 2-df continuous scan takes a grid of at most 0.1 cM: on a 10 cM interval
// its maximum falls short of 10^4 points' by under 1e-4 of the
// statistic (the grid's step is 1 / 100 of the interval).
TEST(IntervalScanKernel, TwoDfContinuousGridIsCloseToADenseOne) {
    sim::IntervalMapping continuous;
    continuous.kind = sim::ScanKind::continuous;
    const std::vector<double> x = grid(0.1, 10000);
    double worst = 0.0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const Lanes lanes = one_interval(Tail::two_df, 1.5, 0.1, continuous, x, seed);
        for (std::size_t k = 0; k < sim::kLanes; ++k) {
            EXPECT_LE(lanes.kernel[k], lanes.brute[k] * (1 + 1e-12));
            worst = std::max(worst, (lanes.brute[k] - lanes.kernel[k]) / lanes.brute[k]);
        }
    }
    EXPECT_LT(worst, 1e-4);  // measured 1.5e-5
    RecordProperty("worst", std::to_string(worst));
}

sim::Maxima simulate(const sim::NullScan& scan, std::uint64_t replicates, unsigned threads) {
    sim::Control control;
    control.threads = threads;
    sim::Maxima maxima;
    EXPECT_TRUE(sim::simulate(scan, replicates, control, maxima));
    return maxima;
}

// A seed's interval scan draws the markers' deviates of its markers-only scan:
// replicate by replicate its maximum is at least theirs, pseudomarkers lie
// between the two, a step beyond every interval is the markers alone, and the
// threads do not change a seed's maxima.
TEST(IntervalScanSimulation, MaximaOrderedReplicateByReplicate) {
    const lodthresh::GeneticMap map{{{"1", {0.0, 0.07, 0.2, 0.21, 0.45}}, {"2", {0.0, 0.33}}}};
    for (const Tail tail : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
        const double rate = tail == Tail::two_df ? 1.5 : 1.0;
        sim::IntervalMapping continuous;
        continuous.kind = sim::ScanKind::continuous;
        sim::IntervalMapping stepped;
        stepped.kind = sim::ScanKind::pseudomarkers;
        stepped.step_cm = 2.0;
        sim::IntervalMapping beyond = stepped;
        beyond.step_cm = 500.0;
        const sim::Maxima markers = simulate(sim::map_null_scan(map, tail, rate), 4000, 1);
        const sim::Maxima whole =
            simulate(sim::map_null_scan(map, tail, rate, continuous), 4000, 1);
        const sim::Maxima at_step = simulate(sim::map_null_scan(map, tail, rate, stepped), 4000, 2);
        const sim::Maxima at_step_1 =
            simulate(sim::map_null_scan(map, tail, rate, stepped), 4000, 1);
        const sim::Maxima far = simulate(sim::map_null_scan(map, tail, rate, beyond), 4000, 2);
        ASSERT_EQ(markers.statistic().size(), whole.statistic().size());
        std::size_t above = 0;
        for (std::size_t i = 0; i < markers.statistic().size(); ++i) {
            EXPECT_GE(at_step.statistic()[i], markers.statistic()[i]);
            // The 2-df continuous grid need not hold every pseudomarker.
            if (tail != Tail::two_df) {
                EXPECT_GE(whole.statistic()[i],
                          at_step.statistic()[i] - 1e-12 * std::fabs(at_step.statistic()[i]));
            }
            EXPECT_GE(whole.statistic()[i], markers.statistic()[i]);
            EXPECT_EQ(at_step.statistic()[i], at_step_1.statistic()[i]);
            EXPECT_EQ(far.statistic()[i], markers.statistic()[i]);
            above += whole.statistic()[i] > markers.statistic()[i];
        }
        EXPECT_GT(above, markers.statistic().size() / 8) << static_cast<int>(tail);
    }
}

TEST(IntervalScanSimulation, RefusedScans) {
    sim::IntervalMapping continuous;
    continuous.kind = sim::ScanKind::continuous;
    sim::IntervalMapping bad_step;
    bad_step.kind = sim::ScanKind::pseudomarkers;
    bad_step.step_cm = 0.0;
    EXPECT_THROW(sim::even_null_scan(16, 20, 0, Tail::two_sided, 1.0, continuous),
                 std::invalid_argument);
    EXPECT_THROW(sim::even_null_scan(16, 20, 10, Tail::two_sided, 1.0, bad_step),
                 std::invalid_argument);
    bad_step.step_cm = std::nan("");
    EXPECT_THROW(sim::even_null_scan(16, 20, 10, Tail::two_sided, 1.0, bad_step),
                 std::invalid_argument);
}

}  // namespace
