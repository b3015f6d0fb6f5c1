#include "threshold/text.h"

#include <cstdint>
#include <cstdlib>

namespace lodthresh {

namespace {

// Clinger's fast path (How to read floating point numbers accurately, PLDI
// 1990): a decimal of at most 15 digits without an exponent is m / 10^k with
// m < 2^53 and k <= 15, both exact doubles, and one IEEE division rounds
// their exact quotient correctly, to the double strtod gives. Most numbers
// people type ("0.05", "33", "1e-8" aside) are such decimals.
constexpr int kMostFastDigits = 15;
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool read_plain_decimal(std::string_view text, double* value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++i;
    }
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++count > kMostFastDigits) {
                return false;
            }
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (count == 0) {
        return false;
    }
    const double quotient = static_cast<double>(digits) / kPowersOfTen[decimals];
    *value = negative ? -quotient : quotient;
    return true;
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string out = "'";
    out += text;
    out += '\'';
    return out;
}

bool read_decimal(std::string_view text, double* value) {
    if (read_plain_decimal(text, value)) {
        return true;
    }
    const std::string copy(text);
    char* end = nullptr;
    const double number = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size()) {
        return false;
    }
    *value = number;
    return true;
}

}  // namespace lodthresh
