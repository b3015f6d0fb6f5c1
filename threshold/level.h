// The genome-wide level of a scan with markers, and the threshold that keeps
// it: Lander and Kruglyak's approximation with Siegmund's discrete-marker
// factor nu (Lander and Kruglyak, Nat Genet 11:241-247, 1995; Feingold, Brown
// and Siegmund, Am J Hum Genet 53:234-251, 1993; Dupuis and Siegmund,
// Genetics 151:373-386, 1999; Siegmund and Yakir, The Statistics of Gene
// Mapping, Springer 2007, ch. 5).
//
// Under the null hypothesis the statistic along a chromosome behaves like a
// stationary Ornstein-Uhlenbeck process Z(t) with correlation
// exp(-2 rho |s - t|), s and t in Morgan. T is the threshold on the
// chi-square scale, LOD = T / (2 ln 10), and alpha_T the design's pointwise
// tail probability at T. With the markers of a chromosome Delta apart, the
// expected number of peaks above T in one scan is
//   lambda(T) = [C + 2 rho G T nu(sqrt(4 rho Delta T))] alpha_T,
// and the genome-wide level is set to it.
#ifndef LODTHRESH_THRESHOLD_LEVEL_H
#define LODTHRESH_THRESHOLD_LEVEL_H

#include <functional>
#include <stdexcept>
#include <vector>

#include "threshold/pointwise.h"

namespace lodthresh {

// Stretches of genome scanned with markers `spacing` Morgan apart (0: a dense
// map), `length` Morgan in all.
struct Stretch {
    double length;
    double spacing;
};

// What a scan covers: C chromosomes (each adds the end term) and the stretches
// between their first and last markers.
struct Scan {
    double chromosomes;
    std::vector<Stretch> stretches;
};

// G Morgan on C chromosomes with markers every `spacing` Morgan (0: dense).
Scan even_scan(double length, double chromosomes, double spacing);

// Raised when no threshold T > 0 (no nominal level in (0, 1)) meets the
// level: the expected number of peaks never reaches alpha (one chromosome, a
// short genome and the suggestive level alpha = 1, say).
class NoSolution : public std::runtime_error {
  public:
    NoSolution();
};

// Raised when the nominal level of the threshold lies below the smallest
// normal double, 2.2e-308, where it cannot be given to full precision
// (2 rho G beyond about 1e300).
class NominalLevelOutOfRange : public std::runtime_error {
  public:
    NominalLevelOutOfRange();
};

struct DesignThreshold {
    double nominal_alpha;  // alpha_T at the threshold: the pointwise level of the design's test
    double lod;            // T / (2 ln 10)
};

// Solves alpha = lambda(T) = [C + 2 rho T sum_k L_k nu(sqrt(4 rho s_k T))] alpha_T
// for the largest T > 0 that meets it (the smallest nominal level), in full
// double precision. C may be any number above 0 here (the exact method's C
// below 1 stands for part of a chromosome).
// Throws std::invalid_argument unless C, rho and alpha are finite and
// positive, every stretch has finite length >= 0 and spacing >= 0 and
// 4 rho spacing <= 1e300; NoSolution when no T > 0 meets the equation; and
// NominalLevelOutOfRange when the nominal level of the threshold is below
// DBL_MIN.
DesignThreshold solve_level(const Scan& scan, Tail tail, double rate, double alpha);

// solve_level for a scan of whole chromosomes: throws std::invalid_argument
// also when C < 1.
DesignThreshold design_threshold(const Scan& scan, Tail tail, double rate, double alpha);

// Peaks that a scan finds beyond those of its markers (interval mapping
// evaluates the statistic between them too), per unit of the pointwise
// level: the expected number of peaks becomes [C + K(T) + X(T)] alpha_T, with
// K(T) = 2 rho T sum_k L_k nu(sqrt(4 rho s_k T)). X(T) >= 0, finite for
// 0 < T <= 1500, and its derivative in T.
struct ExcessPeaks {
    double factor;  // X(T)
    double slope;   // dX/dT
};
using ExcessOfScan = std::function<ExcessPeaks(double t)>;

// solve_level with the excess: the largest T > 0 with
// [C + K(T) + X(T)] alpha_T = alpha, by the same search. The level must still
// fall strictly from T = 2 on, which holds when X(T) alpha_T does not rise
// there. Throws as solve_level.
DesignThreshold solve_level(const Scan& scan, const ExcessOfScan& excess, Tail tail, double rate,
                            double alpha);

// lambda(T), the expected number of peaks at or above T in one null scan, for
// T >= 0 (T = 2 ln 10 LOD); 1 - exp(-lambda) is the genome-wide p-value of a
// peak of that height. Throws std::invalid_argument as solve_level, and
// unless T is finite and >= 0.
double expected_peaks(const Scan& scan, Tail tail, double rate, double t);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_LEVEL_H
