// The simulated power of a scan under a QTL: against exact probabilities of
// small scans (tools/power_simulation_references.py, mpmath, stored in
// power_references.tsv), against the null simulation when the QTL has no
// effect, the streams of a seed whatever the threads, stopping, progress and
// bad arguments.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "simulation/null_scan.h"
#include "support/tsv.h"

namespace {

namespace sim = lodthresh::simulation;
using lodthresh::Tail;

// Tolerance of the checks against exact probabilities, in standard errors.
constexpr double kSigmas = 4.0;
constexpr double kTwoLn10 = 4.605170185988091368;

Tail tail_of(const std::string& name) {
    if (name == "one_sided") {
        return Tail::one_sided;
    }
    if (name == "two_sided") {
        return Tail::two_sided;
    }
    EXPECT_EQ(name, "two_df");
    return Tail::two_df;
}

sim::QtlPlacement placement_of(const std::string& name) {
    EXPECT_TRUE(name == "uniform" || name == "at_marker") << name;
    return name == "uniform" ? sim::QtlPlacement::uniform : sim::QtlPlacement::at_marker;
}

// Chromosomes as the reference table writes them: ';' between chromosomes,
// ',' between distances, "dxN" for N equal distances, "-" for one marker.
std::vector<std::vector<double>> chromosomes_of(const std::string& text) {
    std::vector<std::vector<double>> chromosomes;
    std::istringstream all(text);
    for (std::string chromosome; std::getline(all, chromosome, ';');) {
        chromosomes.emplace_back();
        if (chromosome == "-") {
            continue;
        }
        std::istringstream items(chromosome);
        for (std::string item; std::getline(items, item, ',');) {
            const std::size_t x = item.find('x');
            const double d = std::stod(item.substr(0, x));
            const std::size_t count = x == std::string::npos ? 1 : std::stoul(item.substr(x + 1));
            chromosomes.back().insert(chromosomes.back().end(), count, d);
        }
    }
    return chromosomes;
}

sim::PowerEstimate power_of(const sim::NullScan& scan, double t, sim::QtlEffect effect,
                            sim::QtlPlacement placement, std::uint64_t replicates,
                            std::uint64_t seed, unsigned threads = 1) {
    sim::Control control;
    control.seed = seed;
    control.threads = threads;
    sim::PowerEstimate estimate{};
    EXPECT_TRUE(sim::simulate_power(scan, t, effect, placement, replicates, control, estimate));
    return estimate;
}

// Every reference row: one marker (the normal probability, the noncentral
// chi-square of 2 df), two markers (a bivariate normal probability), markers
// independent in the statistic's units (the means' recomputation along a long
// chromosome and across a gap), genomes of unequal chromosomes (the QTL's
// chromosome by markers or by length); within kSigmas standard errors.
TEST(PowerSimulationExact, AgainstReferenceProbabilities) {
    const auto rows = lodthresh::testing::read_tsv(LODTHRESH_POWER_REFERENCES);
    ASSERT_GE(rows.size(), 30u);
    std::uint64_t seed = 100;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 9u);
        const sim::NullScan scan{tail_of(row[1]), std::stod(row[2]), chromosomes_of(row[7]), false};
        const std::uint64_t replicates = row[0] == "independent" ? 100000 : 200000;
        const sim::PowerEstimate estimate =
            power_of(scan, std::stod(row[6]), {std::stod(row[4]), std::stod(row[5])},
                     placement_of(row[3]), replicates, ++seed);
        const double exact = std::stod(row[8]);
        EXPECT_EQ(estimate.replicates, replicates);
        EXPECT_NEAR(estimate.power, exact, kSigmas * estimate.se)
            << row[0] << " " << row[1] << " " << row[3] << " " << row[7] << " xi " << row[4];
    }
}

// The estimate's own fields: power = hits / N, se = sqrt(p (1 - p) / N), no
// subgrid off the dense map.
TEST(PowerSimulationEstimate, FieldsOfTheEstimate) {
    const sim::NullScan scan = sim::even_null_scan(16, 20, 5, Tail::two_sided, 1);
    const sim::PowerEstimate estimate =
        power_of(scan, 13.8, {3, 0}, sim::QtlPlacement::uniform, 10001, 7);
    EXPECT_EQ(estimate.replicates, 10001u);
    EXPECT_DOUBLE_EQ(estimate.power, static_cast<double>(estimate.hits) / 10001.0);
    EXPECT_DOUBLE_EQ(estimate.se, std::sqrt(estimate.power * (1 - estimate.power) / 10001.0));
    EXPECT_EQ(estimate.coarse_hits, 0u);
    EXPECT_GT(estimate.power, 0.2);
    EXPECT_LT(estimate.power, 0.9);
}

// Without effect a replicate is the null chain of one chromosome: the power
// is the null's chance that one chromosome's maximum reaches T, the null
// simulation's level on a genome of that chromosome alone. The dense map's
// extrapolations alike.
TEST(PowerSimulationNull, NoEffectIsTheNullCrossingOfOneChromosome) {
    struct Row {
        Tail tail;
        double rate;
        double spacing_cm;
        double t;
        std::uint64_t replicates;
    };
    const Row rows[] = {
        {Tail::one_sided, 2, 5, 9, 100000},  {Tail::one_sided, 2, 1, 11, 100000},
        {Tail::two_sided, 1, 5, 10, 100000}, {Tail::two_df, 1.5, 5, 12, 100000},
        {Tail::two_df, 1.5, 10, 8, 100000},  {Tail::one_sided, 2, 0, 9, 20000},
        {Tail::two_sided, 1, 0, 10, 20000},
    };
    std::uint64_t seed = 500;
    for (const Row& row : rows) {
        const sim::NullScan genome =
            sim::even_null_scan(16, 20, row.spacing_cm, row.tail, row.rate);
        const sim::NullScan one = sim::even_null_scan(0.8, 1, row.spacing_cm, row.tail, row.rate);
        ASSERT_EQ(one.chromosomes[0], genome.chromosomes[0]);
        const sim::PowerEstimate power =
            power_of(genome, row.t, {0, 0}, sim::QtlPlacement::uniform, row.replicates, ++seed);
        sim::Control control;
        control.seed = ++seed;
        sim::Maxima maxima;
        ASSERT_TRUE(sim::simulate(one, row.replicates, control, maxima));
        const sim::Estimate level = sim::simulated_level(maxima, row.t / kTwoLn10);
        EXPECT_NEAR(power.power, level.value,
                    kSigmas * std::sqrt(power.se * power.se + level.se * level.se))
            << static_cast<int>(row.tail) << " " << row.spacing_cm << " " << row.t;
        EXPECT_EQ(power.coarse_hits > 0, row.spacing_cm == 0);
    }
}

// The dense map's power on its grid and subgrid: the subgrid's maxima are at
// most the grid's, so its hits too, and the extrapolation lies above the
// grid's own power (the continuum's maximum is above any grid's).
TEST(PowerSimulationDense, ExtrapolatedAboveTheGrid) {
    const sim::NullScan scan = sim::even_null_scan(16, 20, 0, Tail::one_sided, 2);
    const sim::PowerEstimate estimate =
        power_of(scan, 13.8, {3.5, 0}, sim::QtlPlacement::uniform, 20000, 11);
    EXPECT_LE(estimate.coarse_hits, estimate.hits);
    EXPECT_GE(estimate.power, static_cast<double>(estimate.hits) / 20000.0);
    EXPECT_GT(estimate.se, 0);
}

// The extrapolation to the continuum does not depend on the grid it starts
// from: the dense map's power from kDenseGrid and from a grid four times
// finer agree within their standard errors (independent seeds), where the
// grid's own power falls short of the finer extrapolation.
TEST(PowerSimulationDense, ExtrapolationAgreesWithAFinerGrid) {
    struct Row {
        Tail tail;
        double rate;
        sim::QtlEffect effect;
        double t;
    };
    for (const Row& row :
         {Row{Tail::one_sided, 2, {3, 0}, 13.8}, Row{Tail::two_df, 1.5, {3, 2}, 17.3}}) {
        const sim::NullScan coarse =
            sim::dense_null_scan(0.8, 1, row.tail, row.rate, sim::kDenseGrid);
        const sim::NullScan fine =
            sim::dense_null_scan(0.8, 1, row.tail, row.rate, sim::kDenseGrid / 4);
        const sim::PowerEstimate from_coarse =
            power_of(coarse, row.t, row.effect, sim::QtlPlacement::uniform, 40000, 21);
        const sim::PowerEstimate from_fine =
            power_of(fine, row.t, row.effect, sim::QtlPlacement::uniform, 20000, 22, 2);
        const double se = std::sqrt(from_coarse.se * from_coarse.se + from_fine.se * from_fine.se);
        EXPECT_NEAR(from_coarse.power, from_fine.power, kSigmas * se);
        EXPECT_LT(static_cast<double>(from_coarse.hits) / 40000.0, from_fine.power);
    }
}

// With the same seed the same normal deviates and QTLs enter every run, and a
// larger effect only raises the one-sided statistic at every marker: the hits
// never fall as xi grows or T falls.
TEST(PowerSimulationStreams, HitsRiseWithTheEffectAndFallWithTheThreshold) {
    const sim::NullScan scan = sim::even_null_scan(33, 23, 5, Tail::one_sided, 2);
    std::uint64_t previous = 0;
    for (double xi : {0.0, 1.0, 2.0, 3.0, 4.0, 6.0}) {
        const sim::PowerEstimate estimate =
            power_of(scan, 13.8, {xi, 0}, sim::QtlPlacement::uniform, 20000, 3);
        EXPECT_GE(estimate.hits, previous) << xi;
        previous = estimate.hits;
    }
    EXPECT_GT(previous, 19000u);
    previous = 20000;
    for (double t : {4.0, 9.0, 13.8, 20.0}) {
        const sim::PowerEstimate estimate =
            power_of(scan, t, {3, 0}, sim::QtlPlacement::uniform, 20000, 3);
        EXPECT_LE(estimate.hits, previous) << t;
        previous = estimate.hits;
    }
}

// The same seed gives the same estimate, bit for bit, on 1, 2 and 4 threads:
// blocks of replicates, not threads, own the streams. Another seed another.
TEST(PowerSimulationStreams, SameSeedSameEstimateOnAnyThreads) {
    struct Row {
        sim::NullScan scan;
        sim::QtlEffect effect;
        sim::QtlPlacement placement;
        double t;
        std::uint64_t replicates;
    };
    const Row rows[] = {
        {sim::even_null_scan(16, 20, 10, Tail::two_df, 1.5),
         {3, 2},
         sim::QtlPlacement::uniform,
         16.1,
         50000},
        {sim::NullScan{Tail::one_sided, 2, {{0.1, 0.2, 0.05}, {}, {0.3, 0.3}, {0.01}}, false},
         {3, 0},
         sim::QtlPlacement::at_marker,
         9,
         200000},
        {sim::even_null_scan(2, 2, 0, Tail::two_sided, 1),
         {3, 0},
         sim::QtlPlacement::uniform,
         12,
         3000},
    };
    for (const Row& row : rows) {
        const sim::PowerEstimate one =
            power_of(row.scan, row.t, row.effect, row.placement, row.replicates, 1234);
        for (unsigned threads : {2u, 4u}) {
            const sim::PowerEstimate many =
                power_of(row.scan, row.t, row.effect, row.placement, row.replicates, 1234, threads);
            EXPECT_EQ(many.hits, one.hits) << threads;
            EXPECT_EQ(many.coarse_hits, one.coarse_hits) << threads;
            EXPECT_EQ(many.power, one.power) << threads;
            EXPECT_EQ(many.se, one.se) << threads;
        }
        const sim::PowerEstimate other =
            power_of(row.scan, row.t, row.effect, row.placement, row.replicates, 1235);
        EXPECT_NE(other.hits, one.hits);
    }
}

TEST(PowerSimulationControl, StopsWhenAsked) {
    std::atomic<bool> stop{true};
    sim::Control control;
    control.stop = &stop;
    sim::PowerEstimate estimate{};
    EXPECT_FALSE(sim::simulate_power(sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 13.8,
                                     {3, 0}, sim::QtlPlacement::uniform, 1000, control, estimate));
}

// Stopped from the progress callback mid-run: a long run returns false at the
// next chunk of markers instead of finishing.
TEST(PowerSimulationControl, StopsMidRun) {
    std::atomic<bool> stop{false};
    sim::Control control;
    control.threads = 2;
    control.stop = &stop;
    std::uint64_t last = 0;
    control.progress = [&](std::uint64_t done) {
        last = done;
        stop = true;
    };
    sim::PowerEstimate estimate{};
    constexpr std::uint64_t kReplicates = 50'000'000;
    EXPECT_FALSE(sim::simulate_power(sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 13.8,
                                     {3, 0}, sim::QtlPlacement::uniform, kReplicates, control,
                                     estimate));
    EXPECT_LT(last, kReplicates);
}

TEST(PowerSimulationControl, ProgressRunsUpToTheTotal) {
    sim::Control control;
    control.threads = 2;
    std::vector<std::uint64_t> seen;
    control.progress = [&](std::uint64_t done) { seen.push_back(done); };
    sim::PowerEstimate estimate{};
    ASSERT_TRUE(sim::simulate_power(sim::even_null_scan(16, 20, 5, Tail::two_sided, 1), 12, {3, 0},
                                    sim::QtlPlacement::uniform, 200000, control, estimate));
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LE(seen[i - 1], seen[i]);
    }
    EXPECT_EQ(seen.back(), 200000u);
}

// Every refusal, with the value or the reason in its message.
TEST(PowerSimulationErrors, BadArguments) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const sim::NullScan good = sim::even_null_scan(1, 1, 10, Tail::one_sided, 1);
    const auto refused = [](const sim::NullScan& scan, double t, sim::QtlEffect effect,
                            sim::QtlPlacement placement, std::uint64_t replicates, unsigned threads,
                            const std::string& shown) {
        sim::Control control;
        control.threads = threads;
        sim::PowerEstimate estimate{};
        try {
            sim::simulate_power(scan, t, effect, placement, replicates, control, estimate);
            ADD_FAILURE() << "accepted: " << shown;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(shown), std::string::npos) << e.what();
        }
    };
    const auto uniform = sim::QtlPlacement::uniform;
    for (double t : {0.0, -1.0, kInf, kNaN}) {
        refused(good, t, {1, 0}, uniform, 10, 1, "threshold T");
    }
    refused(good, 1e300 * 1e10, {1, 0}, uniform, 10, 1, "not inf");
    for (double xi : {-1.0, kInf, kNaN, -0.0 - 1e-300}) {
        refused(good, 9, {xi, 0}, uniform, 10, 1, "noncentrality");
        refused(good, 9, {0, xi}, uniform, 10, 1, "noncentrality");
    }
    refused(good, 9, {-2, 0}, uniform, 10, 1, "not -2");
    refused(good, 9, {1, 0}, uniform, 0, 1, "replicates");
    refused(good, 9, {1, 0}, uniform, 10, 0, "threads");
    for (double rate : {0.0, -1.0, kInf, kNaN}) {
        refused(sim::NullScan{Tail::one_sided, rate, {{0.1}}, false}, 9, {1, 0}, uniform, 10, 1,
                "cross-over rate");
    }
    refused(sim::NullScan{Tail::one_sided, 1, {}, false}, 9, {1, 0}, uniform, 10, 1,
            "at least one chromosome");
    refused(sim::NullScan{Tail::one_sided, 1, {{-0.1}}, false}, 9, {1, 0}, uniform, 10, 1,
            "distances");
    refused(sim::NullScan{Tail::one_sided, 1, {{kInf}}, false}, 9, {1, 0}, uniform, 10, 1,
            "distances");
    refused(sim::NullScan{Tail::one_sided, 1, {{0.1, 0.1}}, true}, 9, {1, 0}, uniform, 10, 1,
            "divisible by 4");
    refused(sim::even_null_scan(1, 1, 0, Tail::one_sided, 1), 9, {1, 0},
            sim::QtlPlacement::at_marker, 10, 1, "dense map");
    refused(sim::even_null_scan(1, 1, 10, Tail::one_sided, 1,
                                {sim::ScanKind::continuous, 0, sim::kIntervalGridCm}),
            9, {1, 0}, uniform, 10, 1, "interval mapping");
    refused(sim::even_null_scan(1, 1, 10, Tail::two_sided, 1,
                                {sim::ScanKind::pseudomarkers, 1, sim::kIntervalGridCm}),
            9, {1, 0}, uniform, 10, 1, "interval mapping");
}

}  // namespace
