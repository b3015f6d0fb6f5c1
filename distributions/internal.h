// The distributions library's own view of the incomplete beta function: both
// tails, their logarithms and slopes from one evaluation, at an argument given
// as x and 1 - x, each to full relative precision. Not installed; the F
// distribution's functions call it.
#ifndef LODTHRESH_DISTRIBUTIONS_INTERNAL_H
#define LODTHRESH_DISTRIBUTIONS_INTERNAL_H

#include <string>

namespace lodthresh::distributions::detail {

struct BetaTails {
    double lower;      // I_x(a, b)
    double upper;      // 1 - I_x(a, b)
    double log_lower;  // ln I_x(a, b), finite where I_x(a, b) underflows
    double log_upper;  // ln(1 - I_x(a, b)), likewise
    // x^a (1-x)^b / (B(a, b) I_x(a, b)) and the same over 1 - I_x(a, b): each
    // tail's |d ln P / d ln f| when x = d2 / (d2 + d1 f) is an F distribution's
    // argument (and its |d ln P / d ln x| times 1 - x).
    double lower_slope;
    double upper_slope;
};

// Both tails of the beta(a, b) distribution at x, with y = 1 - x. The
// arguments are not checked: a, b > 0 and finite, x, y in [0, 1].
// Throws std::domain_error when a + b overflows, or when the continued
// fractions of both sides have not converged in their bound of terms (both
// shapes beyond about 1e15, next to the mean).
BetaTails beta_tails(double a, double b, double x, double y);

// A double as the shortest of 15 or 17 significant digits that reads back as
// it ("0.1", "1e-300", "nan", "inf"), for error messages.
std::string shown(double value);

}  // namespace lodthresh::distributions::detail

#endif  // LODTHRESH_DISTRIBUTIONS_INTERNAL_H
