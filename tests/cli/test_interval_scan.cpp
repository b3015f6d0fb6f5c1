// Interval mapping's scan (--scan, --step): its errors, its fields, its
// thresholds against 10^6 simulated scans of the same markers, and its
// p-values as the inverse of its thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace lodthresh {
namespace {

const std::vector<std::string> kMouse = {"-G", "16", "-C", "20"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::vector<std::string>> rows_of(const std::vector<std::string>& arguments) {
    const Outcome o = run_cli(with(arguments, {"-f", "tsv"}));
    EXPECT_EQ(o.status, 0) << o.err;
    return table(o.out);
}

std::size_t column(const std::vector<std::string>& header, const std::string& name) {
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name) {
            return i;
        }
    }
    ADD_FAILURE() << "no field " << name;
    return 0;
}

TEST(IntervalScan, AUsageErrorNamesTheOptionAndWritesNoRow) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--scan", "interval"}, "--scan: only with --design, --tail, --spacing or --map"},
        {{"-G", "16", "--scan", "markers"},
         "--scan: only with --design, --tail, --spacing or --map"},
        {{"--design", "backcross", "--scan", "pseudo"},
         "--scan: 'pseudo' is not one of markers, interval"},
        {{"--design", "backcross", "--scan", "interval"},
         "--scan: interval: not with the dense map (--spacing 0), which has nothing between "
         "markers"},
        {{"--design", "backcross", "--spacing", "10,0", "--scan", "interval"},
         "--scan: interval: not with the dense map (--spacing 0), which has nothing between "
         "markers"},
        {{"--design", "backcross", "--spacing", "10", "--step", "1"},
         "--step: only with --scan interval"},
        {{"--design", "backcross", "--spacing", "10", "--scan", "markers", "--step", "1"},
         "--step: only with --scan interval"},
        {{"-G", "16", "--step", "1"}, "--step: only with --scan interval"},
        {{"--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "0"},
         "--step: '0' is not above 0"},
        {{"--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "-1"},
         "--step: '-1' is not above 0"},
        {{"--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "inf"},
         "--step: 'inf' is not a finite number"},
        {{"--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "1,2"},
         "--step: '1,2' is not a number"},
        {{"--design", "backcross", "-G", "1e6", "--spacing", "1", "--scan", "interval"},
         "--scan: interval: 1e+08 marker intervals (--length / --spacing) are more than 10^7"},
    };
    for (const auto& c : cases) {
        const Outcome o = run_cli(c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_EQ(o.out, "") << c.message;
        EXPECT_EQ(o.err, std::string("lodthresh: ") + c.message + "\nTry 'lodthresh --help'.\n");
    }
}

// --scan adds scan and step_cm after spacing_cm to threshold and p-value rows
// alike; --scan markers keeps every other field of the rows without it.
TEST(IntervalScan, FieldsFollowTheSpacingAndMarkersKeepTodaysRows) {
    const auto plain = rows_of(with(
        kMouse, {"--design", "backcross,intercross", "--spacing", "5,10", "-a", "0.05,0.001"}));
    const auto markers = rows_of(with(kMouse, {"--design", "backcross,intercross", "--spacing",
                                               "5,10", "-a", "0.05,0.001", "--scan", "markers"}));
    ASSERT_EQ(plain.size(), markers.size());
    const std::size_t spacing = column(markers[0], "spacing_cm");
    EXPECT_EQ(markers[0][spacing + 1], "scan");
    EXPECT_EQ(markers[0][spacing + 2], "step_cm");
    for (std::size_t i = 0; i < plain.size(); ++i) {
        std::vector<std::string> without = markers[i];
        if (i > 0) {
            EXPECT_EQ(without[spacing + 1], "markers");
            EXPECT_EQ(without[spacing + 2], "");
        }
        without.erase(without.begin() + static_cast<long>(spacing) + 1,
                      without.begin() + static_cast<long>(spacing) + 3);
        EXPECT_EQ(without, plain[i]);
    }
    const auto p = rows_of(with(kMouse, {"--design", "backcross", "--spacing", "10", "--scan",
                                         "interval", "--step", "2.5", "--lod", "3"}));
    ASSERT_EQ(p.size(), 2u);
    const std::size_t p_spacing = column(p[0], "spacing_cm");
    EXPECT_EQ(p[0][p_spacing + 1], "scan");
    EXPECT_EQ(p[0][p_spacing + 2], "step_cm");
    EXPECT_EQ(p[0][p_spacing + 3], "lod");
    EXPECT_EQ(p[1][p_spacing + 1], "interval");
    EXPECT_EQ(p[1][p_spacing + 2], "2.5");
}

// Between the markers' threshold and the dense map's; pseudomarkers below
// every point's, and a step beyond every interval the markers' own.
TEST(IntervalScan, ThresholdsLieBetweenTheMarkersAndTheDenseMap) {
    for (const char* design : {"backcross", "intercross", "sibs"}) {
        const auto dense = rows_of(with(kMouse, {"--design", design, "-a", "0.05,0.001"}));
        for (const char* spacing : {"1", "5", "20"}) {
            const auto base = with(kMouse, {"--design", design, "-a", "0.05,0.001", "--spacing",
                                            spacing, "--scan", "interval"});
            const auto every = rows_of(base);
            const auto stepped = rows_of(with(base, {"--step", "1"}));
            const auto beyond = rows_of(with(base, {"--step", "100"}));
            const auto markers = rows_of(with(base, {"--scan", "markers"}));
            const std::size_t lod = column(every[0], "lod");
            for (std::size_t i = 1; i < every.size(); ++i) {
                const double m = std::stod(markers[i][lod]);
                const double s = std::stod(stepped[i][lod]);
                const double e = std::stod(every[i][lod]);
                // A 1 cM step on a 1 cM map adds no point.
                EXPECT_TRUE(std::string(spacing) == "1" ? std::fabs(m - s) < 1e-12 * m : m < s)
                    << design << spacing;
                EXPECT_LE(s, e) << design << " " << spacing;
                EXPECT_LT(e, std::stod(dense[i][column(dense[0], "lod")])) << design;
                EXPECT_NEAR(std::stod(beyond[i][lod]), m, 1e-12 * m) << design << " " << spacing;
            }
        }
    }
}

// The p-value row of an interval threshold's LOD expects alpha peaks.
TEST(IntervalScan, PValueOfAThresholdGivesBackItsLevel) {
    for (const char* design : {"backcross", "intercross", "sibs"}) {
        for (const std::vector<std::string>& step :
             {std::vector<std::string>{}, std::vector<std::string>{"--step", "2"}}) {
            const auto base = with(
                with(kMouse, {"--design", design, "--spacing", "7", "--scan", "interval"}), step);
            const auto thresholds = rows_of(with(base, {"-a", "0.05,0.001"}));
            const std::size_t lod = column(thresholds[0], "lod");
            const std::size_t alpha = column(thresholds[0], "alpha");
            for (std::size_t i = 1; i < thresholds.size(); ++i) {
                const auto p = rows_of(with(base, {"--lod", thresholds[i][lod]}));
                const double expected = std::stod(p[1][column(p[0], "expected")]);
                const double a = std::stod(thresholds[i][alpha]);
                EXPECT_NEAR(expected, a, 1e-12 * a) << design;
            }
        }
    }
}

// The formula against 10^6 simulated scans of the same markers
// (tools/interval_simulation_references.py): the backcross within +-0.05 LOD;
// the intercross's 2-df formula above the simulation by at most 0.06 LOD, as
// its markers-only formula is.
TEST(IntervalScan, ThresholdsAgreeWithTheirSimulation) {
    std::ifstream file(LODTHRESH_INTERVAL_SIMULATED);
    ASSERT_TRUE(file) << LODTHRESH_INTERVAL_SIMULATED;
    std::string line;
    std::getline(file, line);
    int checked = 0;
    while (std::getline(file, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
            f.push_back(field);
        }
        ASSERT_EQ(f.size(), 8u) << line;
        std::vector<std::string> arguments = {"--design", f[0], "-a", f[4], "--scan", "interval"};
        arguments = f[1].empty()
                        ? with(with(arguments, kMouse), {"--spacing", f[2]})
                        : with(arguments, {"--map", std::string(LODTHRESH_EXAMPLES) + "/" + f[1]});
        if (!f[3].empty()) {
            arguments = with(arguments, {"--step", f[3]});
        }
        const auto rows = rows_of(arguments);
        ASSERT_EQ(rows.size(), 2u) << line;
        const double lod = std::stod(rows[1][column(rows[0], "lod")]);
        const double simulated = std::stod(f[6]);
        EXPECT_NEAR(lod, std::stod(f[5]), 1e-9) << line;  // the table's own formula value
        if (f[0] == "backcross") {
            EXPECT_NEAR(lod, simulated, 0.05) << line;
        } else {
            EXPECT_GT(lod, simulated - 0.02) << line;
            EXPECT_LT(lod, simulated + 0.06) << line;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 40);
}

// A step that leaves too many pseudomarkers has a row without a result, and
// the error stream says why.
TEST(IntervalScan, AScanTheLevelCannotTakeSaysWhy) {
    const Outcome o = run_cli(with(kMouse, {"--design", "backcross", "--spacing", "10", "--scan",
                                            "interval", "--step", "0.0001", "-f", "tsv"}));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("calculation-failed"), std::string::npos) << o.out;
    EXPECT_EQ(o.err, "lodthresh: the step leaves more than 100000 pseudomarkers in an interval\n");
}

}  // namespace
}  // namespace lodthresh
