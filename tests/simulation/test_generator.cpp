// The bit generator: streams from a seed, the jump that separates them, and
// the balance of the bits the normal sampler reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "simulation/xoshiro.h"

namespace {

using lodthresh::simulation::Xoshiro256;

// Tolerance of every statistical check in standard errors: a two-sided
// normal tail of 2e-9, so that a sound generator fails a check about once in
// 500 million seeds.
constexpr double kSigmas = 6.0;

TEST(Generator, SameSeedSameStream) {
    for (std::uint64_t seed : {0ull, 1ull, 20260101ull, ~0ull}) {
        Xoshiro256 a(seed);
        Xoshiro256 b(seed);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(a(), b()) << "seed " << seed << ", draw " << i;
        }
    }
}

TEST(Generator, NeighbouringSeedsDiffer) {
    Xoshiro256 a(41);
    Xoshiro256 b(42);
    int equal = 0;
    for (int i = 0; i < 1000; ++i) {
        equal += a() == b();
    }
    EXPECT_EQ(equal, 0);
}

// The jump is a power of the generator's transition matrix, so it commutes
// with stepping: jumping then drawing n equals drawing n then jumping.
TEST(Generator, JumpCommutesWithSteps) {
    for (int steps : {0, 1, 7, 1000}) {
        Xoshiro256 a(7);
        Xoshiro256 b(7);
        a.jump();
        for (int i = 0; i < steps; ++i) {
            a();
            b();
        }
        b.jump();
        EXPECT_EQ(a, b) << steps << " steps";
    }
}

TEST(Generator, JumpedStreamsShareNoOutputs) {
    Xoshiro256 a(7);
    Xoshiro256 b = a;
    b.jump();
    std::vector<std::uint64_t> first;
    for (int i = 0; i < 4096; ++i) {
        first.push_back(a());
    }
    int shared = 0;
    for (int i = 0; i < 4096; ++i) {
        const std::uint64_t x = b();
        for (std::uint64_t y : first) {
            shared += x == y;
        }
    }
    EXPECT_EQ(shared, 0);
}

// Every bit is set half the time: the ziggurat takes its layer from the low
// bits and its abscissa from the high ones of each half.
TEST(Generator, EveryBitIsBalanced) {
    constexpr int kDraws = 1 << 20;
    Xoshiro256 bits(2026);
    std::vector<int> ones(64, 0);
    for (int i = 0; i < kDraws; ++i) {
        const std::uint64_t x = bits();
        for (int b = 0; b < 64; ++b) {
            ones[b] += (x >> b) & 1u;
        }
    }
    const double se = std::sqrt(0.25 / kDraws);
    for (int b = 0; b < 64; ++b) {
        EXPECT_NEAR(static_cast<double>(ones[b]) / kDraws, 0.5, kSigmas * se) << "bit " << b;
    }
}

TEST(Generator, UniformMeanAndRange) {
    constexpr int kDraws = 1 << 20;
    Xoshiro256 bits(99);
    double sum = 0;
    for (int i = 0; i < kDraws; ++i) {
        const double u = bits.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        sum += u;
    }
    EXPECT_NEAR(sum / kDraws, 0.5, kSigmas * std::sqrt(1.0 / 12 / kDraws));
}

}  // namespace
