// The bit generator of the null-scan simulation: xoshiro256**, the ** (star
// star) scrambler over the xoshiro256 linear engine, from
//   D. Blackman and S. Vigna, Scrambled linear pseudorandom number
//   generators, ACM Transactions on Mathematical Software 47(4), article 36,
//   2021,
// seeded through SplitMix64 as its authors advise, with the jump that
// advances a stream by 2^128 outputs so that streams cut from one seed never
// overlap.
//
// It knows nothing of normal deviates or of scans: it gives 64 random bits at
// a time, and copies of it are the streams.
#ifndef LODTHRESH_SIMULATION_XOSHIRO_H
#define LODTHRESH_SIMULATION_XOSHIRO_H

#include <cstdint>

namespace lodthresh::simulation {

class Xoshiro256 {
  public:
    // The four words of state filled from SplitMix64 started at `seed`; any
    // seed, 0 included, gives a state that is not all zero.
    explicit Xoshiro256(std::uint64_t seed) {
        std::uint64_t x = seed;
        for (std::uint64_t& word : s_) {
            word = split_mix64(x);
        }
    }

    // The next 64 bits: the ** scrambler, rotl(5 s1, 7) * 9, is good in every
    // bit, low ones included.
    std::uint64_t operator()() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // A uniform double in [0, 1) from the top 53 bits.
    double uniform() { return static_cast<double>((*this)() >> 11) * 0x1.0p-53; }

    // Advances the stream by 2^128 outputs, the polynomial of the generator's
    // authors: 2^128 non-overlapping streams of 2^128 draws each.
    void jump() {
        constexpr std::uint64_t kJump[] = {0x180ec6d33cfd0aba, 0xd5a61266f0c9392c,
                                           0xa9582618e03fc9aa, 0x39abdc4529b1661c};
        std::uint64_t s0 = 0;
        std::uint64_t s1 = 0;
        std::uint64_t s2 = 0;
        std::uint64_t s3 = 0;
        for (std::uint64_t word : kJump) {
            for (int bit = 0; bit < 64; ++bit) {
                if ((word >> bit) & 1u) {
                    s0 ^= s_[0];
                    s1 ^= s_[1];
                    s2 ^= s_[2];
                    s3 ^= s_[3];
                }
                (*this)();
            }
        }
        s_[0] = s0;
        s_[1] = s1;
        s_[2] = s2;
        s_[3] = s3;
    }

    friend bool operator==(const Xoshiro256& a, const Xoshiro256& b) {
        return a.s_[0] == b.s_[0] && a.s_[1] == b.s_[1] && a.s_[2] == b.s_[2] && a.s_[3] == b.s_[3];
    }

  private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    // SplitMix64 (G. L. Steele, D. Lea and C. H. Flood, Fast splittable
    // pseudorandom number generators, OOPSLA 2014, ACM SIGPLAN Notices
    // 49(10):453-472): one step of the Weyl sequence and its finaliser.
    static std::uint64_t split_mix64(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }

    std::uint64_t s_[4];
};

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_XOSHIRO_H
