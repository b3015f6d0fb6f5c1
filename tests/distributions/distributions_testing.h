// Shared helpers of the distributions tests: the 30-digit references of
// tools/f_references.py, and errors in units of DBL_EPSILON relative to a
// result's condition number.
#ifndef LODTHRESH_TESTS_DISTRIBUTIONS_DISTRIBUTIONS_TESTING_H
#define LODTHRESH_TESTS_DISTRIBUTIONS_DISTRIBUTIONS_TESTING_H

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace distributions_testing {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// One row of f_references.tsv: its kind, the three arguments as doubles, and
// the remaining fields as written (references read as long double, to keep
// more digits than the result).
struct Row {
    std::string kind;
    double arguments[3];
    std::vector<std::string> fields;
    std::string text;

    long double reference(std::size_t i) const {
        if (fields.at(i) == "inf") {
            return std::numeric_limits<long double>::infinity();
        }
        return std::strtold(fields.at(i).c_str(), nullptr);
    }
    double number(std::size_t i) const { return std::strtod(fields.at(i).c_str(), nullptr); }
};

// The rows of the given kind, in the table's order.
inline std::vector<Row> rows(const std::string& kind) {
    std::ifstream table(LODTHRESH_F_REFERENCES);
    std::vector<Row> found;
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        Row row;
        fields >> row.kind;
        if (row.kind != kind) {
            continue;
        }
        std::string field;
        for (double& argument : row.arguments) {
            fields >> field;
            argument = std::strtod(field.c_str(), nullptr);
        }
        while (fields >> field) {
            row.fields.push_back(field);
        }
        row.text = line;
        found.push_back(row);
    }
    return found;
}

// |actual - expected| / |expected| in units of DBL_EPSILON; 0 when both are the
// same infinity, +infinity when only one is infinite or actual is NaN.
inline double epsilons(double actual, long double expected) {
    if (std::isinf(expected) || std::isinf(actual)) {
        return actual == expected ? 0.0 : INF;
    }
    if (std::isnan(actual)) {
        return INF;
    }
    if (expected == 0.0L) {
        return actual == 0.0 ? 0.0 : INF;
    }
    return static_cast<double>(std::fabs(static_cast<long double>(actual) - expected) /
                               std::fabs(expected) / DBL_EPSILON);
}

// actual is within tolerance * max(1, condition) DBL_EPSILON of expected,
// relative: a rounding of the argument alone moves a result by its condition
// number of roundings.
inline ::testing::AssertionResult within(double actual, long double expected, double condition,
                                         double tolerance) {
    const double error = epsilons(actual, expected);
    const double allowed = tolerance * std::fmax(1.0, condition);
    if (error <= allowed) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream message;
    message.precision(17);
    message << actual << " is " << error << " DBL_EPSILON from " << static_cast<double>(expected)
            << "; allowed " << allowed << " (condition " << condition << ")";
    return ::testing::AssertionFailure() << message.str();
}

}  // namespace distributions_testing

#endif  // LODTHRESH_TESTS_DISTRIBUTIONS_DISTRIBUTIONS_TESTING_H
