// Numerics support: the error type with its message, and the shared predicates.
#include <iostream>

#include "numerics/numerics.h"

namespace Numerics_1_1 {

Exception::Exception(const char* routine, const char* message) {
    numerics_error(routine, message);
}

void numerics_error(const char* routine, const char* message) {
    // Each line is flushed on its own, so the first line is out even if the
    // second write fails. The state of the stream is not checked afterwards.
    std::cerr << "Numerics Error in routine " << routine << '\n' << std::flush;
    std::cerr << "    " << message << '\n' << std::flush;
}

bool within_tolerance(double value, double target, double tolerance) {
    // Compare with the two bounds as rounded, not |value - target| with the
    // tolerance: the two forms differ in the last bit, and the bounds form makes
    // target +/- tolerance themselves members of the band.
    const double lower = target - tolerance;
    const double upper = target + tolerance;
    return lower <= value && value <= upper;
}

bool is_positive(double value) {
    return value > 0.0;
}

bool is_probability(double value) {
    // Two rejections rather than one acceptance: a NaN passes.
    if (value < 0.0) {
        return false;
    }
    if (value > 1.0) {
        return false;
    }
    return true;
}

}  // namespace Numerics_1_1
