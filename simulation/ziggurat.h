// The normal sampler of the null-scan simulation: the ziggurat of
//   G. Marsaglia and W. W. Tsang, The ziggurat method for generating random
//   variables, Journal of Statistical Software 5(8):1-7, 2000,
// with 256 layers of equal area over the half-normal, and the exact tail
// beyond r by Marsaglia's exponential rejection (G. Marsaglia, Generating a
// variable from the tail of the normal distribution, Technometrics
// 6(1):101-102, 1964).
//
// Each 64-bit word gives two deviates, its low half first, each from 32 bits
// of its own: the low 8 choose the layer and the top 24 give a signed
// abscissa, uniform on (-x_i, x_i) in steps of x_i / 2^23, far finer than
// anything a maximum over thousands of markers can show. Marsaglia and
// Tsang's own form reads the whole 32-bit word j as the abscissa j w_i and
// takes the layer i from its rightmost bits (7 of them in their normal
// sampler of 128 layers), so that the layer's bits are also the abscissa's
// lowest and the two are not independent (J. A. Doornik, An improved ziggurat
// method to generate normal random samples, University of Oxford, 2005); here
// the layer's bits and the abscissa's are disjoint. About 99 % of draws are
// accepted at once with one multiply and one compare; the rest go to the
// wedge or to the tail, which draw whole words (53-bit uniforms) of their own.
// The sampler draws from any generator whose operator() returns 64 bits and
// uniform() a double in [0, 1), and holds only constant tables, so one sampler
// serves every thread.
#ifndef LODTHRESH_SIMULATION_ZIGGURAT_H
#define LODTHRESH_SIMULATION_ZIGGURAT_H

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace lodthresh::simulation {

class Ziggurat {
  public:
    static constexpr int kLayers = 256;
    // The tail starts at r and every layer has area v (with f(x) = exp(-x^2/2)),
    // Marsaglia and Tsang's constants for 256 layers.
    static constexpr double kTailStart = 3.6541528853610088;
    static constexpr double kLayerArea = 4.92867323399e-3;

    Ziggurat();

    // One standard normal deviate (from the low half of a word).
    template <class Bits>
    double operator()(Bits& bits) const {
        const auto half = static_cast<std::uint32_t>(bits());
        const Candidate c = candidate(half);
        return inside(c) ? c.x : edge(bits, c.layer, c.x);
    }

    // n standard normal deviates, two from each word. The words of up to
    // kBatch deviates are drawn first, with the generator in a local copy that
    // nothing else sees so that it stays in registers; the few draws that left
    // their rectangle are then finished in order from the words that follow.
    // Each deviate still rests on words of its own, so the deviates are
    // independent and exactly normal.
    template <class Bits>
    void fill(Bits& bits, double* out, std::size_t n) const {
        for (std::size_t first = 0; first < n; first += kBatch) {
            const std::size_t count = n - first < kBatch ? n - first : kBatch;
            double* batch = out + first;
            std::uint32_t pending[kBatch];  // position << 8 | layer
            std::size_t waiting = 0;
            Bits local = bits;
            // A branch, rarely taken and well predicted, costs less here than
            // a branch-free append.
            const auto keep = [&](std::size_t at, const Candidate& c) {
                batch[at] = c.x;
                if (!inside(c)) {
                    pending[waiting++] = static_cast<std::uint32_t>((at << 8) | c.layer);
                }
            };
            std::size_t i = 0;
            for (; i + 1 < count; i += 2) {
                const std::uint64_t u = local();
                keep(i, candidate(static_cast<std::uint32_t>(u)));
                keep(i + 1, candidate(static_cast<std::uint32_t>(u >> 32)));
            }
            if (i < count) {
                keep(i, candidate(static_cast<std::uint32_t>(local())));
            }
            bits = local;
            for (std::size_t k = 0; k < waiting; ++k) {
                const std::size_t at = pending[k] >> 8;
                batch[at] = edge(bits, pending[k] & 0xffu, batch[at]);
            }
        }
    }

    // The layer abscissas x_0 > x_1 = r > ... > x_256 = 0, where x_0 = v / f(r)
    // is the base layer's width counting the tail; for tests.
    double abscissa(int i) const { return x_[i]; }

  private:
    static constexpr std::size_t kBatch = 512;

    struct Candidate {
        double x;
        std::size_t layer;
    };

    // The candidate of 32 random bits: layer i from the low 8, the abscissa
    // j x_i / 2^23 from the top 24 read as a signed number, j in [-2^23, 2^23):
    // the word as a two's-complement integer shifted right arithmetically, one
    // instruction fewer than an offset (the compiler's behaviour, checked
    // below, and the rule from C++20 on).
    Candidate candidate(std::uint32_t half) const {
        static_assert(static_cast<std::int32_t>(0xffffff00u) >> 8 == -1 &&
                          static_cast<std::int32_t>(0x80000000u) >> 8 == -(1 << 23),
                      "the ziggurat needs two's-complement integers shifted arithmetically");
        const std::size_t layer = half & 0xffu;
        const std::int32_t j = static_cast<std::int32_t>(half) >> 8;
        return {static_cast<double>(j) * width_[layer], layer};
    }

    // Inside the layer's rectangle below the curve: |x| < x_{i+1}.
    bool inside(const Candidate& c) const { return std::fabs(c.x) < inner_[c.layer]; }

    // A draw that left its rectangle: the wedge under the curve, the tail of
    // the base layer, or a new draw.
    template <class Bits>
    double edge(Bits& bits, std::size_t layer, double x) const;

    double x_[kLayers + 1];
    double f_[kLayers + 1];  // exp(-x_i^2 / 2)
    // The fast path's tables, apart so that a layer indexes each with one
    // scaled address.
    double width_[kLayers];  // x_i / 2^23
    double inner_[kLayers];  // x_{i+1}: the rectangle lies under the curve up to there
};

template <class Bits>
double Ziggurat::edge(Bits& bits, std::size_t layer, double x) const {
    for (;;) {
        if (layer == 0) {
            // The tail beyond r (Marsaglia 1964): x = r + e1 / r is accepted
            // when 2 e2 > (e1 / r)^2, with e1 and e2 standard exponential.
            for (;;) {
                const double a = -std::log1p(-bits.uniform()) / kTailStart;
                const double b = -std::log1p(-bits.uniform());
                if (b + b > a * a) {
                    return x < 0 ? -(kTailStart + a) : kTailStart + a;
                }
            }
        }
        // The wedge between the rectangle's inner edge and the curve: a point
        // uniform in height over the layer is under the curve with the
        // density's own probability.
        const double y = f_[layer] + bits.uniform() * (f_[layer + 1] - f_[layer]);
        if (y < std::exp(-0.5 * x * x)) {
            return x;
        }
        const Candidate c = candidate(static_cast<std::uint32_t>(bits()));
        if (inside(c)) {
            return c.x;
        }
        layer = c.layer;
        x = c.x;
    }
}

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_ZIGGURAT_H
