// Genome-wide p-values of peaks (--lod): their errors, fields and order, the
// inverse of the threshold rows, mpmath references and the simulation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace lodthresh {
namespace {

const std::vector<std::string> kFields = {"length", "chromosomes", "map",        "design",
                                          "tail",   "rate",        "spacing_cm", "lod",
                                          "status", "nominal_p",   "expected",   "p_genome"};

double relative_error(const std::string& value, const char* reference) {
    const long double r = std::stold(reference);
    return static_cast<double>(std::fabs((std::stold(value) - r) / r));
}

TEST(PValues, AUsageErrorNamesTheOptionAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--lod", "3"}, "--lod: only with --design, --tail, --spacing or --map"},
        {{"-G", "16", "--lod", "3"}, "--lod: only with --design, --tail, --spacing or --map"},
        {{"--design", "backcross", "--lod", "3", "-a", "0.05"},
         "--lod: not with --alpha; a peak's p-value needs no level"},
        {{"--spacing", "10", "--lod", "3", "--batch", "-"},
         "--lod: not with --batch, whose lines give levels"},
        {{"--design", "backcross", "--lod", "0"}, "--lod: '0' is not above 0"},
        {{"--design", "backcross", "--lod", "3,-1"}, "--lod: '-1' is not above 0"},
        {{"--design", "backcross", "--lod", "3,x"}, "--lod: 'x' is not a number"},
        {{"--design", "backcross", "--lod", "inf"}, "--lod: 'inf' is not a finite number"},
        {{"--design", "backcross", "--lod", ""}, "--lod: '' is not a number"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// One row per genome, design, spacing and LOD, the later varying faster.
TEST(PValues, RowsVaryGenomeDesignSpacingAndLodWithTheLaterFaster) {
    const Outcome o = run_cli({"-G", "16,20", "-C", "20", "--design", "backcross,intercross",
                               "--spacing", "0,10", "--lod", "3,4", "-f", "tsv"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 1u + 2 * 2 * 2 * 2);
    EXPECT_EQ(rows[0], kFields);
    std::size_t i = 1;
    for (const char* length : {"16", "20"}) {
        for (const char* design : {"backcross", "intercross"}) {
            for (const char* spacing : {"0", "10"}) {
                for (const char* lod : {"3", "4"}) {
                    const std::vector<std::string>& row = rows[i++];
                    EXPECT_EQ(row[0], length);
                    EXPECT_EQ(row[3], design);
                    EXPECT_EQ(row[6], spacing);
                    EXPECT_EQ(row[7], lod);
                    EXPECT_EQ(row[8], "ok");
                }
            }
        }
    }
}

// The p-value row of a threshold row's LOD expects the row's level: lambda(T)
// is what the threshold set equal to alpha.
TEST(PValues, AThresholdsLodGivesBackItsLevel) {
    const std::vector<std::string> genome = {"-G",        "16",     "-C", "20",
                                             "--spacing", "0,1,10", "-f", "tsv"};
    for (const char* design : {"sibs", "backcross", "intercross", "ril-sibmating"}) {
        for (const char* alpha : {"0.001", "0.05", "0.63"}) {
            std::vector<std::string> arguments = genome;
            arguments.insert(arguments.end(), {"--design", design, "-a", alpha});
            const auto thresholds = table(run_cli(arguments).out);
            ASSERT_EQ(thresholds.size(), 4u) << design;
            for (std::size_t s = 1; s < thresholds.size(); ++s) {
                const std::vector<std::string>& row = thresholds[s];
                const auto p_values =
                    table(run_cli({"-G", "16", "-C", "20", "--spacing", row[7], "--design", design,
                                   "--lod", row[10], "-f", "tsv"})
                              .out);
                ASSERT_EQ(p_values.size(), 2u) << design;
                EXPECT_LE(relative_error(p_values[1][10], alpha), 1e-12)
                    << design << " " << alpha << " spacing " << row[7];
            }
        }
    }
}

// tools/p_value_references.py, mpmath at 40 digits.
TEST(PValues, AgreeWithMpmathForEachTail) {
    const struct {
        const char* tail;
        const char* rate;
        const char* length;
        const char* chromosomes;
        const char* spacing;
        const char* lod;
        const char* nominal_p;
        const char* expected;
        const char* p_genome;
    } cases[] = {
        {"one-sided", "2", "33", "23", "0", "3.6", "0.0000233372101308595497364262718502",
         "0.0516073667492910046801914827785", "0.0502983218938703223488534407878"},
        {"one-sided", "2", "33", "23", "10", "2.2", "0.000728833380065262952367698649067",
         "0.217112037260632950297362902856", "0.195160207792069038195530170054"},
        {"two-sided", "1", "16", "20", "0", "3.4", "0.0000759077818417684708203256164743",
         "0.0395511816526907700531429700489", "0.0387792441352975691561574974922"},
        {"two-sided", "1", "16", "20", "10", "2.5", "0.000691139206548664159588614701286",
         "0.0892338980128821652669276325918", "0.0853683819644379821525451428605"},
        {"two-sided", "1", "16", "20", "2", "6", "0.000000146805405947905328830341479947",
         "0.0000581425274399651629616038681889", "0.0000581408371959751206548998450718"},
        {"2df", "1.5", "16", "20", "0", "4.3", "0.0000501187233627272285001554186885",
         "0.0486405781889926187574746033681", "0.0474765741247809216187499353301"},
        {"2df", "1.5", "16", "20", "5", "3", "0.001", "0.228408026552756883262691764173",
         "0.204200513739226167831331600693"},
    };
    for (const auto& c : cases) {
        const Outcome o =
            run_cli({"--tail", c.tail, "-r", c.rate, "-G", c.length, "-C", c.chromosomes,
                     "--spacing", c.spacing, "--lod", c.lod, "-f", "tsv"});
        ASSERT_EQ(o.status, 0) << o.err;
        const auto rows = table(o.out);
        ASSERT_EQ(rows.size(), 2u);
        // The pointwise level is the C library's erfc at sqrt(T/2); lambda adds
        // nu's 3e-16 and a few roundings.
        EXPECT_LE(relative_error(rows[1][9], c.nominal_p), 1e-14) << c.tail << " " << c.spacing;
        EXPECT_LE(relative_error(rows[1][10], c.expected), 1e-14) << c.tail << " " << c.spacing;
        EXPECT_LE(relative_error(rows[1][11], c.p_genome), 1e-14) << c.tail << " " << c.spacing;
    }
}

// Where the formula holds (1-df designs, markers 10 cM apart and the peak's
// p-value small) the simulated p-value is within 4 standard errors of it.
TEST(PValues, TheSimulatedPValueMeetsTheFormula) {
    const Outcome o = run_cli({"-G", "16", "-C", "20", "--design", "backcross,sibs", "--spacing",
                               "10", "--lod", "2.5,3.4", "--simulate", "20000", "-f", "tsv"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(rows[0].end() - 2, rows[0].end()),
              (std::vector<std::string>{"sim_p", "sim_p_se"}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double p_genome = std::stod(rows[i][11]);
        const double sim_p = std::stod(rows[i][12]);
        const double se = std::stod(rows[i][13]);
        EXPECT_NEAR(se, std::sqrt(sim_p * (1 - sim_p) / 20000), 1e-12);
        EXPECT_LE(std::fabs(sim_p - p_genome), 4 * se) << rows[i][3] << " " << rows[i][7];
    }
}

// Four significant digits, and scientific notation below 1e-4.
TEST(PValues, TheTextFormatGivesFourSignificantDigits) {
    const Outcome o =
        run_cli({"-G", "16", "-C", "20", "--design", "backcross", "--spacing", "2", "--lod", "6"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find(" 1.468e-07 "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" 5.814e-05 "), std::string::npos) << o.out;
    const Outcome two =
        run_cli({"-G", "16", "-C", "20", "--design", "intercross", "--spacing", "5", "--lod", "3"});
    EXPECT_NE(two.out.find(" 0.001000 "), std::string::npos) << two.out;
    EXPECT_NE(two.out.find(" 0.2284 "), std::string::npos) << two.out;
}

}  // namespace
}  // namespace lodthresh
