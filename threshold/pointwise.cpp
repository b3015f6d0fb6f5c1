#include "threshold/pointwise.h"

#include <cmath>

#include "threshold/normal.h"

namespace lodthresh {

const char* tail_name(Tail tail) {
    switch (tail) {
        case Tail::one_sided:
            return "one-sided";
        case Tail::two_sided:
            return "two-sided";
        case Tail::two_df:
            return "2df";
    }
    return "";
}

double pointwise_level(Tail tail, double t) {
    if (tail == Tail::two_df) {
        return std::exp(-0.5 * t);
    }
    const double tail_probability = std::erfc(std::sqrt(0.5 * t));
    return tail == Tail::one_sided ? 0.5 * tail_probability : tail_probability;
}

// The one- and two-sided tails are c erfc(sqrt(T/2)), c = 1/2 or 1, whose
// logarithmic derivative is -exp(-T/2) / (sqrt(2 pi T) erfc(sqrt(T/2))); the
// 2-df tail is exp(-T/2).
LogLevel log_pointwise_level(Tail tail, double t) {
    if (tail == Tail::two_df) {
        return LogLevel{-0.5 * t, -0.5};
    }
    const double tail_probability = std::erfc(std::sqrt(0.5 * t));
    const double factor = tail == Tail::one_sided ? 0.5 : 1.0;
    return LogLevel{
        std::log(factor * tail_probability),
        -std::exp(-0.5 * t) * normal::kInvSqrtTwoPi / (std::sqrt(t) * tail_probability)};
}

}  // namespace lodthresh
