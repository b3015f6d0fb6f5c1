// Normal quantile, AS 111.
#include "numerics_testing.h"

namespace {

using namespace Numerics_1_1;
using namespace numerics_testing;

// z(p) from mpmath (root of ncdf(z) = p at 50 digits), and the AS 111 rational
// function with the stored coefficients evaluated in 50-digit mpmath from the
// double q = p - 0.5 (or the double tail probability r). The quantile tolerance
// is absolute and follows the accuracy of AS 111 in each regime.
struct QuantileCase {
    double p, quantile, tolerance, as111;
};
const QuantileCase quantile_cases[] = {
    // central branch, |p - 0.5| <= 0.42
    {0.5001, 2.506628300880074923888501e-4, TOL_AS111, 2.506628265089135930113106e-4},
    {0.3, -0.5244005127080408159694544, TOL_AS111, -0.524400511906653929151674},
    {0.7, 0.5244005127080406563136292, TOL_AS111, 0.5244005119066537694958511},
    // the split: 0.08 - 0.5 is the double -0.42 and stays central; 0.92 - 0.5
    // is 0.42000000000000004 and goes to the tail. The branches do not meet.
    {0.08, -1.405071560309632544749097, TOL_AS111, -1.405071557303303784930466},
    {0.92, 1.405071560309632824794972, TOL_AS111, 1.405071562958950342829207},
    // tail branch
    {0.025, -1.959963984540054211779584, TOL_AS111, -1.959963982288435736880902},
    {0.975, 1.959963984540053855604431, TOL_AS111, 1.959963982288435380705751},
    {0.99, 2.326347874040840767637189, TOL_AS111, 2.326347877356690439998842},
    {0.01, -2.326347874040841093075096, TOL_AS111, -2.326347877356690765436753},
    {1e-3, -3.090232306167813535358005, TOL_CHEBYSHEV, -3.090232246770874816674349},
    // far tails, where the AS 111 tail formula is only good to about 1e-4
    {1e-4, -3.719016485455680552287564, TOL_AS111_TAIL, -3.719017274037178927040054},
    {1e-6, -4.753424308822898957338864, TOL_AS111_TAIL, -4.753439106068544775879988},
    {1e-10, -6.361340902404056199100397, TOL_AS111_TAIL, -6.36146616547708811533773},
    {0.999999, 4.753424308817087765688097, TOL_AS111_TAIL, 4.753439106062733421975406},
};

TEST(Normv, AgainstHighPrecisionAndTheAS111Formula) {
    for (const QuantileCase& c : quantile_cases) {
        const double z = normv(c.p, 0.0, 1.0);
        EXPECT_NEAR(z, c.quantile, c.tolerance) << c.p;
        EXPECT_NEAR(z, c.as111, TOL_FORMULA * std::fabs(c.as111)) << c.p;
    }
}

// AS 111 transcribed in Python and evaluated in IEEE double in the written
// order: the results are the same doubles, to the last bit.
TEST(Normv, SameDoublesAsTheWrittenOrder) {
    EXPECT_EQ(normv(0.08, 0.0, 1.0), -1.4050715573033032);
    EXPECT_EQ(normv(0.92, 0.0, 1.0), 1.4050715629589503);
    EXPECT_EQ(normv(0.975, 0.0, 1.0), 1.9599639822884356);
    EXPECT_EQ(normv(0.025, 0.0, 1.0), -1.9599639822884356);
    EXPECT_EQ(normv(1e-10, 0.0, 1.0), -6.361466165477086);
    EXPECT_EQ(normv(0.99, 3.0, 4.0), 7.652695754713381);
}

TEST(Normv, MedianIsTheMeanExactly) {
    for (const double mean : {0.0, -3.5, 1e300, -1e-300}) {
        for (const double variance : {0.0, 1.0, 4.0, 1e300}) {
            EXPECT_EQ(normv(0.5, mean, variance), mean) << mean << " " << variance;
        }
    }
}

// Outside (0, 1) the tail branch returns a bare 0.0, without mean or variance.
TEST(Normv, BareZeroOutsideTheOpenUnitInterval) {
    for (const double p : {0.0, 1.0, -0.5, 1.5, -INF, INF}) {
        EXPECT_EQ(normv(p, 5.0, 4.0), 0.0) << p;
    }
    EXPECT_TRUE(std::isnan(normv(NaN, 0.0, 1.0)));
    EXPECT_TRUE(std::isnan(normv(0.3, 0.0, -1.0)));
}

}  // namespace
