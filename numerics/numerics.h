// Numerics_1_1: special functions and distribution functions for lodthresh.
//
// Free functions without state. Invalid arguments and non-convergence are
// reported only by throwing Numerics_1_1::Exception, whose constructor writes a
// two-line message to standard error.
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

// Writes the two-line error message to standard error. Called only by the
// constructor of Exception.
void numerics_error(const char* routine, const char* message);

bool within_tolerance(double value, double target, double tolerance);
bool is_positive(double value);
bool is_probability(double value);

double lngamma(double x);
void gser(double* result, double a, double x, double* log_gamma);
void gcf(double* result, double a, double x, double* log_gamma);
double gammp(double a, double x);
double gammq(double a, double x);

double errf(double x);
double errfc(double x);
double errfc_cheb(double x);

double normv(double p, double mean, double variance);

double chisqp(double x, double v);
double chisqv(double p, double v);

}  // namespace Numerics_1_1

#endif  // LODTHRESH_NUMERICS_NUMERICS_H
