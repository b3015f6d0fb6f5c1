#include "simulation/checks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace lodthresh::simulation {

std::string number_text(double x) {
    char text[32];
    for (int digits = 1;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, x);
        if (digits == 17 || std::strtod(text, nullptr) == x || std::isnan(x)) {
            return text;
        }
    }
}

void invalid(const std::string& message) {
    throw std::invalid_argument(message);
}

bool finite_positive(double x) {
    return std::isfinite(x) && x > 0;
}

void check_rate(double rate) {
    if (!finite_positive(rate)) {
        invalid("the cross-over rate must be finite and above 0, not " + number_text(rate));
    }
}

}  // namespace lodthresh::simulation
