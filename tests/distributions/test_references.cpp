// The incomplete beta function, the F tails, the F quantile and the LOD
// conversion against the 30-digit references of tools/f_references.py.
#include "distributions/f.h"
#include "distributions_testing.h"

namespace {

using namespace lodthresh::distributions;
using namespace distributions_testing;

// Tolerances in DBL_EPSILON times max(1, condition), each the rung above the
// worst error measured over the table (stated in distributions/f.h).
constexpr double BETA_TOLERANCE = 4.0;
constexpr double TAIL_TOLERANCE = 4.0;
constexpr double QUANTILE_TOLERANCE = 4.0;
constexpr double LOD_TOLERANCE = 4.0;

// A table that failed to load, or lost a kind of row, would pass every test
// below without checking anything.
TEST(References, TableHoldsEveryKindOfRow) {
    EXPECT_GE(rows("beta").size(), 150u);
    EXPECT_EQ(rows("fquantile").size(), 2u * 11u * 23u);
    EXPECT_GE(rows("ftail").size(), 2u * 11u * 23u - 10u);
    EXPECT_EQ(rows("lod").size(), 8u * 7u);
}

TEST(IncompleteBeta, AgainstReferences) {
    for (const Row& row : rows("beta")) {
        const double a = row.arguments[0];
        const double b = row.arguments[1];
        const double x = row.arguments[2];
        EXPECT_TRUE(
            within(incomplete_beta(a, b, x), row.reference(0), row.number(2), BETA_TOLERANCE))
            << row.text;
        EXPECT_TRUE(within(incomplete_beta_complement(a, b, x), row.reference(1), row.number(3),
                           BETA_TOLERANCE))
            << row.text;
    }
}

TEST(FTails, AgainstReferences) {
    for (const Row& row : rows("ftail")) {
        const double d1 = row.arguments[0];
        const double d2 = row.arguments[1];
        const double f = row.arguments[2];
        EXPECT_TRUE(
            within(f_upper_tail(f, d1, d2), row.reference(0), row.number(2), TAIL_TOLERANCE))
            << row.text;
        EXPECT_TRUE(
            within(f_lower_tail(f, d1, d2), row.reference(1), row.number(3), TAIL_TOLERANCE))
            << row.text;
    }
}

// Quantiles from 0.99 down to 1e-300, and +infinity where the quantile is
// beyond the largest double (d2 = 1).
TEST(FUpperQuantile, AgainstReferences) {
    for (const Row& row : rows("fquantile")) {
        const double d1 = row.arguments[0];
        const double d2 = row.arguments[1];
        const double p = row.arguments[2];
        EXPECT_TRUE(within(f_upper_quantile(p, d1, d2), row.reference(0), row.number(1),
                           QUANTILE_TOLERANCE))
            << row.text;
    }
}

// The inverse's condition: with u = 2 LOD ln 10 / n and F = (d2/k)(e^u - 1),
// d ln F / d ln LOD = u e^u / (e^u - 1).
TEST(LodConversion, AgainstReferences) {
    for (const Row& row : rows("lod")) {
        const int k = static_cast<int>(row.arguments[0]);
        const int n = static_cast<int>(row.arguments[1]);
        const double f = row.arguments[2];
        const double lod = row.number(0);
        EXPECT_TRUE(within(lod_of_f(f, k, n), row.reference(0), 1.0, LOD_TOLERANCE)) << row.text;
        const double u = 2.0 * lod * std::log(10.0) / n;
        const double condition = u / -std::expm1(-u);
        EXPECT_TRUE(within(f_of_lod(lod, k, n), row.reference(1), condition, LOD_TOLERANCE))
            << row.text;
    }
}

}  // namespace
