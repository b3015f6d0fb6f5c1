// The nominal significance search and its LOD scores, against an exact
// solution of the genome-wide approximation.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>

#include "numerics/numerics.h"
#include "threshold/threshold.h"
#include "threshold/units.h"

namespace lodthresh {
namespace {

ThresholdParameters parameters(double g, double c, double rho, double alpha,
                               double epsilon = 1e-8) {
    return ThresholdParameters{g, c, rho, alpha, epsilon};
}

// The standard-normal quantile to full double precision, independent of the
// library: Newton's method on Phi(z) = erfc(-z/sqrt 2)/2 from the C library.
double exact_normal_quantile(double p) {
    double z = 0.0;
    for (int i = 0; i < 100; ++i) {
        const double phi = 0.5 * std::erfc(-z / std::sqrt(2.0));
        const double density = std::exp(-0.5 * z * z) / std::sqrt(2.0 * M_PI);
        const double step = (phi - p) / density;
        z -= step;
        if (std::fabs(step) <= 1e-16 * std::fabs(z)) {
            break;
        }
    }
    return z;
}

// Exact values: tools/exact_thresholds.py (mpmath, 60 digits), which solves
// (C + 2 rho G z(a)^2) a = alpha with the exact normal quantile z.
struct Reference {
    double g, c, rho, alpha;
    double nominal_alpha;
    double lod_dense;
    // Relative error allowed in alpha_n and in lod_dense. AS 111 gives the
    // normal quantile to about 1e-7 relative in the central range, less
    // closely deep in the tail (alpha_n below 1e-6).
    double tolerance;
};
const Reference kReferences[] = {
    {33, 23, 2, 0.05, 2.251940289599898574e-05, 3.6146914347492364511, 1e-6},  // the defaults
    {33, 23, 1, 0.05, 4.8775088800018496392e-05, 3.297063223853176573, 1e-6},
    {33, 23, 2, 0.01, 3.7431448963491831027e-06, 4.3570105883531167143, 1e-6},
    {33, 23, 2, 0.2, 1.0951964142884118768e-04, 2.9662912797025344775, 1e-6},
    {100, 50, 3.2, 0.001, 5.5295550234991358865e-08, 6.119018512306761393, 2e-6},
    {1, 1, 1, 0.1, 7.9071251786726542826e-03, 1.2645375675026084175, 1e-6},
    {10, 10, 2.67, 0.05, 6.2876049094812330526e-05, 3.19302151536542668, 1e-6},
    {0, 1, 2, 0.3, 0.3, 0.059714600464749721854, 1e-6},  // no genome: alpha_n = alpha / C
};

TEST(ComputeThresholds, MatchesTheExactSolution) {
    for (const Reference& r : kReferences) {
        SCOPED_TRACE(::testing::Message()
                     << "G=" << r.g << " C=" << r.c << " rho=" << r.rho << " alpha=" << r.alpha);
        const ThresholdResult result = compute_thresholds(parameters(r.g, r.c, r.rho, r.alpha));
        // alpha_n also moves by up to the precision 1e-8 in alpha, a relative
        // 1e-8/alpha, and more where the quantile error adds to it.
        EXPECT_NEAR(result.nominal_alpha, r.nominal_alpha,
                    (4 * 1e-8 / r.alpha + r.tolerance) * r.nominal_alpha);
        EXPECT_NEAR(result.lod_dense, r.lod_dense, r.tolerance * r.lod_dense);
        // The found level solves the approximation, with the exact quantile,
        // within the precision plus the quantile's error.
        const double z = exact_normal_quantile(result.nominal_alpha);
        const double implied = (r.c + 2 * r.rho * r.g * z * z) * result.nominal_alpha;
        EXPECT_NEAR(implied, r.alpha, 1e-8 + 10 * r.tolerance * r.alpha);
    }
}

TEST(ComputeThresholds, SparseMapScoresAreFixedFractionsOfTheDenseScore) {
    const ThresholdResult result = compute_thresholds(parameters(33, 23, 2, 0.05));
    const double tolerance = 4 * std::numeric_limits<double>::epsilon();
    EXPECT_NEAR(result.lod_10cm / result.lod_dense, 0.8, tolerance);
    EXPECT_NEAR(result.lod_5cm / result.lod_dense, 0.85, tolerance);
    EXPECT_NEAR(result.lod_2cm / result.lod_dense, 0.9, tolerance);
    EXPECT_NEAR(result.lod_1cm / result.lod_dense, 0.93, tolerance);
    // About 2.89, 3.07, 3.25 and 3.36 at the defaults.
    EXPECT_NEAR(result.lod_10cm, 2.8917531477993891608, 2e-6);
    EXPECT_NEAR(result.lod_1cm, 3.3616630343167898995, 2e-6);
}

TEST(ComputeThresholds, LongerGenomesAndHigherRatesLowerTheLevelAndRaiseTheScores) {
    const ThresholdResult base = compute_thresholds(parameters(33, 23, 2, 0.05));
    for (const ThresholdParameters& p :
         {parameters(50, 23, 2, 0.05), parameters(33, 23, 3.2, 0.05)}) {
        const ThresholdResult raised = compute_thresholds(p);
        EXPECT_LT(raised.nominal_alpha, base.nominal_alpha);
        EXPECT_GT(raised.lod_dense, base.lod_dense);
        EXPECT_GT(raised.lod_1cm, base.lod_1cm);
    }
}

TEST(ComputeThresholds, TheAcceptanceBandIncludesItsEnds) {
    // Choose the precision as exactly the miss of the first midpoint: an
    // inclusive band accepts it at once.
    ThresholdParameters p = parameters(33, 23, 2, 0.05);
    const double first_mid = p.significance - (p.significance - 1e-10) / 2.0;
    const double z = Numerics_1_1::normv(first_mid, 0.0, 1.0);
    const double implied =
        ((2.0 * p.crossover_rate) * p.genome_length * std::pow(z, 2.0) + p.chromosomes) * first_mid;
    p.precision = std::fabs(implied - p.significance);
    EXPECT_EQ(compute_thresholds(p).nominal_alpha, first_mid);
}

TEST(ComputeThresholds, APrecisionOfZeroEndsWhenTheLevelIsMetExactly) {
    const ThresholdResult exact = compute_thresholds(parameters(33, 23, 2, 0.05, 0.0));
    const double z = Numerics_1_1::normv(exact.nominal_alpha, 0.0, 1.0);
    EXPECT_EQ(((2.0 * 2.0) * 33.0 * std::pow(z, 2.0) + 23.0) * exact.nominal_alpha, 0.05);
    EXPECT_NEAR(exact.nominal_alpha, 2.251940289599898574e-05, 2e-6 * 2.25e-5);
}

TEST(ComputeThresholds, ASearchThatCannotEndReportsThatThePrecisionIsNotReached) {
    const ThresholdParameters cases[] = {
        parameters(33, 23, 2, 0.0),          // the start interval is reversed
        parameters(33, 23, 2, 1e-10),        // empty
        parameters(33, 23, 2, 5e-11),        // reversed, below the lower start bound
        parameters(33, 23, 2, -0.5),         // a negative level
        parameters(33, 23, 2, 0.05, -1e-9),  // an empty acceptance band
        parameters(0, 0, 2, 0.05),           // alpha_calc is 0 for every level
    };
    for (const ThresholdParameters& p : cases) {
        SCOPED_TRACE(::testing::Message() << "alpha=" << p.significance << " eps=" << p.precision);
        EXPECT_THROW(compute_thresholds(p), PrecisionNotReached);
    }
}

TEST(ComputeThresholds, AnImpliedLevelThatIsNotANumberMeetsNoPrecision) {
    // Regression: a comparison with NaN fell through to acceptance. Here
    // 2 rho G overflows to infinity and the first midpoint is exactly 0.5,
    // where T = 0, so alpha_calc = inf * 0; it was reported as alpha_n = 0.5
    // with every LOD score 0.
    const double alpha = 1.0 - 1e-10;
    ASSERT_EQ(alpha - (alpha - 1e-10) / 2.0, 0.5);
    EXPECT_THROW(compute_thresholds(parameters(1e300, 23, 1e300, alpha)), PrecisionNotReached);
    EXPECT_THROW(compute_thresholds(parameters(33, 23, 2, std::nan(""))), PrecisionNotReached);
    EXPECT_THROW(compute_thresholds(parameters(33, 23, 2, 0.05, std::nan(""))),
                 PrecisionNotReached);
}

TEST(ComputeThresholds, ANominalLevelAboveOneHalfIsANumericsFailure) {
    // One chromosome and no genome length: alpha_n = alpha = 0.9, and
    // 1 - 2 alpha_n is no probability for the chi-square quantile.
    std::ostringstream errors;
    std::streambuf* const saved = std::cerr.rdbuf(errors.rdbuf());
    EXPECT_THROW(compute_thresholds(parameters(0, 1, 2, 0.9)), Numerics_1_1::Exception);
    std::cerr.rdbuf(saved);
    EXPECT_EQ(errors.str(), "Numerics Error in routine chisqv\n    Invalid p parameter\n");
}

}  // namespace
}  // namespace lodthresh

namespace lodthresh {
namespace {

// Every LOD score goes through lod_of_chi_square; the dialogue's is defined as
// chi^2 / (2 ln 10) with the C library's ln 10, which must be the same double.
TEST(Units, LnTenIsTheCLibrarysAndTheMapFractionsLanderAndKruglyaks) {
    EXPECT_EQ(kLn10, std::log(10.0));
    EXPECT_EQ(lod_of_chi_square(10.0), 10.0 / (2 * std::log(10.0)));
    const ThresholdResult r = with_map_fractions(1e-5, 3.0);
    EXPECT_EQ(r.lod_10cm, 3.0 * 0.8);
    EXPECT_EQ(r.lod_5cm, 3.0 * 0.85);
    EXPECT_EQ(r.lod_2cm, 3.0 * 0.9);
    EXPECT_EQ(r.lod_1cm, 3.0 * 0.93);
}

}  // namespace
}  // namespace lodthresh
