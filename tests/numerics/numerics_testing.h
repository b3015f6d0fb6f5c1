// Shared helpers of the numerics tests: the tolerance ladder, and a capture of
// standard error and standard output around a call that should raise.
#ifndef LODTHRESH_TESTS_NUMERICS_NUMERICS_TESTING_H
#define LODTHRESH_TESTS_NUMERICS_NUMERICS_TESTING_H

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "numerics/numerics.h"

namespace numerics_testing {

// Tolerance ladder, in multiples of DBL_EPSILON (2.2e-16). Each table uses the
// rung above the accuracy that the routine's header states.
constexpr double TOL_ROUNDING = 4 * DBL_EPSILON;                  // 8.9e-16
constexpr double TOL_FORMULA = 64 * DBL_EPSILON;                  // 1.4e-14
constexpr double TOL_LANCZOS = 4096 * DBL_EPSILON;                // 9.1e-13
constexpr double TOL_ERF = 4194304 * DBL_EPSILON;                 // 2^22: 9.3e-10
constexpr double TOL_AS111 = 16777216 * DBL_EPSILON;              // 2^24: 3.7e-9
constexpr double TOL_SERIES = 67108864 * DBL_EPSILON;             // 2^26: 1.5e-8
constexpr double TOL_SERIES_WIDE = 134217728 * DBL_EPSILON;       // 2^27: 3.0e-8
constexpr double TOL_CHEBYSHEV = 536870912 * DBL_EPSILON;         // 2^29: 1.2e-7
constexpr double TOL_UNREFINED = 2147483648.0 * DBL_EPSILON;      // 2^31: 4.8e-7
constexpr double TOL_AS111_TAIL = 1099511627776.0 * DBL_EPSILON;  // 2^40: 2.4e-4

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// A string buffer that keeps what it held at each flush.
class FlushRecorder : public std::stringbuf {
  public:
    std::vector<std::string> flushed;

  protected:
    int sync() override {
        flushed.push_back(str());
        return 0;
    }
};

// Checks that call() throws Numerics_1_1::Exception after writing exactly the
// two message lines to standard error, each flushed, and nothing to standard
// output.
template <typename Call>
::testing::AssertionResult raises(Call call, const std::string& routine,
                                  const std::string& message) {
    const std::string first = "Numerics Error in routine " + routine + "\n";
    const std::string expected = first + "    " + message + "\n";
    FlushRecorder err;
    std::ostringstream out;
    std::streambuf* old_err = std::cerr.rdbuf(&err);
    std::streambuf* old_out = std::cout.rdbuf(out.rdbuf());
    bool thrown = false;
    try {
        call();
    } catch (const Numerics_1_1::Exception&) {
        thrown = true;
    } catch (...) {
    }
    std::cerr.rdbuf(old_err);
    std::cout.rdbuf(old_out);
    const std::vector<std::string>& f = err.flushed;
    bool first_flushed = false;
    for (const std::string& s : f) {
        first_flushed = first_flushed || s == first;
    }
    if (!thrown) {
        return ::testing::AssertionFailure() << "no Numerics_1_1::Exception; stderr: " << err.str();
    }
    if (err.str() != expected || !out.str().empty()) {
        return ::testing::AssertionFailure()
               << "stderr [" << err.str() << "] stdout [" << out.str() << "]";
    }
    if (!first_flushed || f.back() != expected) {
        return ::testing::AssertionFailure() << "a line was not flushed on its own";
    }
    return ::testing::AssertionSuccess();
}

// |actual - expected| <= tolerance * max(1, |expected|).
inline ::testing::AssertionResult near_relative_or_absolute(double actual, double expected,
                                                            double tolerance) {
    if (std::fabs(actual - expected) <= tolerance * std::fmax(1.0, std::fabs(expected))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << actual << " is not within " << tolerance << " of " << expected;
}

}  // namespace numerics_testing

#endif  // LODTHRESH_TESTS_NUMERICS_NUMERICS_TESTING_H
