// The standard normal distribution as the threshold methods use it: the upper
// tail Q and the density phi. Private to the library.
#ifndef LODTHRESH_THRESHOLD_NORMAL_H
#define LODTHRESH_THRESHOLD_NORMAL_H

#include <cmath>

namespace lodthresh::normal {

constexpr double kInvSqrtTwoPi = 0.398942280401432677940;  // 1 / sqrt(2 pi)
constexpr double kSqrtHalf = 0.707106781186547524401;      // 1 / sqrt 2

// Q(z) = erfc(z / sqrt 2) / 2, the upper tail.
inline double upper_tail(double z) {
    return 0.5 * std::erfc(z * kSqrtHalf);
}

// phi(z), the density.
inline double density(double z) {
    return kInvSqrtTwoPi * std::exp(-0.5 * z * z);
}

}  // namespace lodthresh::normal

#endif  // LODTHRESH_THRESHOLD_NORMAL_H
