// The normal sampler: its layers, moments and tails against exact values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"

namespace {

using lodthresh::simulation::Xoshiro256;
using lodthresh::simulation::Ziggurat;

// Tolerance of every statistical check in standard errors (two-sided normal
// tail 2e-9 per check, so under 1e-6 for all checks of the suite together).
constexpr double kSigmas = 6.0;
// Draws for the moments and tails: 57 expected beyond |5|.
constexpr long kDraws = 100'000'000;

struct Sample {
    double mean = 0;
    double variance = 0;
    double fourth = 0;
    std::vector<long> beyond_plus;   // counts above +t for each t of kTails
    std::vector<long> beyond_minus;  // counts below -t
};

constexpr double kTails[] = {3.0, 4.0, 5.0};

// A large sample drawn in blocks through fill(), as the simulation draws.
Sample draw(unsigned long seed) {
    const Ziggurat normal;
    Xoshiro256 bits(seed);
    std::vector<double> block(4096 + 3);  // odd blocks use the single-draw path too
    Sample s;
    s.beyond_plus.assign(3, 0);
    s.beyond_minus.assign(3, 0);
    double sum = 0;
    double squares = 0;
    double fourths = 0;
    long n = 0;
    while (n < kDraws) {
        normal.fill(bits, block.data(), block.size());
        for (double x : block) {
            sum += x;
            squares += x * x;
            fourths += x * x * x * x;
            for (int t = 0; t < 3; ++t) {
                s.beyond_plus[t] += x > kTails[t];
                s.beyond_minus[t] += x < -kTails[t];
            }
        }
        n += static_cast<long>(block.size());
    }
    s.mean = sum / static_cast<double>(n);
    s.variance = squares / static_cast<double>(n) - s.mean * s.mean;
    s.fourth = fourths / static_cast<double>(n);
    return s;
}

const Sample& sample() {
    static const Sample s = draw(20260101);
    return s;
}

TEST(Ziggurat, LayersCloseAtTheTop) {
    // The recursion f(x_{i+1}) = f(x_i) + v / x_i must reach the mode: the
    // top layer's rectangle, x_255 wide, has area v under height 1.
    const Ziggurat normal;
    const double x255 = normal.abscissa(255);
    EXPECT_NEAR(x255 * (1.0 - std::exp(-0.5 * x255 * x255)), Ziggurat::kLayerArea, 1e-9);
    EXPECT_EQ(normal.abscissa(1), Ziggurat::kTailStart);
    EXPECT_EQ(normal.abscissa(256), 0.0);
    for (int i = 1; i <= 256; ++i) {
        EXPECT_LT(normal.abscissa(i), normal.abscissa(i - 1)) << i;
    }
}

TEST(Ziggurat, Mean) {
    EXPECT_NEAR(sample().mean, 0.0, kSigmas * std::sqrt(1.0 / kDraws));
}

TEST(Ziggurat, Variance) {
    // Var of Z^2 is 2.
    EXPECT_NEAR(sample().variance, 1.0, kSigmas * std::sqrt(2.0 / kDraws));
}

TEST(Ziggurat, FourthMoment) {
    // E Z^4 = 3, Var Z^4 = E Z^8 - 9 = 96.
    EXPECT_NEAR(sample().fourth, 3.0, kSigmas * std::sqrt(96.0 / kDraws));
}

// P(Z > t) = erfc(t / sqrt 2) / 2 on each side; 3 lies in the layers, 4 and 5
// in the tail beyond r = 3.654.
TEST(Ziggurat, TailProbabilities) {
    for (int t = 0; t < 3; ++t) {
        const double p = 0.5 * std::erfc(kTails[t] / std::sqrt(2.0));
        const double se = std::sqrt(p * (1 - p) / kDraws);
        EXPECT_NEAR(static_cast<double>(sample().beyond_plus[t]) / kDraws, p, kSigmas * se)
            << "above +" << kTails[t];
        EXPECT_NEAR(static_cast<double>(sample().beyond_minus[t]) / kDraws, p, kSigmas * se)
            << "below -" << kTails[t];
    }
}

// One deviate at a time (the low half of each word) has the same law.
TEST(Ziggurat, SingleDraws) {
    constexpr long kSingle = 10'000'000;
    const Ziggurat normal;
    Xoshiro256 bits(5);
    double sum = 0;
    double squares = 0;
    long above = 0;
    for (long i = 0; i < kSingle; ++i) {
        const double x = normal(bits);
        sum += x;
        squares += x * x;
        above += x > 3.0;
    }
    const double p = 0.5 * std::erfc(3.0 / std::sqrt(2.0));
    EXPECT_NEAR(sum / kSingle, 0.0, kSigmas * std::sqrt(1.0 / kSingle));
    EXPECT_NEAR(squares / kSingle, 1.0, kSigmas * std::sqrt(2.0 / kSingle));
    EXPECT_NEAR(static_cast<double>(above) / kSingle, p,
                kSigmas * std::sqrt(p * (1 - p) / kSingle));
}

TEST(Ziggurat, SameGeneratorSameDeviates) {
    const Ziggurat normal;
    Xoshiro256 a(3);
    Xoshiro256 b(3);
    std::vector<double> x(10001);
    std::vector<double> y(10001);
    normal.fill(a, x.data(), x.size());
    normal.fill(b, y.data(), y.size());
    EXPECT_EQ(x, y);
    EXPECT_EQ(a, b);
}

}  // namespace
