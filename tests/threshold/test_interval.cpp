// Interval mapping between markers: the exceedance of an arc against 30-digit
// mpmath quadratures of its polar integral (tools/interval_references.py) and
// against Monte Carlo draws of the whitened markers, the angles against the
// conditional expectation of the process, and the thresholds of scans against
// the markers alone and the dense map.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/tsv.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "threshold/interval.h"
#include "threshold/units.h"

namespace lodthresh {
namespace {

double relative_error(double value, long double reference) {
    return static_cast<double>(std::fabs((value - reference) / reference));
}

std::vector<double> split_angles(const std::string& field) {
    std::vector<double> angles;
    std::istringstream in(field);
    for (std::string angle; std::getline(in, angle, ',');) {
        angles.push_back(std::stod(angle));
    }
    return angles;
}

// The continuous arc within 1e-15 (measured: 6.2e-16, most of it the rounding
// of tan(theta/2)); pseudomarkers within 2e-15 (measured 1.5e-15, a
// pseudomarker at 0.05 of an arc of 0.9 from its marker).
TEST(IntervalExceedance, AgreesWithMpmathQuadraturesOfThePolarIntegral) {
    const auto rows = testing::read_tsv(LODTHRESH_INTERVAL_REFERENCES);
    ASSERT_GE(rows.size(), 96u);
    for (const auto& row : rows) {
        const double theta = std::stod(row[0]);
        const double b = std::stod(row[1]);
        const long double reference = std::stold(row[3]);
        if (row[2] == "-") {
            EXPECT_LE(relative_error(interval_exceedance(theta, b), reference), 1e-15)
                << "theta " << row[0] << ", b " << row[1];
        } else {
            EXPECT_LE(
                relative_error(interval_exceedance(theta, split_angles(row[2]), b), reference),
                2e-15)
                << "theta " << row[0] << ", b " << row[1] << ", pseudomarkers " << row[2];
        }
    }
}

// 10^7 draws of W each: the largest projection on the directions evaluated,
// found directly (on the arc: |W| where W's own direction lies in it, else
// the nearer end's; at pseudomarkers: the largest of their projections).
TEST(IntervalExceedance, AgreesWithMonteCarloOfTheWhitenedMarkers) {
    struct Case {
        double theta;
        double b;
        std::vector<double> pseudomarkers;  // empty: every direction of the arc
    };
    const Case cases[] = {{0.3, 1.5, {}}, {0.8, 2.5, {}}, {1.3, 3.0, {}}, {0.8, 2.0, {0.2, 0.5}}};
    std::mt19937_64 generator(20240611);
    std::normal_distribution<double> normal;
    constexpr long kDraws = 10000000;
    for (const Case& c : cases) {
        long hits = 0;
        for (long draw = 0; draw < kDraws; ++draw) {
            const double w1 = normal(generator);
            const double w2 = normal(generator);
            const double left = w1;
            const double right = w1 * std::cos(c.theta) + w2 * std::sin(c.theta);
            if (left > c.b || right > c.b) {
                continue;
            }
            double largest = std::max(left, right);
            if (c.pseudomarkers.empty()) {
                const double direction = std::atan2(w2, w1);
                if (direction >= 0.0 && direction <= c.theta) {
                    largest = std::hypot(w1, w2);
                }
            } else {
                for (const double angle : c.pseudomarkers) {
                    largest = std::max(largest, w1 * std::cos(angle) + w2 * std::sin(angle));
                }
            }
            hits += largest > c.b ? 1 : 0;
        }
        const double p = static_cast<double>(hits) / kDraws;
        const double standard_error = std::sqrt(p * (1.0 - p) / kDraws);
        const double value = c.pseudomarkers.empty()
                                 ? interval_exceedance(c.theta, c.b)
                                 : interval_exceedance(c.theta, c.pseudomarkers, c.b);
        EXPECT_NEAR(value, p, 4.0 * standard_error) << "theta " << c.theta << ", b " << c.b << ", "
                                                    << c.pseudomarkers.size() << " pseudomarkers";
    }
}

TEST(IntervalExceedance, LimitsOfTheArc) {
    EXPECT_EQ(interval_exceedance(0.0, 3.0), 0.0);
    EXPECT_EQ(interval_exceedance(0.7, 0.0), 0.0);
    // Pseudomarkers at the markers add nothing; the arc's own ends are its markers.
    EXPECT_EQ(interval_exceedance(0.7, {0.0, 0.7}, 2.0), 0.0);
    // Two markers at right angles: I = (1/2pi) int over the quarter turn, and
    // the peaks between fall as the level rises.
    double previous = std::numeric_limits<double>::infinity();
    for (const double b : {2.0, 3.0, 4.0, 6.0}) {
        const double value = interval_exceedance(std::acos(0.0), b);
        EXPECT_LT(value, previous) << b;
        EXPECT_LT(value, 0.25 * std::exp(-0.5 * b * b)) << b;
        previous = value;
    }
}

// The statistic between the markers is the best linear predictor of Z(x)
// from Z(0) and Z(d), normalised: its correlations with the two markers are
// the cosines of its angles to them.
TEST(PseudomarkerAngle, IsTheNormalisedConditionalExpectation) {
    const struct {
        double rate, length, offset;
    } cases[] = {{1.0, 0.1, 0.03}, {1.0, 0.1, 0.05},   {2.0, 0.2, 0.15}, {1.5, 0.01, 0.001},
                 {4.0, 1.0, 0.3},  {0.5, 0.05, 0.049}, {1.0, 3.0, 1.0}};
    for (const auto& c : cases) {
        const double r = std::exp(-2.0 * c.rate * c.length);
        const double to_left = std::exp(-2.0 * c.rate * c.offset);
        const double to_right = std::exp(-2.0 * c.rate * (c.length - c.offset));
        const double alpha = (to_left - to_right * r) / (1.0 - r * r);
        const double beta = (to_right - to_left * r) / (1.0 - r * r);
        const double sd = std::sqrt(alpha * alpha + beta * beta + 2.0 * alpha * beta * r);
        const double theta = interval_angle(c.rate, c.length);
        const double psi = pseudomarker_angle(c.rate, c.length, c.offset);
        EXPECT_NEAR(std::cos(theta), r, 1e-15);
        EXPECT_NEAR(std::cos(psi), to_left / sd, 1e-14) << c.rate << " " << c.length;
        EXPECT_NEAR(std::cos(theta - psi), to_right / sd, 1e-14) << c.rate << " " << c.length;
        EXPECT_EQ(pseudomarker_angle(c.rate, c.length, 0.0), 0.0);
        EXPECT_EQ(pseudomarker_angle(c.rate, c.length, c.length), theta);
    }
    EXPECT_NEAR(pseudomarker_angle(1.0, 0.2, 0.1), 0.5 * interval_angle(1.0, 0.2), 1e-16);
}

struct TailRate {
    Tail tail;
    double rate;
};
const TailRate kTails[] = {{Tail::one_sided, 2.0}, {Tail::two_sided, 1.0}, {Tail::two_df, 1.5}};

// Every evaluation between the markers can only add peaks, and the dense map
// (the process itself) has more than the interpolation between markers.
TEST(IntervalThreshold, LiesBetweenTheMarkersAloneAndTheDenseMap) {
    for (const TailRate& tr : kTails) {
        for (const double spacing_cm : {2.0, 5.0, 10.0, 20.0}) {
            for (const double alpha : {0.05, 0.001}) {
                const double spacing = spacing_cm / kCentimorgansPerMorgan;
                const double markers =
                    design_threshold(even_scan(16, 20, spacing), tr.tail, tr.rate, alpha).lod;
                const double dense =
                    design_threshold(even_scan(16, 20, 0.0), tr.tail, tr.rate, alpha).lod;
                const double stepped = interval_threshold(even_interval_scan(16, 20, spacing, 0.01),
                                                          tr.tail, tr.rate, alpha)
                                           .lod;
                const double every =
                    interval_threshold(even_interval_scan(16, 20, spacing, kEveryPoint), tr.tail,
                                       tr.rate, alpha)
                        .lod;
                EXPECT_LT(markers, stepped) << tail_name(tr.tail) << " " << spacing_cm << " cM";
                EXPECT_LT(stepped, every) << tail_name(tr.tail) << " " << spacing_cm << " cM";
                EXPECT_LT(every, dense) << tail_name(tr.tail) << " " << spacing_cm << " cM";
            }
        }
    }
}

TEST(IntervalThreshold, ExpectsAlphaPeaksAtTheThreshold) {
    for (const TailRate& tr : kTails) {
        for (const double step : {kEveryPoint, 0.01, 0.03}) {
            for (const double alpha : {0.05, 0.001, 0.63}) {
                const IntervalScan scan = even_interval_scan(16, 20, 0.05, step);
                const DesignThreshold result = interval_threshold(scan, tr.tail, tr.rate, alpha);
                const double lambda =
                    interval_expected_peaks(scan, tr.tail, tr.rate, chi_square_of_lod(result.lod));
                EXPECT_LE(relative_error(lambda, alpha), 1e-12)
                    << tail_name(tr.tail) << ", step " << step << ", alpha " << alpha;
                // The nominal level is alpha_T at the threshold.
                EXPECT_LE(relative_error(result.nominal_alpha,
                                         pointwise_level(tr.tail, chi_square_of_lod(result.lod))),
                          1e-12);
            }
        }
    }
}

// A step beyond every interval leaves the markers alone: the markers' own
// level and threshold to the last bit.
TEST(IntervalThreshold, StepBeyondEveryIntervalIsTheMarkersAlone) {
    IntervalScan scan;
    scan.chromosomes = {{0.05, 0.12, 0.031}, {0.2}, {}, {0.07, 0.07}};
    for (const double step : {0.25, 1e9, std::numeric_limits<double>::infinity()}) {
        scan.step = step;
        for (const TailRate& tr : kTails) {
            EXPECT_EQ(interval_expected_peaks(scan, tr.tail, tr.rate, 14.0),
                      expected_peaks(marker_scan(scan), tr.tail, tr.rate, 14.0));
            const DesignThreshold between = interval_threshold(scan, tr.tail, tr.rate, 0.05);
            const DesignThreshold markers =
                design_threshold(marker_scan(scan), tr.tail, tr.rate, 0.05);
            EXPECT_EQ(between.lod, markers.lod) << tail_name(tr.tail);
            EXPECT_EQ(between.nominal_alpha, markers.nominal_alpha) << tail_name(tr.tail);
        }
    }
}

// The peaks between the markers of 10 cM intervals as the step shrinks: the
// missed part falls with the square of the step.
TEST(PseudomarkerStep, TendsToTheContinuousInterval) {
    struct Case {
        TailRate tail_rate;
        double step;
        double tolerance;  // relative, of the peaks between the markers
    };
    const Case cases[] = {
        {{Tail::two_sided, 1.0}, 0.001, 5e-3}, {{Tail::two_sided, 1.0}, 0.0001, 5e-5},
        {{Tail::two_sided, 1.0}, 1e-5, 5e-7},  {{Tail::one_sided, 2.0}, 1e-5, 5e-7},
        {{Tail::two_df, 1.5}, 0.0025, 2e-3},
    };
    const double t = 14.0;
    for (const Case& c : cases) {
        const TailRate& tr = c.tail_rate;
        IntervalScan scan = even_interval_scan(1.0, 1, 0.1, kEveryPoint);
        const double markers = expected_peaks(marker_scan(scan), tr.tail, tr.rate, t);
        const double every = interval_expected_peaks(scan, tr.tail, tr.rate, t) - markers;
        scan.step = c.step;
        const double stepped = interval_expected_peaks(scan, tr.tail, tr.rate, t) - markers;
        EXPECT_GT(every, stepped) << tail_name(tr.tail) << " " << c.step;
        EXPECT_LE(relative_error(stepped, every), c.tolerance)
            << tail_name(tr.tail) << ", step " << c.step;
    }
}

// The pseudomarkers of a chromosome follow its first marker: markers at 0,
// 1.5 and 3.5 cM with a 1 cM step put them at 1 cM, then 2 and 3 cM.
TEST(PseudomarkerStep, GridStartsAtTheChromosomesFirstMarker) {
    IntervalScan scan;
    scan.chromosomes = {{0.015, 0.02}};
    scan.step = 0.01;
    const double rate = 1.0;
    const double t = 12.0;
    const double b = std::sqrt(t);
    const double first = interval_exceedance(interval_angle(rate, 0.015),
                                             {pseudomarker_angle(rate, 0.015, 0.01)}, b);
    const double second = interval_exceedance(
        interval_angle(rate, 0.02),
        {pseudomarker_angle(rate, 0.02, 0.005), pseudomarker_angle(rate, 0.02, 0.015)}, b);
    const double between = interval_expected_peaks(scan, Tail::two_sided, rate, t) -
                           expected_peaks(marker_scan(scan), Tail::two_sided, rate, t);
    EXPECT_LE(relative_error(between, 2.0 * (first + second)), 1e-13);
}

// Intervals alike are counted once: a scan's level is the sum of its
// chromosomes' levels, markers 2.5 cM apart putting 1 cM pseudomarkers at two
// different places in alternate intervals.
TEST(PseudomarkerStep, ScanIsTheSumOfItsChromosomes) {
    for (const TailRate& tr : kTails) {
        IntervalScan scan;
        scan.chromosomes = {std::vector<double>(8, 0.025), {0.025, 0.04, 0.013}, {0.1}};
        scan.step = 0.01;
        double sum = 0.0;
        for (const std::vector<double>& chromosome : scan.chromosomes) {
            IntervalScan one;
            one.chromosomes = {chromosome};
            one.step = scan.step;
            sum += interval_expected_peaks(one, tr.tail, tr.rate, 13.0);
        }
        EXPECT_LE(relative_error(interval_expected_peaks(scan, tr.tail, tr.rate, 13.0), sum), 1e-13)
            << tail_name(tr.tail);
    }
}

// The 2-df statistic between the markers: draws of the two components'
// whitened markers with |W|^2 > T (the only ones that can exceed T anywhere,
// drawn from the chi-square tail with 4 df), each point's statistic found
// directly. The quadrature is within 1e-4 of finer ones; the draws' standard
// error is some 1e-3 of the value.
TEST(TwoDfIntervalExceedance, AgreesWithMonteCarloOfTheTwoComponents) {
    struct Case {
        double length;
        double t;
        double step;  // 0: every point, drawn on a grid of 256 intervals
        long draws;
    };
    const Case cases[] = {{0.1, 12.0, 0.02, 2000000}, {0.05, 15.0, 0.0, 400000}};
    const double rate = 1.5;
    std::mt19937_64 generator(7);
    std::normal_distribution<double> normal;
    std::exponential_distribution<double> exponential(0.5);
    std::uniform_real_distribution<double> uniform;
    for (const Case& c : cases) {
        std::vector<double> xs{0.0};
        std::vector<double> offsets;
        const int points = c.step > 0.0 ? static_cast<int>(std::lround(c.length / c.step)) : 256;
        for (int i = 1; i < points; ++i) {
            xs.push_back(c.length * i / points);
            offsets.push_back(xs.back());
        }
        xs.push_back(c.length);
        std::vector<double> additive, dominance;
        for (const double x : xs) {
            additive.push_back(pseudomarker_angle(kAdditiveShare * rate, c.length, x));
            dominance.push_back(pseudomarker_angle(kDominanceShare * rate, c.length, x));
        }
        long hits = 0;
        for (long draw = 0; draw < c.draws; ++draw) {
            // |W|^2 - T: exponential of mean 2 with weight T / (T + 2), else gamma(2, 2).
            const double excess = uniform(generator) < c.t / (c.t + 2.0)
                                      ? exponential(generator)
                                      : exponential(generator) + exponential(generator);
            double w[4];
            double norm = 0.0;
            for (double& component : w) {
                component = normal(generator);
                norm += component * component;
            }
            const double scale = std::sqrt((c.t + excess) / norm);
            const auto statistic = [&](std::size_t j) {
                const double za =
                    scale * (w[0] * std::cos(additive[j]) + w[1] * std::sin(additive[j]));
                const double zd =
                    scale * (w[2] * std::cos(dominance[j]) + w[3] * std::sin(dominance[j]));
                return za * za + zd * zd;
            };
            if (statistic(0) > c.t || statistic(xs.size() - 1) > c.t) {
                continue;
            }
            for (std::size_t j = 1; j + 1 < xs.size(); ++j) {
                if (statistic(j) > c.t) {
                    ++hits;
                    break;
                }
            }
        }
        const double tail = (1.0 + 0.5 * c.t) * std::exp(-0.5 * c.t);  // P(chi2_4 > T)
        const double p = static_cast<double>(hits) / c.draws;
        const double standard_error = tail * std::sqrt(p * (1.0 - p) / c.draws);
        const double value = c.step > 0.0 ? two_df_interval_exceedance(rate, c.length, offsets, c.t)
                                          : two_df_interval_exceedance(rate, c.length, c.t);
        EXPECT_NEAR(value, tail * p, 4.0 * standard_error) << c.length << " " << c.step;
    }
}

TEST(IntervalScans, EvenMapsAndGeneticMaps) {
    const IntervalScan even = even_interval_scan(16, 20, 0.1, 0.01);
    ASSERT_EQ(even.chromosomes.size(), 20u);
    EXPECT_EQ(even.chromosomes[0], std::vector<double>(8, 0.1));
    EXPECT_EQ(even.step, 0.01);
    // 33 Morgan on 23 chromosomes at 10 cM: 15 equal intervals of 9.57 cM.
    const IntervalScan uneven = even_interval_scan(33, 23, 0.1, kEveryPoint);
    ASSERT_EQ(uneven.chromosomes[0].size(), 15u);
    EXPECT_DOUBLE_EQ(uneven.chromosomes[0].back(), 33.0 / 23.0 / 15.0);

    const MapReading reading = read_genetic_map("marker,chr,pos\na,1,0\nb,1,12.5\nc,1,20\nd,2,3\n");
    ASSERT_TRUE(reading.errors.empty());
    const IntervalScan from_map = map_interval_scan(reading.map, 0.01);
    ASSERT_EQ(from_map.chromosomes.size(), 2u);
    EXPECT_EQ(from_map.chromosomes[0].size(), 2u);
    EXPECT_TRUE(from_map.chromosomes[1].empty());
    // The markers alone are the map's own scan.
    EXPECT_EQ(expected_peaks(marker_scan(from_map), Tail::two_sided, 1.0, 10.0),
              expected_peaks(map_scan(reading.map), Tail::two_sided, 1.0, 10.0));
}

TEST(IntervalScans, BadArgumentsAreRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(interval_exceedance(-0.1, 1.0), std::invalid_argument);
    EXPECT_THROW(interval_exceedance(2.0, 1.0), std::invalid_argument);
    EXPECT_THROW(interval_exceedance(0.5, nan), std::invalid_argument);
    EXPECT_THROW(interval_exceedance(0.5, -1.0), std::invalid_argument);
    EXPECT_THROW(interval_exceedance(0.5, {0.6}, 1.0), std::invalid_argument);
    EXPECT_THROW(interval_angle(0.0, 0.1), std::invalid_argument);
    EXPECT_THROW(interval_angle(1.0, -0.1), std::invalid_argument);
    EXPECT_THROW(pseudomarker_angle(1.0, 0.1, 0.2), std::invalid_argument);
    EXPECT_THROW(two_df_interval_exceedance(1.5, 0.1, {0.2}, 10.0), std::invalid_argument);
    EXPECT_THROW(two_df_interval_exceedance(1.5, 0.1, inf), std::invalid_argument);

    const IntervalScan good = even_interval_scan(1, 1, 0.1, 0.01);
    const IntervalScan bad_scans[] = {
        IntervalScan{{}, kEveryPoint},
        IntervalScan{{{0.1, -0.1}}, kEveryPoint},
        IntervalScan{{{0.1, nan}}, kEveryPoint},
        IntervalScan{{{0.1}}, -0.01},
        IntervalScan{{{0.1}}, nan},
        IntervalScan{{{0.1}}, 1e-8},  // 10 million pseudomarkers in the interval
    };
    for (const IntervalScan& scan : bad_scans) {
        for (const TailRate& tr : kTails) {
            EXPECT_THROW(interval_expected_peaks(scan, tr.tail, tr.rate, 10.0),
                         std::invalid_argument);
            EXPECT_THROW(interval_threshold(scan, tr.tail, tr.rate, 0.05), std::invalid_argument);
        }
    }
    // 100,000 pseudomarkers over intervals of different lengths at most.
    IntervalScan crowded;
    for (int i = 0; i < 200; ++i) {
        crowded.chromosomes.push_back({0.1 + 1e-4 * i});
    }
    crowded.step = 1.5e-4;
    EXPECT_THROW(interval_expected_peaks(crowded, Tail::two_sided, 1.0, 10.0),
                 std::invalid_argument);
    EXPECT_THROW(interval_threshold(good, Tail::two_sided, 1.0, 0.0), std::invalid_argument);
    EXPECT_THROW(interval_threshold(good, Tail::two_sided, nan, 0.05), std::invalid_argument);
    EXPECT_THROW(interval_expected_peaks(good, Tail::two_sided, 1.0, -1.0), std::invalid_argument);
    EXPECT_THROW(
        interval_threshold(IntervalScan{{{1e300}}, kEveryPoint}, Tail::two_sided, 1.0, 0.05),
        std::invalid_argument);
    EXPECT_THROW(even_interval_scan(16, 0, 0.1, 0.0), std::invalid_argument);
    EXPECT_THROW(even_interval_scan(16, 20, 0.0, 0.0), std::invalid_argument);
    // One short chromosome never expects a false positive per scan.
    EXPECT_THROW(
        interval_threshold(even_interval_scan(0.5, 1, 0.1, 0.0), Tail::one_sided, 2.0, 1.0),
        NoSolution);
}

}  // namespace
}  // namespace lodthresh
