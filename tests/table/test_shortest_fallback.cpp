// The fallback of shortest(): the same text as std::to_chars's shortest
// round-trip form, for chosen values and for many drawn at random.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "table/shortest.h"

#if !defined(__cpp_lib_to_chars)
#error "the fallback is compared with std::to_chars, which this C++ library lacks"
#endif

namespace {

using lodthresh::table::shortest;

std::string to_chars_text(double value) {
    char text[64];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

double from_bits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct TextCase {
    double value;
    const char* text;
};

// What the command line writes for its usual values, and the edges of the
// two forms: the shorter wins, fixed on a tie, the exponent with two digits.
const TextCase text_cases[] = {
    {0.05, "0.05"},
    {1e-08, "1e-08"},
    {33.0, "33"},
    {2.67, "2.67"},
    {1.0, "1"},
    {0.0, "0"},
    {-0.0, "-0"},
    {-2.5, "-2.5"},
    {0.001, "0.001"},
    {0.0001, "1e-04"},
    {1e-05, "1e-05"},
    {10000.0, "10000"},
    {100000.0, "1e+05"},
    {123456.0, "123456"},
    {1e100, "1e+100"},
    {1.7976931348623157e308, "1.7976931348623157e+308"},
    {4.9406564584124654e-324, "5e-324"},
    {0.1 + 0.2, "0.30000000000000004"},
    {std::numeric_limits<double>::infinity(), "inf"},
    {-std::numeric_limits<double>::infinity(), "-inf"},
    {std::numeric_limits<double>::quiet_NaN(), "nan"},
};

TEST(ShortestFallback, ChosenValues) {
    for (const TextCase& c : text_cases) {
        EXPECT_EQ(shortest(c.value), c.text) << c.text;
        EXPECT_EQ(shortest(c.value), to_chars_text(c.value)) << c.text;
    }
}

// Each set of values, with a count, is compared with std::to_chars in full.
struct SampleCase {
    const char* name;
    int count;
    double (*draw)(std::mt19937_64& bits, int i);
};

const SampleCase sample_cases[] = {
    // Every finite double is as likely as any other: all exponents, subnormals.
    {"random bit patterns", 200000,
     [](std::mt19937_64& bits, int) {
         double value;
         do {
             value = from_bits(bits());
         } while (!std::isfinite(value));
         return value;
     }},
    // Short decimals: one to six digits at every decimal exponent.
    {"short decimals", 200000,
     [](std::mt19937_64& bits, int) {
         const double digits = static_cast<double>(bits() % 1000000);
         const int exponent = static_cast<int>(bits() % 600) - 300;
         return digits * std::pow(10.0, exponent);
     }},
    // Powers of two, whose interval of doubles is narrower below, and their
    // neighbours.
    {"powers of two", 2 * 2098,
     [](std::mt19937_64&, int i) {
         const double power = std::ldexp(1.0, i / 2 - 1074);
         return i % 2 == 0 ? power : std::nextafter(power, 0.0);
     }},
    // Integers up to and beyond 2^53, written out in full in fixed form.
    {"integers", 100000,
     [](std::mt19937_64& bits, int i) {
         return std::ldexp(static_cast<double>(bits() >> 11), i % 80 - 53);
     }},
    // Values of a threshold table: levels, LOD scores, lengths, spacings.
    {"table values", 100000,
     [](std::mt19937_64& bits, int) {
         return std::uniform_real_distribution<double>(1e-9, 40.0)(bits);
     }},
};

TEST(ShortestFallback, SameTextAsToChars) {
    for (const SampleCase& c : sample_cases) {
        std::mt19937_64 bits(20261209);
        int differing = 0;
        for (int i = 0; i < c.count; ++i) {
            const double value = c.draw(bits, i);
            const std::string expected = to_chars_text(value);
            if (shortest(value) != expected && ++differing <= 5) {
                ADD_FAILURE() << c.name << ": " << expected << " written as " << shortest(value);
            }
        }
        EXPECT_EQ(differing, 0) << c.name;
    }
}

}  // namespace

namespace {

// Whole numbers below 10^5 take a path of their own; beyond it the fixed form
// would be longer than the scientific one (100000 is 1e+05).
TEST(ShortestFallback, WholeNumbersAroundTheirOwnPathAsToChars) {
    for (int i = 0; i <= 200000; ++i) {
        const double value = i;
        ASSERT_EQ(shortest(value), to_chars_text(value)) << i;
        ASSERT_EQ(shortest(-value), to_chars_text(-value)) << i;
        ASSERT_EQ(shortest(value + 0.5), to_chars_text(value + 0.5)) << i;
    }
}

}  // namespace
