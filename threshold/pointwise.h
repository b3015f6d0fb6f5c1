// The pointwise level of each test a linkage scan makes at a locus.
#ifndef LODTHRESH_THRESHOLD_POINTWISE_H
#define LODTHRESH_THRESHOLD_POINTWISE_H

namespace lodthresh {

// The test at each locus.
enum class Tail {
    one_sided,  // Z, alpha_T = 1 - Phi(sqrt T): allele sharing, parametric LOD scores
    two_sided,  // Z^2, alpha_T = P(chi2_1 > T): backcross, F2 single-effect tests, RILs
    two_df,     // Z_a^2 + Z_d^2, alpha_T = P(chi2_2 > T) = exp(-T/2): F2, 2 df
};

// "one-sided", "two-sided", "2df": as --tail spells it.
const char* tail_name(Tail tail);

// The pointwise level alpha_T of the test at T >= 0 (chi-square scale).
double pointwise_level(Tail tail, double t);

// log alpha_T and its derivative in T, for T > 0.
struct LogLevel {
    double value;
    double slope;
};
LogLevel log_pointwise_level(Tail tail, double t);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_POINTWISE_H
