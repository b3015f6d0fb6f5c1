// Power rows (--pve, --noncentrality, --target-power): their usage errors, their
// fields and order, and the relations between them that any correct power
// calculation keeps: monotone in the effect and the level, and the solved
// individuals, shares and noncentralities as the inverses of the power.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "support/tsv.h"

namespace lodthresh {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The mouse genome of the README's table: 16 Morgan on 20 chromosomes.
const std::vector<std::string> kMouse = {"-G", "16", "-C", "20", "-f", "tsv"};

Rows power_rows(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kMouse.begin(), kMouse.end());
    const Outcome o = run_cli(arguments);
    EXPECT_EQ(o.status, 0) << o.err;
    return table(o.out);
}

// The column of that name in a table's header.
std::size_t column(const Rows& rows, const std::string& name) {
    for (std::size_t i = 0; i < rows.front().size(); ++i) {
        if (rows.front()[i] == name) {
            return i;
        }
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
}

double number(const Rows& rows, std::size_t row, const std::string& name) {
    return std::stod(rows[row][column(rows, name)]);
}

TEST(PowerRows, AUsageErrorNamesTheOptionAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--pve", "0.1"}, "--pve: only with --design, --tail, --spacing or --map"},
        {{"--design", "backcross", "--pve", "0.1"},
         "--pve: needs --individuals, or --target-power for the individuals that reach it"},
        {{"--design", "backcross", "--pve", "1", "--individuals", "100"},
         "--pve: '1' is not between 0 and 1"},
        {{"--design", "backcross", "--pve", "0", "--individuals", "100"},
         "--pve: '0' is not between 0 and 1"},
        {{"--design", "backcross", "--pve", "nan", "--individuals", "100"},
         "--pve: 'nan' is not a finite number"},
        {{"--design", "sibs", "--pve", "0.1", "--target-power", "0.8"},
         "--pve: applies to crosses (two-sided and 2df tests), not to the one-sided design sibs: "
         "give its --noncentrality"},
        {{"--design", "backcross", "--noncentrality", "0"}, "--noncentrality: '0' is not above 0"},
        {{"--design", "backcross", "--noncentrality", "-1"},
         "--noncentrality: '-1' is not above 0"},
        {{"--design", "backcross", "--noncentrality", "3", "--pve", "0.1", "--individuals", "100"},
         "--noncentrality: not with --pve, which gives it with --individuals"},
        {{"--design", "backcross", "--target-power", "1"},
         "--target-power: '1' is not between 0 and 1"},
        {{"--design", "backcross", "--target-power", "0.8", "--pve", "0.1", "--individuals", "100"},
         "--target-power: not with both --pve and --individuals: it solves for the one not given"},
        {{"--design", "backcross", "--target-power", "0.8", "--noncentrality", "3"},
         "--target-power: not with --noncentrality, which it solves for"},
        {{"--design", "intercross", "--dominance", "1"},
         "--dominance: only with --pve, --noncentrality or --target-power"},
        {{"--design", "backcross", "--noncentrality", "3", "--dominance", "1"},
         "--dominance: only with the intercross designs (2df, intercross-additive, "
         "intercross-dominance), not with backcross"},
        {{"--design", "intercross", "--noncentrality", "3", "--dominance", "inf"},
         "--dominance: 'inf' is not a finite number"},
        {{"--design", "backcross", "--noncentrality", "3", "--lod", "3"},
         "--lod: not with power rows (--pve, --noncentrality, --target-power)"},
        {{"--design", "backcross", "--spacing", "5", "--noncentrality", "3", "--scan", "interval"},
         "--scan: interval: not with power rows (--pve, --noncentrality, --target-power), whose "
         "scan is at the markers"},
        {{"--design", "backcross", "--individuals", "100,200"},
         "--individuals: '100,200': a list of individuals only with power rows (--pve, "
         "--noncentrality or --target-power)"},
        {{"--design", "backcross", "--individuals", "100,x", "--noncentrality", "3"},
         "--individuals: 'x' is not a whole number"},
        {{"--target-power", "0.8"},
         "--target-power: only with --design, --tail, --spacing or --map"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// Every field in its order; the effect options vary fastest, in the order
// individuals, pve, dominance, noncentrality, target power, after the level
// and the spacing.
TEST(PowerRows, HaveTheirFieldsAndVaryTheEffectsFastest) {
    const Rows rows =
        power_rows({"--design", "intercross", "-a", "0.05,0.01", "--spacing", "5,10",
                    "--individuals", "100,200", "--pve", "0.05,0.1", "--dominance", "0,1"});
    ASSERT_EQ(rows.size(), 1u + 2 * 2 * 2 * 2 * 2);
    const std::vector<std::string> header = {
        "length",       "chromosomes", "map",           "design", "tail",      "rate",
        "individuals",  "alpha",       "spacing_cm",    "pve",    "dominance", "noncentrality",
        "target_power", "status",      "nominal_alpha", "lod",    "power",     "power_at_marker"};
    EXPECT_EQ(rows[0], header);
    std::size_t r = 1;
    for (const char* alpha : {"0.05", "0.01"}) {
        for (const char* spacing : {"5", "10"}) {
            for (const char* n : {"100", "200"}) {
                for (const char* pve : {"0.05", "0.1"}) {
                    for (const char* k : {"0", "1"}) {
                        EXPECT_EQ(rows[r][7], alpha);
                        EXPECT_EQ(rows[r][8], spacing);
                        EXPECT_EQ(rows[r][6], n);
                        EXPECT_EQ(rows[r][9], pve);
                        EXPECT_EQ(rows[r][10], k);
                        EXPECT_EQ(rows[r][12], "");  // no target power
                        EXPECT_EQ(rows[r][13], "ok");
                        // xi^2 = -n ln(1 - H)
                        EXPECT_NEAR(std::stod(rows[r][11]),
                                    std::sqrt(-std::stod(n) * std::log(1 - std::stod(pve))), 1e-12);
                        ++r;
                    }
                }
            }
        }
    }
    // A design without the F2's components has no dominance; a dense map no
    // power at a marker; with --simulate the simulated power follows.
    const Rows dense =
        power_rows({"--design", "backcross", "--noncentrality", "4", "--simulate", "100"});
    ASSERT_EQ(dense.size(), 2u);
    EXPECT_EQ(dense[0].back(), "sim_power_se");
    EXPECT_EQ(dense[1][column(dense, "dominance")], "");
    EXPECT_EQ(dense[1][column(dense, "individuals")], "");
    EXPECT_EQ(dense[1][column(dense, "power_at_marker")], "");
    EXPECT_NE(dense[1][column(dense, "sim_power")], "");
}

// Power grows with the noncentrality, the individuals and the share of
// variance, and falls with the level; the QTL at a marker is the best case.
TEST(PowerRows, PowerIsMonotoneInTheEffectAndTheLevel) {
    for (const char* design : {"backcross", "intercross", "sibs", "ril-sibmating"}) {
        const Rows by_xi = power_rows({"--design", design, "--spacing", "5", "-a", "0.1,0.05,0.01",
                                       "--noncentrality", "2,3,4,5,6"});
        ASSERT_EQ(by_xi.size(), 16u) << design;
        for (std::size_t a = 0; a < 3; ++a) {
            for (std::size_t x = 0; x < 5; ++x) {
                const std::size_t r = 1 + 5 * a + x;
                EXPECT_LE(number(by_xi, r, "power"), number(by_xi, r, "power_at_marker") + 1e-9)
                    << design;
                if (x > 0) {
                    EXPECT_GT(number(by_xi, r, "power"), number(by_xi, r - 1, "power")) << design;
                }
                if (a > 0) {
                    EXPECT_LT(number(by_xi, r, "power"), number(by_xi, r - 5, "power")) << design;
                }
            }
        }
    }
    const Rows by_n = power_rows({"--design", "intercross", "--spacing", "10", "--individuals",
                                  "100,200,400", "--pve", "0.03,0.05,0.1"});
    for (std::size_t r = 1; r < by_n.size(); ++r) {
        if ((r - 1) % 3 > 0) {
            EXPECT_GT(number(by_n, r, "power"), number(by_n, r - 1, "power"));  // H grows
        }
        if (r > 3) {
            EXPECT_GT(number(by_n, r, "power"), number(by_n, r - 3, "power"));  // n grows
        }
    }
}

// A sample-size row's individuals reach the target and one fewer does not; a
// detectable-effect row's share and a solved noncentrality give the target
// back.
TEST(PowerRows, SolvedValuesAreTheInversesOfThePower) {
    for (const char* design : {"backcross", "intercross", "intercross-dominance"}) {
        const std::vector<std::string> scan = {"--design", design,        "--spacing",
                                               "5",        "--dominance", "1"};
        std::vector<std::string> solve = scan;
        if (std::string(design) == "backcross") {
            solve.resize(4);
        }
        std::vector<std::string> sample = solve;
        sample.insert(sample.end(), {"--pve", "0.05", "--target-power", "0.5,0.8"});
        const Rows n_rows = power_rows(sample);
        ASSERT_EQ(n_rows.size(), 3u) << design;
        for (std::size_t r = 1; r < 3; ++r) {
            const double target = number(n_rows, r, "target_power");
            const int n = static_cast<int>(number(n_rows, r, "individuals"));
            EXPECT_GE(number(n_rows, r, "power"), target) << design;
            std::vector<std::string> check = solve;
            check.insert(check.end(), {"--pve", "0.05", "--individuals",
                                       std::to_string(n - 1) + "," + std::to_string(n)});
            const Rows at = power_rows(check);
            ASSERT_EQ(at.size(), 3u);
            EXPECT_LT(number(at, 1, "power"), target) << design << " n - 1 = " << n - 1;
            EXPECT_GE(number(at, 2, "power"), target) << design << " n = " << n;
            EXPECT_EQ(at[2][column(at, "power")], n_rows[r][column(n_rows, "power")]);
            EXPECT_EQ(at[2][column(at, "lod")], n_rows[r][column(n_rows, "lod")]);
        }

        std::vector<std::string> share = solve;
        share.insert(share.end(), {"--individuals", "200", "--target-power", "0.8"});
        const Rows h = power_rows(share);
        ASSERT_EQ(h.size(), 2u);
        std::vector<std::string> back = solve;
        back.insert(back.end(), {"--individuals", "200", "--pve", h[1][column(h, "pve")]});
        EXPECT_NEAR(number(power_rows(back), 1, "power"), 0.8, 0.001) << design;

        std::vector<std::string> xi = solve;
        xi.insert(xi.end(), {"--target-power", "0.9"});
        const Rows x = power_rows(xi);
        std::vector<std::string> again = solve;
        again.insert(again.end(), {"--noncentrality", x[1][column(x, "noncentrality")]});
        EXPECT_NEAR(number(power_rows(again), 1, "power"), 0.9, 1e-6) << design;
    }
}

// A target that no cross of 10^8 reaches says so in its status, and the run
// ends with status 1 as a row without a result does.
TEST(PowerRows, ATargetBeyondTheBoundSaysSo) {
    const std::vector<std::string> arguments = {
        "-G",        "16", "-C",    "20",   "--design",       "backcross",
        "--spacing", "5",  "--pve", "1e-9", "--target-power", "0.99",
        "-f",        "tsv"};
    const Outcome o = run_cli(arguments);
    EXPECT_EQ(o.status, 1);
    const Rows rows = table(o.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][column(rows, "status")], "individuals-beyond-bound");
    EXPECT_EQ(rows[1][column(rows, "individuals")], "");
    EXPECT_EQ(rows[1][column(rows, "power")], "");
    std::vector<std::string> text = arguments;
    text.resize(text.size() - 2);
    EXPECT_NE(
        run_cli(text).out.find("no result: the target power needs more than 10^8 individuals"),
        std::string::npos);
}

// Simulated crosses (tools/finite_sample_power.py: backcrosses and F2s on
// 14.5 Morgan in 20 chromosomes, Haley-Knott LOD at markers 5 and 10 cM apart,
// 100 to 400 individuals, 3 to 15 % of the variance, 50,000 replicates each)
// reach the row's threshold as often as its power says, within 0.025; and the
// threshold is the one they were counted at.
TEST(PowerRows, MatchSimulatedCrossesOfFewIndividuals) {
    const auto reference = testing::read_tsv(LODTHRESH_POWER_FINITE_SAMPLE);
    ASSERT_EQ(reference.size(), 96u);
    double worst = 0.0;
    for (const char* design : {"backcross", "intercross"}) {
        for (const char* spacing : {"5", "10"}) {
            const Outcome o = run_cli({"-G", "14.5", "-C", "20", "--design", design, "--spacing",
                                       spacing, "--individuals", "100,200,400", "--pve",
                                       "0.03,0.05,0.1,0.15", "-a", "0.05,0.01", "-f", "tsv"});
            ASSERT_EQ(o.status, 0) << o.err;
            const Rows rows = table(o.out);
            ASSERT_EQ(rows.size(), 25u);
            for (const auto& ref : reference) {
                if (ref[0] != design || std::stod(ref[3]) != std::stod(spacing)) {
                    continue;
                }
                const std::size_t r = 1 + (ref[7] == "0.05" ? 0 : 12) +
                                      4 * (ref[4] == "100"   ? 0
                                           : ref[4] == "200" ? 1
                                                             : 2) +
                                      (ref[5] == "0.03"   ? 0
                                       : ref[5] == "0.05" ? 1
                                       : ref[5] == "0.1"  ? 2
                                                          : 3);
                ASSERT_EQ(rows[r][column(rows, "individuals")], ref[4]);
                ASSERT_EQ(std::stod(rows[r][column(rows, "pve")]), std::stod(ref[5]));
                EXPECT_NEAR(number(rows, r, "lod"), std::stod(ref[8]), 1e-6);
                const double deviation = number(rows, r, "power") - std::stod(ref[11]);
                EXPECT_LE(std::fabs(deviation), 0.025)
                    << design << " at " << spacing << " cM, n " << ref[4] << ", H " << ref[5]
                    << ", alpha " << ref[7];
                worst = std::max(worst, std::fabs(deviation));
            }
        }
    }
    std::printf("# worst |power - simulated crosses' frequency|: %.4f\n", worst);
}

// The simulation in the model (each scan's QTL drawn uniformly) agrees with
// the formula's power within 4 standard errors.
TEST(PowerRows, TheSimulatedPowerAgreesWithTheFormula) {
    const Rows rows =
        power_rows({"--design", "backcross,intercross,sibs", "--spacing", "10", "--noncentrality",
                    "3,4.5", "--simulate", "20000", "--seed", "11"});
    ASSERT_EQ(rows.size(), 7u);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        EXPECT_NEAR(number(rows, r, "sim_power"), number(rows, r, "power"),
                    4 * number(rows, r, "sim_power_se") + 1e-3)
            << rows[r][column(rows, "design")] << " xi " << rows[r][column(rows, "noncentrality")];
    }
}

}  // namespace
}  // namespace lodthresh
