// Numerics_1_1: special functions and distribution functions for lodthresh.
//
// Free functions without state. Invalid arguments and non-convergence are
// reported only by throwing Numerics_1_1::Exception, whose constructor writes a
// two-line message to standard error. Nothing is allocated.
//
// Accuracy figures below are the largest errors found against 40-digit mpmath
// values on dense grids over the stated ranges.
//
// Sources:
//  - lngamma, gser, gcf, gammp, gammq, errf, errfc, errfc_cheb: W. H. Press,
//    S. A. Teukolsky, W. T. Vetterling and B. P. Flannery, Numerical Recipes
//    in C, 2nd ed., Cambridge University Press, 1992, sections 6.1 (gammln)
//    and 6.2 (gser, gcf, gammp, gammq, erff, erffc, erfcc); the gamma
//    function after C. Lanczos, SIAM J. Numer. Anal. Ser. B 1:86-96, 1964;
//    the continued fraction by the modified Lentz method (W. J. Lentz,
//    Applied Optics 15(3):668-671, 1976; I. J. Thompson and A. R. Barnett,
//    J. Comput. Phys. 64(2):490-509, 1986).
//  - normv: J. D. Beasley and S. G. Springer, Algorithm AS 111: The
//    percentage points of the normal distribution, Applied Statistics
//    26(1):118-121, 1977.
//  - chisqv: D. J. Best and D. E. Roberts, Algorithm AS 91: The percentage
//    points of the chi-squared distribution, Applied Statistics 24(3):385-388,
//    1975, with the Wilson-Hilferty start (E. B. Wilson and M. M. Hilferty,
//    PNAS 17(12):684-688, 1931).
#ifndef LODTHRESH_NUMERICS_NUMERICS_H
#define LODTHRESH_NUMERICS_NUMERICS_H

namespace Numerics_1_1 {

// Most iterations of the incomplete-gamma series and continued fraction.
constexpr int NUMERICS_ITMAX = 100;
// Relative convergence tolerance of the series and the continued fraction.
constexpr double NUMERICS_EPS = 5e-9;

// The library's only error type. Empty on purpose: which routine failed and why
// shows only in the message that the constructor writes to standard error:
//   Numerics Error in routine <routine>
//       <message>
class Exception {
  public:
    Exception(const char* routine, const char* message);
};

// Writes the two-line error message to standard error: "Numerics Error in
// routine " + routine, newline, flush; then four blanks + message, newline,
// flush. Called only by the constructor of Exception.
void numerics_error(const char* routine, const char* message);

// True when target - tolerance <= value <= target + tolerance, with both bounds
// formed in double arithmetic and both inclusive. False for a NaN value. A
// negative tolerance gives an empty band, unless it is too small to move
// target - tolerance and target + tolerance off the target in rounding.
bool within_tolerance(double value, double target, double tolerance);

// True when value > 0. False for 0, negative values and NaN.
bool is_positive(double value);

// False when value < 0 or value > 1, true otherwise: 0, 1 and NaN pass.
bool is_probability(double value);

// ln Gamma(x), for x > 0 (not checked).
// Raises nothing.
// Six-term Lanczos approximation (gamma = 5), as in Numerical Recipes' gammln:
// ln(sqrt(2 pi) (c + sum_j a_j/(x + j)) / x) - (x + 5.5 - (x + 0.5) ln(x + 5.5)).
// Accuracy: absolute error below 3e-13 for 0 < x <= 10 (lngamma(1) is about
// -1.3e-13, not 0); relative error below 4e-13 for x >= 10.
double lngamma(double x);

// P(a, x) = gamma(a, x) / Gamma(a) into *result, and ln Gamma(a) into
// *log_gamma, for a > 0 and x >= 0; meant for x < a + 1.
// Raises ("gser", "x less than 0") for x < 0 or NaN x, and ("gser", "a too
// large, NUMERICS_ITMAX too small") when the series has not converged after
// NUMERICS_ITMAX terms (large a with x close to a + 1, e.g. a = 1000,
// x = 1000.5). *log_gamma is written before either check; *result only on
// success.
// Power series P = x^a e^-x / Gamma(a) * sum_n x^n / (a (a+1) ... (a+n)),
// stopped when a term falls below NUMERICS_EPS times the sum.
// Accuracy: relative error below 7.5e-9 for a <= 100, 1.4e-8 for a <= 300 and
// 2e-8 for a <= 1000, worst just below x = a.
void gser(double* result, double a, double x, double* log_gamma);

// Q(a, x) = Gamma(a, x) / Gamma(a) into *result, and ln Gamma(a) into
// *log_gamma, for a > 0; meant for x >= a + 1.
// Raises ("gcf", "a too large, NUMERICS_ITMAX too small") when the continued
// fraction has not converged after NUMERICS_ITMAX iterations (very large a near
// x = a + 1, e.g. a = 100000, x = 100001; also x = +inf). *log_gamma is
// written first; *result only on success.
// Legendre's continued fraction, evaluated by the modified Lentz method, with
// denominators in [-NUMERICS_EPS, NUMERICS_EPS] replaced by 2^-1022 and a stop
// when a convergent's ratio is within NUMERICS_EPS of 1.
// Accuracy: relative error below 9e-9 (worst for small a near x = a + 1),
// below 2.1e-9 for 1 <= a <= 1000, while the result is a normal double.
void gcf(double* result, double a, double x, double* log_gamma);

// P(a, x), the regularised lower incomplete gamma function, for a > 0, x >= 0.
// Raises ("gammp", "Invalid arguments") for x < 0, a <= 0 or either NaN, and
// the errors of gser and gcf.
// gser for x < a + 1, where the series converges fast; 1 - gcf from a + 1 up.
// Accuracy: below a + 1 that of gser; from a + 1 up absolute error below 5e-9.
double gammp(double a, double x);

// Q(a, x) = 1 - P(a, x), for a > 0, x >= 0.
// Raises ("gammq", "Invalid arguments") for x < 0, a <= 0 or either NaN, and
// the errors of gser and gcf.
// 1 - gser for x < a + 1, gcf from a + 1 up, so gammp + gammq is 1 up to one
// rounding.
// Accuracy: from a + 1 up that of gcf; below a + 1 absolute error below 5e-9.
double gammq(double a, double x);

// erf(x), for |x| up to about 1.34e154 (where x * x is finite).
// Raises ("gcf", "a too large, NUMERICS_ITMAX too small") beyond that and for
// infinite x, and ("gammp", "Invalid arguments") for NaN.
// erf(x) = P(1/2, x^2) for x >= 0 and -P(1/2, x^2) for x < 0, so errf(-x) is
// exactly -errf(x).
// Accuracy: relative error below 5e-10 for |x| >= 1.5e-154; below that x * x
// underflows, precision is lost, and the result is 0.0 for |x| below about 1.6e-162.
double errf(double x);

// erfc(x) = 1 - erf(x), for |x| up to about 1.34e154.
// Raises ("gcf", "a too large, NUMERICS_ITMAX too small") beyond that and for
// infinite x, and ("gammq", "Invalid arguments") for NaN (NaN is not below 0,
// so it goes to Q).
// Q(1/2, x^2) for x >= 0, keeping the far tail; 1 + P(1/2, x^2) for x < 0.
// Accuracy: relative error below 6.5e-9 for x in [0, 6], below 3e-11 for
// x in [6, 26.5] (beyond, the result is subnormal); relative error below
// 2.5e-10 for x < 0.
double errfc(double x);

// erfc(x) by a closed-form Chebyshev fit, for every x.
// Raises nothing.
// erfc(|x|) = t exp(-z^2 - 1.26551223 + t P8(t)), t = 1/(1 + |x|/2), the
// fitted expression of Numerical Recipes' erfcc; 2 - erfc(|x|) for x < 0.
// Accuracy: relative error below 1.1e-7 for x >= 0 (errfc_cheb(0) is about
// 1.00000003), relative error below 8e-8 for x < 0. x = 0 is not reflected, so
// errfc_cheb(x) + errfc_cheb(-x) is 2 except at 0, where it is about 2.00000006.
double errfc_cheb(double x);

// The p-quantile of the normal distribution with the given mean and variance
// (not standard deviation): mean + sqrt(variance) z(p), for 0 < p < 1.
// Raises nothing and checks nothing: p <= 0 or p >= 1 returns a bare 0.0,
// without mean or variance; a NaN p gives NaN; a negative variance gives NaN.
// Algorithm AS 111 (Beasley & Springer 1977): a rational function of
// (p - 1/2)^2 for |p - 1/2| <= 0.42, else of sqrt(-ln r), r the nearer tail.
// Accuracy of z: absolute error below 3.4e-9 for 0.01 <= p <= 0.99, below
// 6e-8 for p in [1e-3, 0.999]; the tail formula then degrades: 8e-7 at 1e-4,
// 5e-6 at 1e-5, 1.5e-5 at 1e-6, 5.5e-5 at 1e-8, 1.3e-4 at 1e-10 (and the
// same for 1 - p).
double normv(double p, double mean, double variance);

// P(X <= x) for X chi-square with v > 0 degrees of freedom (v real).
// Raises ("chisqp", "Invalid v parameter") when v is not positive or NaN,
// before x is looked at, and the errors of gammp.
// 0.0 for x <= 0 or NaN x; otherwise P(v/2, x/2).
// Accuracy: that of gammp.
double chisqp(double x, double v);

// The p-quantile x of the chi-square distribution with v > 0 degrees of
// freedom, chisqp(x, v) = p, for 0 <= p <= 1. chisqv(0, v) is 0.0 and
// chisqv(1, v) is +infinity, for every valid v.
// Raises ("chisqv", "Invalid p parameter") when p is outside [0, 1] (a NaN p
// passes), then ("chisqv", "Invalid v parameter") when v is not positive or
// NaN; ("chisqv", "Start value did not converge") when the small-v start does
// not settle in 1000 passes (a NaN p with v < 0.32); and the errors of gammp,
// e.g. ("gser", "a too large, NUMERICS_ITMAX too small") near the median for
// v around 1000, or ("gammp", "Invalid arguments") when a refinement step
// leaves the range (for large v far in the lower tail, e.g. v = 100,
// p = 1e-20).
// Algorithm AS 91 (Best & Roberts 1975): a start value from the leading series
// term for small chi-square, from a Newton iteration for v < 0.32, or from the
// Wilson-Hilferty cube root, refined by a seven-term
// Taylor series on P(v/2, x/2) for at most 21 passes, until two values agree to
// a relative 5e-9. Above about 302 degrees of freedom the small chi-square
// start is formed in logarithms.
// Accuracy: relative error below 1.3e-8 for v >= 0.01 and p <= 0.9999 (below
// 3e-9 for v >= 1), 1.2e-7 for v = 0.005 near p = 0.999; start values below
// 5e-7 are returned unrefined, with relative error up to 2.5e-7. Near p = 1
// the cancellation in p - P(v/2, x/2) costs accuracy: about 2e-6 at
// 1 - p = 1e-12. Where the 21 passes end it unconverged the last value is
// returned (chisqv(1e-300, 350) is 1.2% off).
double chisqv(double p, double v);

}  // namespace Numerics_1_1

#endif  // LODTHRESH_NUMERICS_NUMERICS_H
