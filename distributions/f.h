// The F distribution for lodthresh: the regularised incomplete beta function,
// the F distribution's tails and upper-tail quantile, and the conversion
// between an F statistic and the LOD score of Haley-Knott regression.
//
// A cross's LOD score on n individuals, (n/2) log10(RSS0/RSS1), is for a normal
// trait a monotone function of an F statistic with k and n - k - 1 degrees of
// freedom (k = 1, or 2 for the two-degree-of-freedom test):
//     LOD = (n/2) log10(1 + k F / (n - k - 1)).
// A pointwise level alpha gives the LOD threshold
// lod_of_f(f_upper_quantile(alpha, k, n - k - 1), k, n), and a peak's LOD its
// pointwise p-value f_upper_tail(f_of_lod(lod, k, n), k, n - k - 1).
//
// Free functions without state. Invalid arguments throw std::invalid_argument
// with a message that names the function, the argument and its value; every
// iteration is bounded, and no valid argument gives a NaN.
//
// Method, after A. R. DiDonato and A. H. Morris, Algorithm 708: significant
// digit computation of the incomplete beta function ratios, ACM TOMS
// 18(3):360-373, 1992:
//  - I_x(a, b) = x^a (1-x)^b / B(a, b) times a continued fraction, on the side
//    of the mean where the fraction converges fast, with
//    I_x(a, b) = 1 - I_{1-x}(b, a) for the other side.
//  - The fraction is Numerical Recipes' betacf (W. H. Press, S. A. Teukolsky,
//    W. T. Vetterling and B. P. Flannery, Numerical Recipes in C, 2nd ed.,
//    Cambridge University Press, 1992, section 6.4) in its even, contracted
//    form written in lambda = a - (a + b) x and 1 - x (DiDonato and Morris's
//    bfrac): betacf's own form, in x alone, loses the digits of 1 - x for a
//    large shape near x = 1, thousands of roundings at d2 = 1e5. Its depth is
//    found by the modified Lentz method (W. J. Lentz, Applied Optics
//    15(3):668-671, 1976; I. J. Thompson and A. R. Barnett, J. Comput. Phys.
//    64(2):490-509, 1986), and it is then evaluated backwards, which rounds
//    less than Lentz's running product.
//  - The front factor is formed so that no large logarithms cancel (their
//    brcomp): powers of an argument below 1/2 by pow, powers of 1 - y by
//    log1p(-y), and for shapes of 8 and above the gamma functions by
//    Stirling's series with t - ln(1 + t) summed without cancellation.
//  - The quantile by Newton's method on ln P in ln f, bracketed (see
//    f_upper_quantile in f.cpp).
//
// Accuracy, measured against 30-digit mpmath references on the grid of
// tools/f_references.py (tests/distributions/f_references.tsv: d1 in {1, 2},
// d2 from 1 to 1e5, upper tails from 0.99 down to 1e-300; beta shapes from 0.5
// to 1e4, tails down to 1e-300 on either side). A tail's relative error is
// stated in units of DBL_EPSILON (2.2e-16) times max(1, cond), cond its
// condition number |d ln P / d ln f| (for the beta function |d ln I / d ln x|):
// a relative change e of the argument moves the result by cond e, so cond
// roundings are the argument's own. cond grows far in a tail (about |ln P| for
// a large d2, some 690 at P = 1e-300; the shape for a small d2), so there an
// error of hundreds of ulps is still within two roundings of the argument.
//   - incomplete_beta, incomplete_beta_complement: within 2.1 DBL_EPSILON
//     times max(1, cond); in absolute terms up to 830 DBL_EPSILON, at tails
//     of 1e-300 for shapes of 1e4 (cond 4000).
//   - f_upper_tail, f_lower_tail: within 1.8 DBL_EPSILON times max(1, cond);
//     in absolute terms up to 820 DBL_EPSILON, at P = 1e-300 for d2 = 1e4
//     (cond 650).
//   - f_upper_quantile: within 2.3 DBL_EPSILON times max(1, 1/cond), and in
//     absolute terms within 3.7 DBL_EPSILON (8.2e-16) over the whole grid.
//   - lod_of_f, f_of_lod: within 1.3 DBL_EPSILON (times the inverse's
//     condition u e^u / (e^u - 1), u = 2 lod ln 10 / n).
// Shapes a + b with an inexact sum below 16 cost up to (a + b) psi(a + b) / 2
// further roundings (the rounding of a + b, in tgamma(a + b)); the grid's
// shapes are halves of whole numbers, whose sums are exact. For a shape below
// about 1e-3 with the argument within 1e-5 of the end away from that shape's
// mass the fraction of the small tail's side converges too slowly and the
// small tail is 1 minus the large one: absolute accuracy, which its condition
// number (about 1 / ((1-x) ln(1/(1-x))) there) mostly covers.
// Shapes beyond about 1e15 near the mean, where the fraction would need more
// than a million terms, and shapes whose sum overflows throw
// std::domain_error (a std::logic_error, as std::invalid_argument is).
#ifndef LODTHRESH_DISTRIBUTIONS_F_H
#define LODTHRESH_DISTRIBUTIONS_F_H

namespace lodthresh::distributions {

// I_x(a, b), the regularised incomplete beta function: the probability that a
// beta(a, b) variable is at most x. For a > 0, b > 0 (both finite) and
// 0 <= x <= 1; 0 at x = 0 and 1 at x = 1.
double incomplete_beta(double a, double b, double x);

// 1 - I_x(a, b), computed on its own (not as 1 minus a number near 1), so
// that an upper tail keeps its relative accuracy however small it is.
double incomplete_beta_complement(double a, double b, double x);

// P(F > f) for F with d1 and d2 degrees of freedom (d1, d2 > 0, finite; real,
// not necessarily whole), I_{d2/(d2 + d1 f)}(d2/2, d1/2). 1 for f <= 0, 0 for
// f = +infinity.
double f_upper_tail(double f, double d1, double d2);

// P(F <= f) = I_{d1 f/(d2 + d1 f)}(d1/2, d2/2). 0 for f <= 0, 1 for
// f = +infinity.
double f_lower_tail(double f, double d1, double d2);

// The upper-tail quantile: the f with P(F > f) = p, for 0 < p < 1 (down to
// the smallest doubles). +infinity when the quantile exceeds the largest
// double (d2 below about 2 far in the tail: P(F > f) falls off as
// f^(-d2/2)), and 0 when it is below the smallest normal double, 2.2e-308
// (p near 1 with a small d1: P(F <= f) grows as f^(d1/2)).
double f_upper_quantile(double p, double d1, double d2);

// The LOD score of an F statistic f >= 0 with k and n - k - 1 degrees of
// freedom, (n/2) log10(1 + k f / (n - k - 1)); for k >= 1 and n - k - 1 >= 1.
// +infinity for f = +infinity.
double lod_of_f(double f, int k, int n);

// The inverse of lod_of_f: the F statistic of a LOD score lod >= 0,
// ((n - k - 1) / k) (10^(2 lod / n) - 1). +infinity where that exceeds the
// largest double.
double f_of_lod(double lod, int k, int n);

}  // namespace lodthresh::distributions

#endif  // LODTHRESH_DISTRIBUTIONS_F_H
