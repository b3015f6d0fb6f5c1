// Every invalid argument of every function throws std::invalid_argument with
// a message naming the function, the argument and its value; shapes beyond the
// continued fraction's range throw std::domain_error.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "distributions/f.h"
#include "distributions_testing.h"

namespace {

using namespace lodthresh::distributions;
using namespace distributions_testing;

struct ErrorCase {
    std::function<double()> call;
    std::string message;
};

template <typename Error>
::testing::AssertionResult throws(const ErrorCase& c) {
    try {
        const double value = c.call();
        return ::testing::AssertionFailure() << "returned " << value;
    } catch (const Error& error) {
        if (error.what() != c.message) {
            return ::testing::AssertionFailure() << "message [" << error.what() << "]";
        }
        return ::testing::AssertionSuccess();
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "another exception: " << error.what();
    }
}

const std::string prefix = "lodthresh::distributions::";

TEST(InvalidArguments, ThrowInvalidArgumentWithTheirValue) {
    const std::vector<ErrorCase> cases = {
        {[] { return incomplete_beta(0.0, 1.0, 0.5); },
         prefix + "incomplete_beta: a = 0 is not a positive finite shape"},
        {[] { return incomplete_beta(-1.5, 1.0, 0.5); },
         prefix + "incomplete_beta: a = -1.5 is not a positive finite shape"},
        {[] { return incomplete_beta(NaN, 1.0, 0.5); },
         prefix + "incomplete_beta: a = nan is not a positive finite shape"},
        {[] { return incomplete_beta(INF, 1.0, 0.5); },
         prefix + "incomplete_beta: a = inf is not a positive finite shape"},
        {[] { return incomplete_beta(1.0, 0.0, 0.5); },
         prefix + "incomplete_beta: b = 0 is not a positive finite shape"},
        {[] { return incomplete_beta(1.0, NaN, 0.5); },
         prefix + "incomplete_beta: b = nan is not a positive finite shape"},
        {[] { return incomplete_beta(1.0, 1.0, -0.1); },
         prefix + "incomplete_beta: x = -0.1 is outside [0, 1]"},
        {[] { return incomplete_beta(1.0, 1.0, 1.0000000000000002); },
         prefix + "incomplete_beta: x = 1.0000000000000002 is outside [0, 1]"},
        {[] { return incomplete_beta(1.0, 1.0, NaN); },
         prefix + "incomplete_beta: x = nan is outside [0, 1]"},
        {[] { return incomplete_beta_complement(-INF, 1.0, 0.5); },
         prefix + "incomplete_beta_complement: a = -inf is not a positive finite shape"},
        {[] { return incomplete_beta_complement(1.0, -2.0, 0.5); },
         prefix + "incomplete_beta_complement: b = -2 is not a positive finite shape"},
        {[] { return incomplete_beta_complement(1.0, 1.0, 2.0); },
         prefix + "incomplete_beta_complement: x = 2 is outside [0, 1]"},
        {[] { return f_upper_tail(1.0, 0.0, 10.0); },
         prefix + "f_upper_tail: d1 = 0 is not a positive finite number of degrees of freedom"},
        {[] { return f_upper_tail(1.0, 1.0, -10.0); },
         prefix + "f_upper_tail: d2 = -10 is not a positive finite number of degrees of freedom"},
        {[] { return f_upper_tail(1.0, NaN, 10.0); },
         prefix + "f_upper_tail: d1 = nan is not a positive finite number of degrees of freedom"},
        {[] { return f_upper_tail(1.0, 1.0, INF); },
         prefix + "f_upper_tail: d2 = inf is not a positive finite number of degrees of freedom"},
        {[] { return f_upper_tail(NaN, 1.0, 10.0); }, prefix + "f_upper_tail: f is NaN"},
        {[] { return f_lower_tail(1.0, -1.0, 10.0); },
         prefix + "f_lower_tail: d1 = -1 is not a positive finite number of degrees of freedom"},
        {[] { return f_lower_tail(1.0, 1.0, 0.0); },
         prefix + "f_lower_tail: d2 = 0 is not a positive finite number of degrees of freedom"},
        {[] { return f_lower_tail(NaN, 1.0, 10.0); }, prefix + "f_lower_tail: f is NaN"},
        {[] { return f_upper_quantile(0.0, 1.0, 10.0); },
         prefix + "f_upper_quantile: p = 0 is outside (0, 1)"},
        {[] { return f_upper_quantile(1.0, 1.0, 10.0); },
         prefix + "f_upper_quantile: p = 1 is outside (0, 1)"},
        {[] { return f_upper_quantile(-1e-300, 1.0, 10.0); },
         prefix + "f_upper_quantile: p = -1e-300 is outside (0, 1)"},
        {[] { return f_upper_quantile(NaN, 1.0, 10.0); },
         prefix + "f_upper_quantile: p = nan is outside (0, 1)"},
        {[] { return f_upper_quantile(0.05, 0.0, 10.0); },
         prefix + "f_upper_quantile: d1 = 0 is not a positive finite number of degrees of freedom"},
        {[] { return f_upper_quantile(0.05, 1.0, NaN); },
         prefix +
             "f_upper_quantile: d2 = nan is not a positive finite number of degrees of freedom"},
        {[] { return lod_of_f(1.0, 0, 100); },
         prefix + "lod_of_f: k = 0 is below 1 degree of freedom"},
        {[] { return lod_of_f(1.0, 1, 2); },
         prefix + "lod_of_f: n = 2 individuals leave n - k - 1 = 0 residual degrees of freedom "
                  "for k = 1; at least 1 is needed"},
        {[] { return lod_of_f(1.0, 2, -2147483647 - 1); },
         prefix + "lod_of_f: n = -2147483648 individuals leave n - k - 1 = -2147483651 residual "
                  "degrees of freedom for k = 2; at least 1 is needed"},
        {[] { return lod_of_f(-1.0, 1, 100); },
         prefix + "lod_of_f: f = -1 is not a non-negative F statistic"},
        {[] { return lod_of_f(NaN, 1, 100); },
         prefix + "lod_of_f: f = nan is not a non-negative F statistic"},
        {[] { return f_of_lod(1.0, -1, 100); },
         prefix + "f_of_lod: k = -1 is below 1 degree of freedom"},
        {[] { return f_of_lod(1.0, 2, 3); },
         prefix + "f_of_lod: n = 3 individuals leave n - k - 1 = 0 residual degrees of freedom "
                  "for k = 2; at least 1 is needed"},
        {[] { return f_of_lod(-0.5, 1, 100); },
         prefix + "f_of_lod: lod = -0.5 is not a non-negative LOD score"},
        {[] { return f_of_lod(NaN, 1, 100); },
         prefix + "f_of_lod: lod = nan is not a non-negative LOD score"},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_TRUE(throws<std::invalid_argument>(c)) << c.message;
    }
}

// Valid shapes whose sum overflows, or which are so large (beyond about 1e15)
// that the continued fraction does not settle in its bound of terms next to
// the mean: a domain error, not a hang or a NaN.
TEST(ShapesBeyondRange, ThrowDomainError) {
    const std::vector<ErrorCase> cases = {
        {[] { return incomplete_beta(1e308, 1e308, 0.5); },
         "lodthresh::distributions: the incomplete beta function's continued fraction does not "
         "converge for "
         "shapes 1e+308 and 1e+308 (beyond its range)"},
        {[] { return incomplete_beta_complement(1e17, 1e17, 0.5); },
         "lodthresh::distributions: the incomplete beta function's continued fraction does not "
         "converge for "
         "shapes 1e+17 and 1e+17 (beyond its range)"},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_TRUE(throws<std::domain_error>(c)) << c.message;
    }
}

}  // namespace
