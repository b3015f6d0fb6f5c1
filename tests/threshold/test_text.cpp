// The libraries' number reader against the C library's strtod, which it must
// equal bit for bit, and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "threshold/text.h"

namespace lodthresh {
namespace {

std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Clinger's fast path takes decimals of up to 15 digits; these cross its
// limits on every side (16 digits, exponents, leading zeros, signs, halfway
// cases of the division).
TEST(ReadDecimal, EqualsStrtodOnRandomDecimalsOfEveryLength) {
    std::mt19937_64 random(20261210);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 18);
        std::string text = random() % 4 == 0 ? "-" : random() % 8 == 0 ? "+" : "";
        const int point = static_cast<int>(random() % (digits + 2));
        for (int d = 0; d < digits; ++d) {
            if (d == point) {
                text += '.';
            }
            text += static_cast<char>('0' + random() % 10);
        }
        if (random() % 6 == 0) {
            text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
        }
        double value = 0.0;
        char* end = nullptr;
        const double expected = std::strtod(text.c_str(), &end);
        ASSERT_TRUE(read_decimal(text, &value)) << text;
        ASSERT_EQ(bits_of(value), bits_of(expected)) << text;
    }
}

TEST(ReadDecimal, TakesWhatStrtodTakesAndRefusesTheRest) {
    const struct {
        const char* text;
        bool read;
    } cases[] = {
        {"33", true},   {"0.05", true},   {"-0", true},     {".5", true},     {"5.", true},
        {"1e-8", true}, {"0x1p-3", true}, {"inf", true},    {"nan", true},    {" 5", true},
        {"", false},    {"-", false},     {".", false},     {"1.2.3", false}, {"5 ", false},
        {"abc", false}, {"1e", false},    {"0.05x", false},
    };
    for (const auto& c : cases) {
        double value = 0.0;
        ASSERT_EQ(read_decimal(c.text, &value), c.read) << c.text;
        if (c.read && !std::isnan(value)) {
            EXPECT_EQ(bits_of(value), bits_of(std::strtod(c.text, nullptr))) << c.text;
        }
    }
    EXPECT_EQ(read_decimal(std::string("5\0"
                                       "1",
                                       3),
                           nullptr),
              false);
    EXPECT_EQ(quoted("a b"), "'a b'");
}

}  // namespace
}  // namespace lodthresh
