// Thresholds and p-values for a cross of n individuals (--individuals): the
// large-sample row's pointwise level through the F distribution.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace lodthresh {
namespace {

TEST(Individuals, AUsageErrorNamesTheOptionAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--individuals", "100"}, "--individuals: only with --design, --tail, --spacing or --map"},
        {{"--design", "sibs", "--individuals", "100"},
         "--individuals: applies to regression LOD scores of crosses (two-sided and 2df tests), "
         "not to the one-sided design sibs"},
        {{"-r", "2", "--tail", "one-sided", "--individuals", "100"},
         "--individuals: applies to regression LOD scores of crosses (two-sided and 2df tests), "
         "not to the one-sided design of rate 2"},
        {{"--design", "intercross", "--individuals", "3"},
         "--individuals: '3' individuals leave no residual degree of freedom for the 2df test of "
         "intercross (at least 4)"},
        {{"--design", "backcross", "--individuals", "0"}, "--individuals: '0' is not at least 1"},
        {{"--design", "backcross", "--individuals", "1.5"},
         "--individuals: '1.5' is not a whole number"},
        {{"--spacing", "1", "--individuals", "100", "--batch", "-"},
         "--individuals: not with --batch, whose lines may name designs of any test"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// The field follows the rate; the nominal level is the large-sample row's;
// the LOD score rises as n falls and tends to the large-sample one.
TEST(Individuals, KeepTheNominalLevelAndTendToTheLargeSampleLod) {
    const std::vector<std::string> genome = {
        "-G", "16", "-C", "20", "--design", "backcross,intercross", "--spacing", "5", "-f", "tsv"};
    const auto large = table(run_cli(genome).out);
    ASSERT_EQ(large.size(), 3u);
    std::vector<double> previous = {INFINITY, INFINITY};
    for (const char* n : {"50", "120", "400", "100000000"}) {
        std::vector<std::string> arguments = genome;
        arguments.insert(arguments.end(), {"--individuals", n});
        const Outcome o = run_cli(arguments);
        ASSERT_EQ(o.status, 0) << o.err;
        const auto rows = table(o.out);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][6], "individuals");
        for (std::size_t r = 1; r < 3; ++r) {
            EXPECT_EQ(std::stod(rows[r][6]), std::stod(n));
            EXPECT_EQ(rows[r][10], large[r][9]);  // nominal_alpha
            const double lod = std::stod(rows[r][11]);
            const double large_lod = std::stod(large[r][10]);
            EXPECT_GT(lod, large_lod) << n;
            EXPECT_LT(lod, previous[r - 1]) << n;
            previous[r - 1] = lod;
        }
    }
    // 10^8 individuals: within the O(1/n) of the chi-square limit.
    EXPECT_NEAR(previous[0], std::stod(large[1][10]), 1e-5);
    EXPECT_NEAR(previous[1], std::stod(large[2][10]), 1e-5);
}

// A threshold row's LOD for n individuals, as a peak of n individuals, has
// the row's level as its expected number of peaks.
TEST(Individuals, APeakAtTheThresholdGivesBackItsLevel) {
    for (const char* design : {"backcross", "intercross"}) {
        const auto threshold =
            table(run_cli({"-G", "16", "-C", "20", "--design", design, "--spacing", "10",
                           "--individuals", "120", "-a", "0.05", "-f", "tsv"})
                      .out);
        ASSERT_EQ(threshold.size(), 2u);
        const auto p =
            table(run_cli({"-G", "16", "-C", "20", "--design", design, "--spacing", "10",
                           "--individuals", "120", "--lod", threshold[1][11], "-f", "tsv"})
                      .out);
        ASSERT_EQ(p.size(), 2u);
        EXPECT_EQ(p[0][6], "individuals");
        EXPECT_NEAR(std::stod(p[1][11]) / 0.05, 1.0, 1e-10) << design;
        EXPECT_NEAR(std::stod(p[1][10]), std::stod(threshold[1][10]), 1e-10 * std::stod(p[1][10]));
    }
}

// The simulated threshold converts as the formula's; the simulated level of
// the row's threshold is the large-sample row's.
TEST(Individuals, TheSimulationConvertsEachMaximum) {
    const std::vector<std::string> base = {"-G",         "16",        "-C",        "20",
                                           "--design",   "backcross", "--spacing", "10",
                                           "--simulate", "20000",     "-f",        "tsv"};
    std::vector<std::string> cross = base;
    cross.insert(cross.end(), {"--individuals", "120"});
    const auto large = table(run_cli(base).out);
    const auto rows = table(run_cli(cross).out);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(large.size(), 2u);
    // sim_level and its standard error: the same replicates, the same comparison.
    EXPECT_EQ(rows[1][14], large[1][13]);
    EXPECT_EQ(rows[1][15], large[1][14]);
    // sim_lod moves with lod by about the same amount.
    const double shift = std::stod(rows[1][11]) - std::stod(large[1][10]);
    EXPECT_NEAR(std::stod(rows[1][12]) - std::stod(large[1][11]), shift, 0.01);
}

}  // namespace
}  // namespace lodthresh
