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
// Method: the continued fraction of Numerical Recipes' betacf (W. H. Press,
// S. A. Teukolsky, W. T. Vetterling and B. P. Flannery, Numerical Recipes in C,
// 2nd ed., Cambridge University Press, 1992, section 6.4), evaluated by the
// modified Lentz method (W. J. Lentz, Applied Optics 15(3):668-671, 1976;
// I. J. Thompson and A. R. Barnett, J. Comput. Phys. 64(2):490-509, 1986), on
// the side of the mean where it converges fast, I_x(a, b) = 1 - I_{1-x}(b, a).
// The front factor x^a (1-x)^b / B(a, b) is formed after A. R. DiDonato and
// A. H. Morris, Algorithm 708: significant digit computation of the incomplete
// beta function ratios, ACM TOMS 18(3):360-373, 1992: powers of the argument
// whose logarithm would be large are taken by pow, 1 - x to a power by log1p,
// and for shapes of 8 and above the gamma functions by Stirling's series, so
// that no large logarithms cancel.
//
// Accuracy, measured against 30-digit mpmath references over the grid of
// tools/f_references.py (tests/distributions/f_references.tsv): the relative
// error of a tail is stated in units of DBL_EPSILON (2.2e-16) times
// max(1, cond), cond the tail's condition number |d ln P / d ln f| (for the
// beta function |d ln I / d ln x|): a rounding of the argument alone moves the
// result by cond rounding errors. Far in a tail cond is large (about
// |ln P| / 2 for large d2: 345 at P = 1e-300), so there the absolute number of
// ulps is large while the error relative to the argument's rounding is not.
//   - incomplete_beta, incomplete_beta_complement: see MEASURED below.
//   - f_upper_tail, f_lower_tail: see MEASURED below.
//   - f_upper_quantile: see MEASURED below.
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
