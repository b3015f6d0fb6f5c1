// The exact method and its normal quantile, against 30-digit values of
// tools/exact_references.py (mpmath), stored in exact_references.tsv.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/tsv.h"
#include "threshold/exact.h"
#include "threshold/threshold.h"

namespace lodthresh {
namespace {

// The rows of the reference file whose first field is `kind` ("quantile"), or
// the calculation rows when `kind` is empty.
std::vector<std::vector<std::string>> reference_rows(const std::string& kind) {
    std::vector<std::vector<std::string>> rows;
    for (std::vector<std::string>& row : testing::read_tsv(LODTHRESH_EXACT_REFERENCES)) {
        if ((row[0] == "quantile") == (kind == "quantile")) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

double number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

// |computed - exact| / exact, with the exact value in full (30 digits) as a
// long double, so that the reference's own rounding to a double does not count.
long double relative_error(double computed, const std::string& exact) {
    const long double reference = std::strtold(exact.c_str(), nullptr);
    return std::fabs(static_cast<long double>(computed) - reference) / reference;
}

TEST(UpperNormalQuantile, IsWithinAFewUlpsFromTheMedianToTheSmallestNormalDouble) {
    // Four ulps relative (about 8.9e-16): erfc and erf are good to about one
    // ulp, and the Halley steps keep that. z(0.5) is 0 exactly.
    const auto rows = reference_rows("quantile");
    ASSERT_GE(rows.size(), 15u);
    for (const auto& row : rows) {
        SCOPED_TRACE("p = " + row[1]);
        const double z = upper_normal_quantile(number(row[1]));
        if (number(row[2]) == 0.0) {
            EXPECT_EQ(z, 0.0);
        } else {
            EXPECT_LE(relative_error(z, row[2]), 4 * DBL_EPSILON);
        }
    }
}

TEST(UpperNormalQuantile, RefusesLevelsOutsideTheUpperHalf) {
    for (const double p :
         {0.0, -0.1, 0.5000000000000001, 1.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(upper_normal_quantile(p), std::domain_error) << p;
    }
}

TEST(ComputeThresholdsExact, MatchesTheSmallestExactRootToTwoInTenToTheFifteen) {
    const auto rows = reference_rows("");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        SCOPED_TRACE("G C rho alpha = " + row[0] + " " + row[1] + " " + row[2] + " " + row[3]);
        // The precision is not used: a negative one changes nothing.
        const ThresholdParameters parameters{number(row[0]), number(row[1]), number(row[2]),
                                             number(row[3]), -1.0};
        if (row[4] == "none") {
            EXPECT_THROW(compute_thresholds_exact(parameters), NoSolution);
            continue;
        }
        const ThresholdResult r = compute_thresholds_exact(parameters);
        EXPECT_LE(relative_error(r.nominal_alpha, row[4]), 2e-15);
        // LOD = z^2 / (2 ln 10) inherits the error of alpha_n times the
        // condition |d log LOD / d log alpha_n| = 2 alpha_n / (z phi(z)),
        // which exceeds 1 only near alpha_n = 1/2 (90 at alpha_n = 0.489).
        const double z = std::sqrt(2 * std::log(10.0) * r.lod_dense);
        const double condition =
            2 * r.nominal_alpha / (z * std::exp(-z * z / 2) / std::sqrt(2 * M_PI));
        EXPECT_LE(relative_error(r.lod_dense, row[5]), 2e-15 * std::max(1.0, condition));
        EXPECT_EQ(r.lod_10cm, r.lod_dense * 0.8);
        EXPECT_EQ(r.lod_5cm, r.lod_dense * 0.85);
        EXPECT_EQ(r.lod_2cm, r.lod_dense * 0.9);
        EXPECT_EQ(r.lod_1cm, r.lod_dense * 0.93);
    }
}

TEST(ComputeThresholdsExact, AgreesWithTheStandardMethodToItsAccuracy) {
    // The standard method's AS 111 quantile is good to about 1e-7 relative
    // here, and its precision 1e-8 lets alpha_calc miss alpha by that much.
    for (const double rho : {1.0, 2.0, 3.2}) {
        const ThresholdParameters parameters{33, 23, rho, 0.05, 1e-8};
        const ThresholdResult exact = compute_thresholds_exact(parameters);
        const ThresholdResult standard = compute_thresholds(parameters);
        EXPECT_NEAR(standard.nominal_alpha / exact.nominal_alpha, 1.0, 1e-5) << rho;
        EXPECT_NEAR(standard.lod_dense, exact.lod_dense, 2e-6) << rho;
    }
}

TEST(ComputeThresholdsExact, RefusesWhatItCannotSolve) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const ThresholdParameters& p :
         {ThresholdParameters{0, 23, 2, 0.05, 0}, ThresholdParameters{33, 0, 2, 0.05, 0},
          ThresholdParameters{33, 23, -2, 0.05, 0}, ThresholdParameters{33, 23, 2, 0, 0},
          ThresholdParameters{nan, 23, 2, 0.05, 0}, ThresholdParameters{33, 23, 2, inf, 0}}) {
        EXPECT_THROW(compute_thresholds_exact(p), std::invalid_argument);
    }
    // 2 rho G overflows, or puts the root below the normal doubles.
    EXPECT_THROW(compute_thresholds_exact({1e300, 23, 1e300, 0.05, 0}), NominalLevelOutOfRange);
    EXPECT_THROW(compute_thresholds_exact({1e307, 23, 3, 1e-6, 0}), NominalLevelOutOfRange);
}

}  // namespace
}  // namespace lodthresh
