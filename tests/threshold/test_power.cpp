// The power of a scan: against 10^6 simulated scans of the model per
// configuration (tools/power_model_references.py), against direct quadrature
// of the markers' normal laws for one and two markers, its monotonicity in
// the effect and the threshold, and its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/tsv.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "threshold/power.h"

namespace lodthresh {
namespace {

double lower_tail(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}
double density(double z) {
    return std::exp(-0.5 * z * z) / std::sqrt(2.0 * 3.14159265358979323846);
}

Tail tail_of(const std::string& name) {
    if (name == "one-sided") {
        return Tail::one_sided;
    }
    if (name == "two-sided") {
        return Tail::two_sided;
    }
    return Tail::two_df;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PowerScan scan_of(const std::string& label) {
    if (label == "mouse") {
        const MapReading reading =
            read_genetic_map(read_file(std::string(LODTHRESH_EXAMPLES) + "/mouse_gmap.csv"));
        EXPECT_TRUE(reading.errors.empty());
        return map_power_scan(reading.map);
    }
    std::vector<std::string> fields;
    std::istringstream in(label);
    for (std::string field; std::getline(in, field, ':');) {
        fields.push_back(field);
    }
    const double spacing = fields[0] == "dense" ? 0.0 : std::stod(fields[3]);
    return even_power_scan(std::stod(fields[1]), std::stoi(fields[2]), spacing);
}

// Markers: within 0.01 + 3 se of the simulation; the dense map within
// 0.02 + 3 se of the simulation's 0.1 and 0.2 cM grids extrapolated.
// Measured: see the report printed with the test's output.
TEST(ScanPower, AgreesWithSimulatedScansOfTheModel) {
    const auto rows = testing::read_tsv(LODTHRESH_POWER_REFERENCES);
    ASSERT_GE(rows.size(), 150u);
    std::map<std::string, PowerCurve> curves;
    std::map<std::string, double> worst;
    for (const auto& row : rows) {
        const std::string key = row[0] + " " + row[3];
        auto found = curves.find(key);
        if (found == curves.end()) {
            found = curves
                        .emplace(key, PowerCurve(scan_of(row[3]), tail_of(row[1]),
                                                 std::stod(row[2]), std::stod(row[4])))
                        .first;
        }
        const ScanPower power = found->second.at(Effect{std::stod(row[5]), std::stod(row[6])});
        const bool dense = row[3].rfind("dense", 0) == 0;
        const double tolerance = dense ? 0.02 : 0.01;
        const double simulated = std::stod(row[7]);
        EXPECT_NEAR(power.power, simulated, tolerance + 3.0 * std::stod(row[8]))
            << key << " xi " << row[5] << ", " << row[6];
        double deviation = std::fabs(power.power - simulated);
        if (dense) {
            EXPECT_TRUE(std::isnan(power.at_marker)) << key;
        } else {
            const double at_marker = std::stod(row[9]);
            EXPECT_NEAR(power.at_marker, at_marker, tolerance + 3.0 * std::stod(row[10]))
                << key << " xi " << row[5] << ", " << row[6];
            deviation = std::max(deviation, std::fabs(power.at_marker - at_marker));
        }
        const std::string kind = key + (row[6] == "0.000000" ? "" : " (split)");
        worst[kind] = std::max(worst[kind], deviation);
    }
    for (const auto& [kind, deviation] : worst) {
        std::printf("  largest deviation %-40s %.4f\n", kind.c_str(), deviation);
    }
}

// P(no marker of two rejects) for means (m1, m2) and correlation r, one- or
// two-sided, by the trapezoid rule on 4,000 panels over the first marker.
double two_markers_missed(Tail tail, double m1, double m2, double r, double b) {
    const double s = std::sqrt(1.0 - r * r);
    const double lo = tail == Tail::one_sided ? m1 - 12.0 : -b;
    const int n = 4000;
    const double h = (b - lo) / n;
    double sum = 0.0;
    for (int i = 0; i <= n; ++i) {
        const double x = lo + i * h;
        const double mean = m2 + r * (x - m1);
        double inside = lower_tail((b - mean) / s);
        if (tail == Tail::two_sided) {
            inside -= lower_tail((-b - mean) / s);
        }
        sum += (i == 0 || i == n ? 0.5 : 1.0) * h * density(x - m1) * inside;
    }
    return sum;
}

// One interval d: at_marker against the two markers' bivariate normal law,
// power against its average over 100 midpoints of the QTL's place; within
// 1e-4 (measured 5e-5, the Lobatto rule of 20 cM at rho 1).
TEST(ScanPower, AgreesWithQuadratureOfTwoMarkers) {
    const double t = 12.0;
    const double b = std::sqrt(t);
    const double rate = 1.0;
    for (const Tail tail : {Tail::one_sided, Tail::two_sided}) {
        for (const double d : {0.01, 0.05, 0.2}) {
            PowerScan scan;
            scan.chromosomes = {{d}};
            const PowerCurve curve(scan, tail, rate, t);
            const double r = std::exp(-2.0 * rate * d);
            for (const double xi : {0.0, 2.0, 3.5, 5.0}) {
                const ScanPower power = curve.at(Effect{xi, 0.0});
                EXPECT_NEAR(power.at_marker, 1.0 - two_markers_missed(tail, xi, xi * r, r, b), 1e-4)
                    << tail_name(tail) << " d " << d << " xi " << xi;
                double missed = 0.0;
                const int m = 100;
                for (int i = 0; i < m; ++i) {
                    const double a = (i + 0.5) / m * d;
                    missed += two_markers_missed(tail, xi * std::exp(-2.0 * rate * a),
                                                 xi * std::exp(-2.0 * rate * (d - a)), r, b) /
                              m;
                }
                EXPECT_NEAR(power.power, 1.0 - missed, 1e-4)
                    << tail_name(tail) << " d " << d << " xi " << xi;
            }
        }
    }
}

// A chromosome of one marker: the 2-df test's noncentral chi-square, by the
// trapezoid rule over the additive component; within 2e-4 (measured 1.7e-4,
// the disc's weights on the grid's coarsest step); one component within 1e-5
// (measured 1.1e-6).
TEST(ScanPower, OneMarkerIsTheNoncentralChiSquare) {
    const double t = 13.8;
    const double b = std::sqrt(t);
    PowerScan scan;
    scan.chromosomes = {{}};
    const PowerCurve curve(scan, Tail::two_df, 1.5, t);
    for (const Effect effect : {Effect{0.0, 0.0}, Effect{3.0, 0.0}, Effect{2.0, 2.5}}) {
        double missed = 0.0;
        const int n = 20000;
        const double h = 2.0 * b / n;
        for (int i = 0; i <= n; ++i) {
            const double x = -b + i * h;
            const double y = std::sqrt(std::max(0.0, t - x * x));
            missed += (i == 0 || i == n ? 0.5 : 1.0) * h * density(x - effect.additive) *
                      (lower_tail(y - effect.dominance) - lower_tail(-y - effect.dominance));
        }
        const ScanPower power = curve.at(effect);
        EXPECT_NEAR(power.at_marker, 1.0 - missed, 2e-4);
        EXPECT_DOUBLE_EQ(power.power, power.at_marker);
    }
    PowerScan one_sided;
    one_sided.chromosomes = {{}, {}};
    EXPECT_NEAR(scan_power(one_sided, Tail::one_sided, 2.0, 9.0, Effect{2.0, 0.0}).power,
                lower_tail(2.0 - 3.0), 1e-5);
}

// Increasing in the effect and falling in T, on 1 and 20 cM maps and dense
// (extrapolated); a QTL at a
// marker is found more often than between markers once the effect is about
// the threshold (below it the ends of the chromosomes, where the QTL has
// markers on one side only, weigh more among the markers than along them).
TEST(ScanPower, IncreasesWithTheEffectAndFallsWithTheThreshold) {
    struct Case {
        Tail tail;
        double rate;
        double t;
    };
    for (const Case c : {Case{Tail::one_sided, 2.0, 16.0}, Case{Tail::two_sided, 4.0, 16.0},
                         Case{Tail::two_df, 1.5, 19.0}}) {
        for (const double spacing : {0.01, 0.2, 0.0}) {
            const PowerScan scan = even_power_scan(14.5, 20, spacing);
            const PowerCurve curve(scan, c.tail, c.rate, c.t);
            ScanPower previous{0.0, 0.0};
            for (double xi = 0.0; xi <= 9.0; xi += 0.25) {
                const ScanPower power = curve.at(Effect{xi, c.tail == Tail::two_df ? 0.5 * xi : 0});
                EXPECT_GE(power.power, previous.power) << tail_name(c.tail) << " xi " << xi;
                if (spacing > 0.0) {
                    EXPECT_GE(power.at_marker, previous.at_marker)
                        << tail_name(c.tail) << " xi " << xi;
                }
                if (spacing > 0.0 && xi >= std::sqrt(c.t) - 0.5) {
                    EXPECT_GE(power.at_marker, power.power) << tail_name(c.tail) << " xi " << xi;
                }
                previous = power;
            }
            const Effect effect{std::sqrt(c.t), 0.0};
            double before = 1.0;
            for (const double t : {c.t - 4.0, c.t - 2.0, c.t, c.t + 2.0}) {
                const double power = scan_power(scan, c.tail, c.rate, t, effect).power;
                EXPECT_LT(power, before) << tail_name(c.tail) << " T " << t;
                before = power;
            }
        }
    }
}

// The genome's average: chromosomes by their length, markers by their count;
// a chromosome of one marker has no length.
TEST(ScanPower, AveragesChromosomesByLengthAndMarkersByCount) {
    PowerScan one;
    one.chromosomes = {{0.1, 0.1}};
    PowerScan single;
    single.chromosomes = {{}};
    PowerScan both;
    both.chromosomes = {{0.1, 0.1}, {}};
    const Effect effect{3.5, 0.0};
    const ScanPower a = scan_power(one, Tail::two_sided, 1.0, 12.0, effect);
    const ScanPower s = scan_power(single, Tail::two_sided, 1.0, 12.0, effect);
    const ScanPower ab = scan_power(both, Tail::two_sided, 1.0, 12.0, effect);
    EXPECT_DOUBLE_EQ(ab.power, a.power);
    EXPECT_NEAR(ab.at_marker, (3.0 * a.at_marker + s.at_marker) / 4.0, 1e-12);
    // Markers at the same place count as one place.
    PowerScan twice;
    twice.chromosomes = {{0.1, 0.0, 0.1}};
    const ScanPower t = scan_power(twice, Tail::two_sided, 1.0, 12.0, effect);
    EXPECT_NEAR(t.power, a.power, 1e-12);
    // The same chromosome twice is the same genome.
    PowerScan doubled;
    doubled.chromosomes = {{0.1, 0.1}, {0.1, 0.1}};
    EXPECT_DOUBLE_EQ(scan_power(doubled, Tail::two_sided, 1.0, 12.0, effect).power, a.power);
}

// Markers 0.0001 cM apart, closer than the grid resolves (its nodes are
// capped): the transition between them is taken on the nodes' hat functions,
// within 2e-3 of markers at one place (measured 9e-4, one component; 7e-4,
// 2 df; the true difference is about 1e-4).
TEST(ScanPower, MarkersAlmostTogetherAreAlmostOneMarker) {
    for (const Tail tail : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
        PowerScan apart;
        apart.chromosomes = {{0.1, 1e-6, 0.1}};
        PowerScan together;
        together.chromosomes = {{0.1, 0.0, 0.1}};
        const PowerCurve close(apart, tail, 1.5, 16.0);
        const PowerCurve same(together, tail, 1.5, 16.0);
        for (const double xi : {3.0, 4.0, 5.0}) {
            const Effect effect{xi, tail == Tail::two_df ? 1.0 : 0.0};
            EXPECT_NEAR(close.at(effect).power, same.at(effect).power, 2e-3) << tail_name(tail);
            EXPECT_NEAR(close.at(effect).at_marker, same.at(effect).at_marker, 2e-3)
                << tail_name(tail);
            EXPECT_GE(close.at(effect).power, same.at(effect).power) << tail_name(tail);
        }
    }
}

TEST(ScanPower, LaysOutEvenScansAndMaps) {
    const PowerScan even = even_power_scan(1.0, 2, 0.2);
    ASSERT_EQ(even.chromosomes.size(), 2u);
    EXPECT_EQ(even.chromosomes[0], std::vector<double>(3, 0.5 / 3.0));
    EXPECT_FALSE(even.dense);
    const PowerScan dense = even_power_scan(1.0, 4, 0.0);
    EXPECT_TRUE(dense.dense);
    EXPECT_EQ(dense.chromosomes, std::vector<std::vector<double>>(4, {0.25}));
    GeneticMap map;
    map.chromosomes = {{"1", {0.1, 0.25, 0.25, 0.5}}, {"2", {0.3}}};
    const PowerScan scan = map_power_scan(map);
    ASSERT_EQ(scan.chromosomes.size(), 2u);
    ASSERT_EQ(scan.chromosomes[0].size(), 3u);
    EXPECT_NEAR(scan.chromosomes[0][0], 0.15, 1e-15);
    EXPECT_EQ(scan.chromosomes[0][1], 0.0);
    EXPECT_TRUE(scan.chromosomes[1].empty());
    EXPECT_TRUE(
        std::isnan(scan_power(dense, Tail::two_sided, 1.0, 15.0, Effect{4.0, 0}).at_marker));
}

TEST(ScanPower, RefusesBadInput) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PowerScan good = even_power_scan(1.0, 1, 0.1);
    const Effect effect{3.0, 0.0};
    PowerScan empty;
    EXPECT_THROW(scan_power(empty, Tail::one_sided, 1.0, 10.0, effect), std::invalid_argument);
    for (const double d : {-0.01, inf, nan}) {
        PowerScan bad;
        bad.chromosomes = {{0.1, d}};
        EXPECT_THROW(scan_power(bad, Tail::one_sided, 1.0, 10.0, effect), std::invalid_argument);
    }
    PowerScan dense;
    dense.dense = true;
    dense.chromosomes = {{0.5, 0.5}};
    EXPECT_THROW(scan_power(dense, Tail::one_sided, 1.0, 10.0, effect), std::invalid_argument);
    dense.chromosomes = {{}};
    EXPECT_THROW(scan_power(dense, Tail::one_sided, 1.0, 10.0, effect), std::invalid_argument);
    for (const double rate : {0.0, -1.0, inf, nan}) {
        EXPECT_THROW(scan_power(good, Tail::two_sided, rate, 10.0, effect), std::invalid_argument);
    }
    for (const double t : {0.0, -1.0, inf, nan}) {
        EXPECT_THROW(scan_power(good, Tail::two_sided, 1.0, t, effect), std::invalid_argument);
    }
    for (const double xi : {-0.5, inf, nan}) {
        EXPECT_THROW(scan_power(good, Tail::two_sided, 1.0, 10.0, Effect{xi, 0.0}),
                     std::invalid_argument);
        EXPECT_THROW(scan_power(good, Tail::two_df, 1.5, 10.0, Effect{1.0, xi}),
                     std::invalid_argument);
    }
    EXPECT_THROW(even_power_scan(0.0, 1, 0.1), std::invalid_argument);
    EXPECT_THROW(even_power_scan(nan, 1, 0.1), std::invalid_argument);
    EXPECT_THROW(even_power_scan(1.0, 0, 0.1), std::invalid_argument);
    EXPECT_THROW(even_power_scan(1.0, 1, -0.1), std::invalid_argument);
    EXPECT_THROW(even_power_scan(1.0, 1, inf), std::invalid_argument);
    EXPECT_THROW(even_power_scan(1.0, 1, 1e-7), std::invalid_argument);
}

}  // namespace
}  // namespace lodthresh
