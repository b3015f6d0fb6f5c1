// Thresholds of the designs that linkage scans use, at any marker spacing and
// on a map of the user's own: Lander and Kruglyak's genome-wide level with
// Siegmund's discrete-marker factor nu (Feingold, Brown and Siegmund 1993;
// Dupuis and Siegmund 1999; Siegmund and Yakir, The Statistics of Gene
// Mapping, 2007, ch. 5).
//
// Under the null hypothesis the statistic along a chromosome behaves like a
// stationary Ornstein-Uhlenbeck process Z(t) with correlation
// exp(-2 rho |s - t|), s and t in Morgan. T is the threshold on the
// chi-square scale, LOD = T / (2 ln 10), and alpha_T the design's pointwise
// tail probability at T. With the markers of a chromosome Delta apart,
//   alpha = [C + 2 rho G T nu(sqrt(4 rho Delta T))] alpha_T.
#ifndef LODTHRESH_THRESHOLD_DESIGN_H
#define LODTHRESH_THRESHOLD_DESIGN_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace lodthresh {

// The test at each locus.
enum class Tail {
    one_sided,  // Z, alpha_T = 1 - Phi(sqrt T): allele sharing, parametric LOD scores
    two_sided,  // Z^2, alpha_T = P(chi2_1 > T): backcross, F2 single-effect tests, RILs
    two_df,     // Z_a^2 + Z_d^2, alpha_T = P(chi2_2 > T) = exp(-T/2): F2, 2 df
};

// "one-sided", "two-sided", "2df": as --tail spells it.
const char* tail_name(Tail tail);

// A study design by name: the tail of its test and the cross-over rate rho of
// its statistic's process.
struct Design {
    const char* name;
    Tail tail;
    double rate;
    const char* meaning;  // one line, for --help and the page
};

// Every design, the seven mapping methods of Lander and Kruglyak's table 1
// first, in their order, then the experimental crosses.
const std::vector<Design>& designs();
// The design of that name, or null.
const Design* find_design(std::string_view name);
// The number of mapping methods at the front of designs().
constexpr std::size_t kMappingMethodCount = 7;

// The two independent components of a 2-df statistic: rates 2 rho / 3 and
// 4 rho / 3, the F2 intercross's additive (1) and dominance (2) effects for
// rho = 1.5.
constexpr double kAdditiveShare = 2.0 / 3.0;
constexpr double kDominanceShare = 4.0 / 3.0;

// Siegmund's discrete-marker factor
//   nu(x) = 2 x^-2 exp(-2 sum_{n>=1} n^-1 Phi(-x sqrt(n) / 2)),  nu(0) = 1,
// the fraction of a continuous process's upcrossings that markers x apart
// (on the scale sqrt(4 rho Delta T)) still see. For x >= 0; NaN for x < 0
// or NaN. Method and accuracy: see design.cpp's header comment, stated here
// when measured.
double nu(double x);

// The pointwise level alpha_T of the design's test at T >= 0 (chi-square scale).
double pointwise_level(Tail tail, double t);

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

struct DesignThreshold {
    double nominal_alpha;  // alpha_T at the threshold: the pointwise level of the design's test
    double lod;            // T / (2 ln 10)
};

// Solves alpha = [C + 2 rho T sum_k L_k nu(sqrt(4 rho s_k T))] alpha_T for
// the largest T > 0 that meets it (the smallest nominal level), in full
// double precision.
// Throws std::invalid_argument unless C >= 1, rho and alpha are finite and
// positive, every stretch has finite length >= 0 and spacing >= 0 and
// 4 rho spacing <= 1e300; NoSolution (threshold.h) when no T > 0 meets the
// equation; and NominalLevelOutOfRange when the nominal level of the
// threshold is below DBL_MIN.
DesignThreshold design_threshold(const Scan& scan, Tail tail, double rate, double alpha);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_DESIGN_H
