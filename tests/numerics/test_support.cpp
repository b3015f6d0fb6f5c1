// Numerics support: the error type and its message, and the three predicates.
#include <type_traits>

#include "numerics_testing.h"

namespace {

using namespace Numerics_1_1;
using namespace numerics_testing;

TEST(Exception, IsAnEmptyTriviallyCopyableClassOutsideTheStandardHierarchy) {
    static_assert(std::is_empty_v<Exception>);
    static_assert(std::is_trivially_copyable_v<Exception>);
    static_assert(!std::is_base_of_v<std::exception, Exception>);
    static_assert(!std::is_polymorphic_v<Exception>);
}

TEST(Exception, ConstructionWritesTheTwoLines) {
    EXPECT_TRUE(raises([] { throw Exception("gser", "x less than 0"); }, "gser", "x less than 0"));
    EXPECT_TRUE(raises([] { throw Exception("", ""); }, "", ""));
}

struct ToleranceCase {
    double value, target, tolerance;
    bool expected;
};

// Bounds are formed in double and both are inclusive: 1.0 + 5e-9 rounds to
// 1.000000005 exactly, so that value is inside.
const ToleranceCase tolerance_cases[] = {
    {1.000000005, 1.0, 5e-9, true},
    {0.999999995, 1.0, 5e-9, true},
    {1.0000000050000002, 1.0, 5e-9, false},
    {0.9999999949999999, 1.0, 5e-9, false},
    {0.0, 0.0, 0.0, true},
    {5e-9, 0.0, 5e-9, true},
    {-5e-9, 0.0, 5e-9, true},
    {5.000000000000001e-9, 0.0, 5e-9, false},
    {-5.000000000000001e-9, 0.0, 5e-9, false},
    {0.0, 0.0, -5e-9, false},
    {1.0, 1.0, -1e-9, false},
    // A negative tolerance too small to move the bounds off the target leaves
    // the band [target, target]: the bounds are compared, not |value - target|.
    {1.0, 1.0, -1e-300, true},
    {NaN, 0.0, 5e-9, false},
    {NaN, NaN, 5e-9, false},
    {1.0, 1.0, NaN, false},
    {1e300, 0.0, INF, true},
};

TEST(WithinTolerance, BoundCases) {
    for (const ToleranceCase& c : tolerance_cases) {
        EXPECT_EQ(within_tolerance(c.value, c.target, c.tolerance), c.expected)
            << c.value << " " << c.target << " " << c.tolerance;
    }
}

TEST(IsPositive, StrictlyAboveZero) {
    EXPECT_FALSE(is_positive(0.0));
    EXPECT_FALSE(is_positive(-0.0));
    EXPECT_FALSE(is_positive(-1e-300));
    EXPECT_FALSE(is_positive(NaN));
    EXPECT_TRUE(is_positive(1e-300));
    EXPECT_TRUE(is_positive(4.9406564584124654e-324));
    EXPECT_TRUE(is_positive(INF));
}

TEST(IsProbability, ClosedUnitIntervalAndNaN) {
    EXPECT_TRUE(is_probability(0.0));
    EXPECT_TRUE(is_probability(-0.0));
    EXPECT_TRUE(is_probability(1.0));
    EXPECT_TRUE(is_probability(0.5));
    EXPECT_TRUE(is_probability(NaN));
    EXPECT_FALSE(is_probability(-1e-300));
    EXPECT_FALSE(is_probability(1.0000000000000002));
    EXPECT_FALSE(is_probability(-INF));
    EXPECT_FALSE(is_probability(INF));
}

}  // namespace
