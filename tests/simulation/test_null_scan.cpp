// The null scan: its markers, the AR(1) chains along them, the streams of a
// seed whatever the threads, stopping, progress and bad arguments.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "simulation/null_scan.h"

namespace {

namespace sim = lodthresh::simulation;
using lodthresh::Tail;

// Tolerance of every statistical check in standard errors (two-sided normal
// tail 2e-9 per check).
constexpr double kSigmas = 6.0;
constexpr double kPi = 3.14159265358979323846;

sim::NullScan one_interval(double distance, Tail tail, double rate) {
    return sim::NullScan{tail, rate, {{distance}}, false};
}

double mean_of(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x) {
        sum += v;
    }
    return sum / static_cast<double>(x.size());
}

TEST(NullScanMarkers, EvenSpacing) {
    struct Row {
        double length, chromosomes, spacing_cm;
        std::size_t steps;  // ceil(100 L / s) per chromosome
    };
    const Row rows[] = {
        {33, 23, 1, 144},                                    // L = 1.4348 M
        {33, 23, 10, 15}, {33, 23, 20, 8}, {16, 20, 1, 80},  // 100 * 0.8 / 1 is exactly 80
        {1, 1, 1, 100},   {1, 1, 150, 1},  {3, 3, 0.5, 200},
    };
    for (const Row& row : rows) {
        const sim::NullScan scan =
            sim::even_null_scan(row.length, row.chromosomes, row.spacing_cm, Tail::one_sided, 2);
        ASSERT_EQ(scan.chromosomes.size(), static_cast<std::size_t>(row.chromosomes));
        EXPECT_FALSE(scan.dense);
        for (const auto& chromosome : scan.chromosomes) {
            ASSERT_EQ(chromosome.size(), row.steps) << row.length << " " << row.spacing_cm;
            EXPECT_DOUBLE_EQ(chromosome[0] * static_cast<double>(row.steps),
                             row.length / row.chromosomes);
        }
        EXPECT_EQ(sim::markers(scan),
                  static_cast<std::uint64_t>(row.chromosomes) * (row.steps + 1));
    }
}

TEST(NullScanMarkers, DenseGridInGroupsOfFour) {
    // 4 rho delta <= kDenseGrid with rho the fastest component's rate.
    struct Row {
        Tail tail;
        double rate;
        double fastest;
    };
    for (const Row& row :
         {Row{Tail::one_sided, 2, 2}, Row{Tail::two_sided, 1, 1}, Row{Tail::two_df, 1.5, 2}}) {
        const sim::NullScan scan = sim::even_null_scan(16, 20, 0, row.tail, row.rate);
        EXPECT_TRUE(scan.dense);
        for (const auto& chromosome : scan.chromosomes) {
            EXPECT_EQ(chromosome.size() % 4, 0u);
            EXPECT_LE(4 * row.fastest * chromosome[0], sim::kDenseGrid * (1 + 1e-12));
            EXPECT_GT(4 * row.fastest * chromosome[0], sim::kDenseGrid * 0.99);
        }
    }
}

TEST(NullScanMarkers, GeneticMap) {
    lodthresh::GeneticMap map;
    map.chromosomes = {{"1", {0.0, 0.1, 0.1, 0.35}}, {"X", {0.2}}};
    const sim::NullScan scan = sim::map_null_scan(map, Tail::two_df, 1.5);
    ASSERT_EQ(scan.chromosomes.size(), 2u);
    ASSERT_EQ(scan.chromosomes[0].size(), 3u);
    EXPECT_DOUBLE_EQ(scan.chromosomes[0][0], 0.1);
    EXPECT_EQ(scan.chromosomes[0][1], 0.0);  // two markers at one position
    EXPECT_DOUBLE_EQ(scan.chromosomes[0][2], 0.25);
    EXPECT_TRUE(scan.chromosomes[1].empty());  // one marker, which still counts
    EXPECT_EQ(sim::markers(scan), 2u * 5u);    // two components
    EXPECT_EQ(sim::bytes_per_replicate(scan), 8u);
    EXPECT_EQ(sim::bytes_per_replicate(sim::even_null_scan(16, 20, 0, Tail::two_df, 1.5)), 16u);
}

// Two markers d apart: max(Z_0, Z_1) has mean sqrt((1 - r) / pi) and variance
// 1 - (1 - r) / pi with r = exp(-2 rho d), and max(Z_0^2, Z_1^2) has mean
// 1 + (2 / pi) sqrt(1 - r^2) (Z_0^2 - Z_1^2 is the product of the independent
// Z_0 -+ Z_1). The lag-one correlation read back from each is r within its
// standard error.
TEST(NullScanChain, LagOneCorrelation) {
    struct Row {
        double rate, distance;
    };
    constexpr std::uint64_t kReplicates = 1'000'000;
    for (const Row& row : {Row{2, 0.01}, Row{1, 0.1}, Row{1.5, 0.5}, Row{0.5, 0.02}}) {
        const double r = std::exp(-2 * row.rate * row.distance);
        sim::Maxima one;
        ASSERT_TRUE(sim::simulate(one_interval(row.distance, Tail::one_sided, row.rate),
                                  kReplicates, sim::Control{}, one));
        const double m = mean_of(one.statistic());
        const double se_m = std::sqrt((1 - (1 - r) / kPi) / kReplicates);
        // r = 1 - pi m^2, so se(r) = 2 pi m se(m).
        EXPECT_NEAR(1 - kPi * m * m, r, kSigmas * 2 * kPi * m * se_m)
            << "one-sided, rho " << row.rate << ", d " << row.distance;

        sim::Maxima two;
        ASSERT_TRUE(sim::simulate(one_interval(row.distance, Tail::two_sided, row.rate),
                                  kReplicates, sim::Control{}, two));
        double sum = 0;
        double squares = 0;
        for (double x : two.statistic()) {
            sum += x;
            squares += x * x;
        }
        const double mean = sum / kReplicates;
        const double se = std::sqrt((squares / kReplicates - mean * mean) / kReplicates);
        EXPECT_NEAR(mean, 1 + 2 / kPi * std::sqrt(1 - r * r), kSigmas * se)
            << "two-sided, rho " << row.rate << ", d " << row.distance;
    }
}

// Chromosomes are independent: the maximum of C one-marker chromosomes is
// below 0 with probability 2^-C; and the two components of a 2-df statistic
// at one marker add to a chi-square with 2 df, above t with probability
// exp(-t / 2), so C such markers' maximum is below t with (1 - exp(-t/2))^C.
TEST(NullScanChain, ChromosomesAndComponentsAreIndependent) {
    constexpr std::uint64_t kReplicates = 400'000;
    for (std::size_t c : {1u, 3u, 5u}) {
        const sim::NullScan one_sided{Tail::one_sided, 1.0, std::vector<std::vector<double>>(c),
                                      false};
        sim::Maxima maxima;
        ASSERT_TRUE(sim::simulate(one_sided, kReplicates, sim::Control{}, maxima));
        double below = 0;
        for (double x : maxima.statistic()) {
            below += x < 0;
        }
        const double p = std::pow(0.5, static_cast<double>(c));
        EXPECT_NEAR(below / kReplicates, p, kSigmas * std::sqrt(p * (1 - p) / kReplicates)) << c;

        const sim::NullScan two_df{Tail::two_df, 1.0, std::vector<std::vector<double>>(c), false};
        ASSERT_TRUE(sim::simulate(two_df, kReplicates, sim::Control{}, maxima));
        constexpr double kT = 3.0;
        double under = 0;
        for (double x : maxima.statistic()) {
            under += x < kT;
        }
        const double q = std::pow(1 - std::exp(-kT / 2), static_cast<double>(c));
        EXPECT_NEAR(under / kReplicates, q, kSigmas * std::sqrt(q * (1 - q) / kReplicates)) << c;
    }
}

// The same seed gives the same maxima, bit for bit, on 1, 2 and 4 threads:
// blocks of replicates, not threads, own the streams.
TEST(NullScanStreams, SameSeedSameMaximaOnAnyThreads) {
    struct Row {
        sim::NullScan scan;
        std::uint64_t replicates;
    };
    const Row rows[] = {
        {sim::even_null_scan(16, 20, 10, Tail::two_df, 1.5), 5000},
        {sim::even_null_scan(33, 23, 5, Tail::one_sided, 2), 3001},
        {sim::even_null_scan(2, 2, 0, Tail::two_sided, 1), 300},
    };
    for (const Row& row : rows) {
        sim::Control control;
        control.seed = 1234;
        sim::Maxima one;
        ASSERT_TRUE(sim::simulate(row.scan, row.replicates, control, one));
        for (unsigned threads : {2u, 4u}) {
            control.threads = threads;
            sim::Maxima many;
            ASSERT_TRUE(sim::simulate(row.scan, row.replicates, control, many));
            EXPECT_TRUE(many == one) << threads << " threads";
        }
        control.seed = 1235;
        sim::Maxima other;
        ASSERT_TRUE(sim::simulate(row.scan, row.replicates, control, other));
        EXPECT_FALSE(other == one);
    }
}

// A run of n replicates is the start of any longer run of the same seed, so a
// simulation can be extended.
TEST(NullScanStreams, ShorterRunIsAPrefix) {
    const sim::NullScan scan = sim::even_null_scan(16, 20, 2, Tail::two_sided, 1);
    sim::Maxima shorter;
    sim::Maxima longer;
    ASSERT_TRUE(sim::simulate(scan, 1001, sim::Control{}, shorter));
    sim::Control two;
    two.threads = 2;
    ASSERT_TRUE(sim::simulate(scan, 5000, two, longer));
    const std::vector<double> prefix(longer.statistic().begin(), longer.statistic().begin() + 1001);
    EXPECT_EQ(prefix, shorter.statistic());
}

TEST(NullScanControl, StopsWhenAsked) {
    std::atomic<bool> stop{true};
    sim::Control control;
    control.stop = &stop;
    sim::Maxima maxima;
    EXPECT_FALSE(
        sim::simulate(sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 1000, control, maxima));
}

// Stopped from the progress callback mid-run: a run of some seconds returns
// false at the next block instead of finishing.
TEST(NullScanControl, StopsMidRun) {
    std::atomic<bool> stop{false};
    sim::Control control;
    control.threads = 2;
    control.stop = &stop;
    std::uint64_t last = 0;
    control.progress = [&](std::uint64_t done) {
        last = done;
        stop = true;
    };
    sim::Maxima maxima;
    constexpr std::uint64_t kReplicates = 2'000'000;
    EXPECT_FALSE(sim::simulate(sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), kReplicates,
                               control, maxima));
    EXPECT_LT(last, kReplicates);
}

TEST(NullScanControl, ProgressRunsUpToTheTotal) {
    sim::Control control;
    control.threads = 2;
    std::vector<std::uint64_t> seen;
    control.progress = [&](std::uint64_t done) { seen.push_back(done); };
    sim::Maxima maxima;
    ASSERT_TRUE(
        sim::simulate(sim::even_null_scan(16, 20, 5, Tail::two_sided, 1), 20000, control, maxima));
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LE(seen[i - 1], seen[i]);
    }
    EXPECT_EQ(seen.back(), 20000u);
}

TEST(NullScanControl, AvailableCpus) {
    EXPECT_GE(sim::available_cpus(), 1u);
}

TEST(NullScanErrors, BadArguments) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const sim::NullScan good = sim::even_null_scan(1, 1, 10, Tail::one_sided, 1);
    sim::Maxima maxima;
    sim::Control control;
    EXPECT_THROW(sim::simulate(good, 0, control, maxima), std::invalid_argument);
    control.threads = 0;
    EXPECT_THROW(sim::simulate(good, 10, control, maxima), std::invalid_argument);
    control.threads = 1;
    for (double rate : {0.0, -1.0, kInf, kNaN}) {
        EXPECT_THROW(sim::even_null_scan(1, 1, 1, Tail::one_sided, rate), std::invalid_argument)
            << rate;
        EXPECT_THROW(sim::simulate(sim::NullScan{Tail::one_sided, rate, {{0.1}}, false}, 10,
                                   control, maxima),
                     std::invalid_argument)
            << rate;
    }
    for (double spacing : {-1.0, kInf, kNaN}) {
        EXPECT_THROW(sim::even_null_scan(1, 1, spacing, Tail::one_sided, 1), std::invalid_argument)
            << spacing;
    }
    for (double length : {0.0, -1.0, kInf, kNaN}) {
        EXPECT_THROW(sim::even_null_scan(length, 1, 1, Tail::one_sided, 1), std::invalid_argument);
    }
    for (double chromosomes : {0.0, 1.5, -2.0, kNaN, 2e6}) {
        EXPECT_THROW(sim::even_null_scan(10, chromosomes, 1, Tail::one_sided, 1),
                     std::invalid_argument);
    }
    // Messages show the value as it reads back, however large or small.
    for (const auto& [chromosomes, shown] :
         {std::pair{1e300, "not 1e+300"}, std::pair{0.1, "not 0.1"}, std::pair{kNaN, "not nan"},
          std::pair{1.0000000000000002, "not 1.0000000000000002"}}) {
        try {
            sim::even_null_scan(10, chromosomes, 1, Tail::one_sided, 1);
            ADD_FAILURE() << shown;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(shown), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(sim::dense_null_scan(1, 1, Tail::one_sided, 1, 0), std::invalid_argument);
    // So fine a grid that a chromosome would need more than 2^31 markers.
    EXPECT_THROW(sim::dense_null_scan(1, 1, Tail::one_sided, 1, 1e-12), std::invalid_argument);
    EXPECT_THROW(sim::even_null_scan(1e6, 1, 1e-5, Tail::one_sided, 1), std::invalid_argument);
    // No chromosome; a negative or infinite distance; a dense grid not in fours.
    EXPECT_THROW(sim::simulate(sim::NullScan{Tail::one_sided, 1, {}, false}, 10, control, maxima),
                 std::invalid_argument);
    EXPECT_THROW(
        sim::simulate(sim::NullScan{Tail::one_sided, 1, {{-0.1}}, false}, 10, control, maxima),
        std::invalid_argument);
    EXPECT_THROW(
        sim::simulate(sim::NullScan{Tail::one_sided, 1, {{kInf}}, false}, 10, control, maxima),
        std::invalid_argument);
    EXPECT_THROW(
        sim::simulate(sim::NullScan{Tail::one_sided, 1, {{0.1, 0.1}}, true}, 10, control, maxima),
        std::invalid_argument);
    // Maxima beyond the memory bound: 2 GiB / 8 bytes + 1 replicates.
    EXPECT_THROW(sim::simulate(good, sim::kMemoryBound / 8 + 1, control, maxima),
                 std::invalid_argument);
}

TEST(NullScanErrors, BadMaps) {
    lodthresh::GeneticMap empty;
    EXPECT_THROW(sim::map_null_scan(empty, Tail::one_sided, 1), std::invalid_argument);
    lodthresh::GeneticMap no_marker;
    no_marker.chromosomes = {{"1", {}}};
    EXPECT_THROW(sim::map_null_scan(no_marker, Tail::one_sided, 1), std::invalid_argument);
    lodthresh::GeneticMap decreasing;
    decreasing.chromosomes = {{"1", {0.2, 0.1}}};
    EXPECT_THROW(sim::map_null_scan(decreasing, Tail::one_sided, 1), std::invalid_argument);
    lodthresh::GeneticMap infinite;
    infinite.chromosomes = {{"1", {0.0, std::numeric_limits<double>::infinity()}}};
    EXPECT_THROW(sim::map_null_scan(infinite, Tail::one_sided, 1), std::invalid_argument);
}

}  // namespace
