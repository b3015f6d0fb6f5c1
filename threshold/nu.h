// Siegmund's discrete-marker factor nu (Feingold, Brown and Siegmund, Am J
// Hum Genet 53:234-251, 1993; Siegmund and Yakir, The Statistics of Gene
// Mapping, Springer 2007, ch. 3 and 5).
#ifndef LODTHRESH_THRESHOLD_NU_H
#define LODTHRESH_THRESHOLD_NU_H

namespace lodthresh {

// Siegmund's discrete-marker factor
//   nu(x) = 2 x^-2 exp(-2 sum_{n>=1} n^-1 Phi(-x sqrt(n) / 2)),  nu(0) = 1,
// the fraction of a continuous process's upcrossings that markers x apart
// (on the scale sqrt(4 rho Delta T)) still see. For x >= 0; NaN for x < 0
// or NaN. Within 3e-16 relative of 30-digit references for 1e-6 <= x <= 100.
double nu(double x);

// nu(x) and its logarithmic slope x d(log nu)/dx, which the threshold's
// Newton steps need; for x >= 0, +inf included (nu = 0, slope -2).
struct NuValue {
    double value;
    double log_slope;
};
NuValue nu_with_slope(double x);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_NU_H
