#include "table/shortest.h"

#include <charconv>
#include <cmath>

// std::to_chars for double is in libstdc++ 11 and later, but not in every C++
// library the project is built with (libc++ 14, emscripten's among them, has
// only the integer overloads). Where it is missing, or where
// LODTHRESH_SHORTEST_FALLBACK asks for it (the tests build it natively so
// that it is compared with std::to_chars), the same text is made from
// snprintf and strtod.
#if defined(__cpp_lib_to_chars) && !defined(LODTHRESH_SHORTEST_FALLBACK)
#define LODTHRESH_SHORTEST_TO_CHARS 1
#else
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#endif

namespace lodthresh::table {

namespace {

#if defined(LODTHRESH_SHORTEST_TO_CHARS)

void append_shortest_digits(double value, std::string& out) {
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

#else

// A decimal d1.d2...dn x 10^exponent, n from 1 to 17, with no trailing zero
// after the first digit.
struct Decimal {
    char digits[24];
    int count;
    int exponent;
};

// Reads snprintf's "%.*e" text of a positive number ("1.2345e-07").
Decimal decimal_of(const char* text) {
    Decimal decimal{};
    const char* p = text;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            decimal.digits[decimal.count++] = *p;
        }
    }
    decimal.exponent = static_cast<int>(std::strtol(p + 1, nullptr, 10));
    return decimal;
}

// The double the decimal reads back as through strtod: its digits as an
// integer, the exponent moved past them.
double read_back(const Decimal& decimal) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*se%d", decimal.count, decimal.digits,
                  decimal.exponent - (decimal.count - 1));
    return std::strtod(text, nullptr);
}

// The decimal one unit in its last digit above: 1.29 -> 1.30, 9.99 -> 1.00e+1.
Decimal next_up(Decimal decimal) {
    int i = decimal.count - 1;
    while (i >= 0 && decimal.digits[i] == '9') {
        decimal.digits[i--] = '0';
    }
    if (i >= 0) {
        ++decimal.digits[i];
    } else {
        decimal.digits[0] = '1';
        ++decimal.exponent;
    }
    return decimal;
}

void drop_trailing_zeros(Decimal& decimal) {
    while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') {
        --decimal.count;
    }
}

// The decimal of `precision` significant digits that reads back as the
// value, if there is one: the nearest, as snprintf rounds correctly to any
// number of digits; when that fails below the value, the one above can still
// succeed at a power of two, whose interval of doubles reaching it is twice as
// wide above as below.
bool reads_back_with(double value, int precision, Decimal& decimal) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*e", precision - 1, value);
    const Decimal nearest = decimal_of(text);
    const double back = read_back(nearest);
    if (back == value) {
        decimal = nearest;
        return true;
    }
    if (back < value) {
        const Decimal above = next_up(nearest);
        if (read_back(above) == value) {
            decimal = above;
            return true;
        }
    }
    return false;
}

// The fewest significant digits that read back as the value, the nearest such
// decimal when several do. A decimal of n digits is one of n + 1, so whether
// one reads back only turns from no to yes as n grows, and the fewest are
// found by bisection; seventeen always do. Most values of a calculation need
// 15 to 17, which are tried first.
Decimal shortest_decimal(double value) {
    constexpr int kMostDigits = 17;
    constexpr int kFirstTry = 15;
    Decimal decimal{};
    int fails = 0;  // a precision known to fail (0: none tried)
    int works = kMostDigits;
    if (reads_back_with(value, kFirstTry, decimal)) {
        works = kFirstTry;
    } else {
        fails = kFirstTry;
        works = reads_back_with(value, kFirstTry + 1, decimal) ? kFirstTry + 1 : kMostDigits;
        if (works == kMostDigits) {
            reads_back_with(value, kMostDigits, decimal);
        }
    }
    while (works - fails > 1) {
        const int middle = (fails + works) / 2;
        Decimal candidate{};
        if (reads_back_with(value, middle, candidate)) {
            works = middle;
            decimal = candidate;
        } else {
            fails = middle;
        }
    }
    drop_trailing_zeros(decimal);
    return decimal;
}

// d1.d2...dn e[+-]XX, the exponent with at least two digits.
void append_scientific(const Decimal& decimal, std::string& out) {
    out += decimal.digits[0];
    if (decimal.count > 1) {
        out += '.';
        out.append(decimal.digits + 1, decimal.digits + decimal.count);
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", decimal.exponent < 0 ? '-' : '+',
                  std::abs(decimal.exponent));
    out += exponent;
}

std::size_t scientific_length(const Decimal& decimal) {
    const int exponent = std::abs(decimal.exponent);
    const std::size_t exponent_digits = exponent >= 100 ? 3 : 2;
    return static_cast<std::size_t>(decimal.count) + (decimal.count > 1 ? 1 : 0) + 2 +
           exponent_digits;
}

std::size_t fixed_length(const Decimal& decimal) {
    const int count = decimal.count;
    const int exponent = decimal.exponent;
    if (exponent < 0) {
        const int length = 1 + 1 + (-exponent - 1) + count;  // 0.000ddd
        return static_cast<std::size_t>(length);
    }
    if (count <= exponent + 1) {
        const int length = exponent + 1;  // ddd000
        return static_cast<std::size_t>(length);
    }
    const int length = count + 1;  // dd.ddd
    return static_cast<std::size_t>(length);
}

// An integer written out in full is the double's exact value, as printf's
// "%.0f" gives it: std::to_chars writes 2^70 as 1180591620717411303424, not
// as its shortest digits padded with zeros.
void append_fixed(const Decimal& decimal, double magnitude, std::string& out) {
    const int count = decimal.count;
    const int exponent = decimal.exponent;
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(decimal.digits, decimal.digits + count);
    } else if (count <= exponent + 1) {
        char text[400];
        std::snprintf(text, sizeof text, "%.0f", magnitude);
        out += text;
    } else {
        out.append(decimal.digits, decimal.digits + exponent + 1);
        out += '.';
        out.append(decimal.digits + exponent + 1, decimal.digits + count);
    }
}

void append_shortest_digits(double value, std::string& out) {
    if (std::isnan(value)) {
        out += std::signbit(value) ? "-nan" : "nan";
        return;
    }
    if (std::signbit(value)) {
        out += '-';
    }
    const double magnitude = std::fabs(value);
    if (std::isinf(magnitude)) {
        out += "inf";
        return;
    }
    if (magnitude == 0.0) {
        out += '0';
        return;
    }
    const Decimal decimal = shortest_decimal(magnitude);
    // The shorter of the two forms, the fixed one when they are as long.
    if (fixed_length(decimal) <= scientific_length(decimal)) {
        append_fixed(decimal, magnitude, out);
    } else {
        append_scientific(decimal, out);
    }
}

#endif

// Whole numbers below 10^5 (lengths, chromosomes, spacings, replicates) are
// their digits: for them the fixed form is never longer than the scientific
// one (99999 against 9.9999e+04; 10000 ties 1e+04, and the fixed form wins a
// tie), and it is many times cheaper than the general shortest digits.
constexpr double kWholeDigitsBelow = 1e5;

}  // namespace

void append_shortest(double value, std::string& out) {
    if (value >= 0.0 && value < kWholeDigitsBelow && !std::signbit(value)) {
        const auto whole = static_cast<unsigned>(value);
        if (static_cast<double>(whole) == value) {
            char digits[8];
            char* end = digits + sizeof digits;
            char* p = end;
            unsigned rest = whole;
            do {
                *--p = static_cast<char>('0' + rest % 10);
                rest /= 10;
            } while (rest != 0);
            out.append(p, end);
            return;
        }
    }
    append_shortest_digits(value, out);
}

std::string shortest(double value) {
    std::string text;
    append_shortest(value, text);
    return text;
}

std::string readable_number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, kReadable, value);
    return text;
}

}  // namespace lodthresh::table
