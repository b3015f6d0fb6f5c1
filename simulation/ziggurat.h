// The normal sampler of the null-scan simulation: Marsaglia and Tsang's
// ziggurat (The ziggurat method for generating random variables, J. Stat.
// Softw. 5(8), 2000) with 256 layers over the half-normal and the exact tail
// beyond r by Marsaglia's exponential rejection (1964).
//
// Each 64-bit word gives two deviates, its low half first, as in Marsaglia
// and Tsang's own 32-bit form: 8 bits choose the layer and 24 give a signed
// abscissa, uniform on (-x_i, x_i) in steps of x_i / 2^23, far finer than
// anything a maximum over thousands of markers can show. About 99 % of draws
// are accepted at once with one multiply and one compare; the rest go
// to the wedge or to the tail, which draw whole words (53-bit uniforms) of
// their own. The sampler draws from any generator whose operator() returns 64
// bits and uniform() a double in [0, 1), and holds only constant tables, so
// one sampler serves every thread.
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

    // What the fast path reads of layer i, side by side in one line of cache.
    struct Layer {
        double width;  // x_i / 2^23
        double inner;  // x_{i+1}: the rectangle's part under the curve ends there
    };

    // The candidate of 32 random bits: layer i from the low 8, the abscissa
    // j x_i / 2^23 from the top 24 with j = (bits >> 8) - 2^23 in [-2^23, 2^23).
    Candidate candidate(std::uint32_t half) const {
        const std::size_t layer = half & 0xffu;
        const std::int32_t j = static_cast<std::int32_t>(half >> 8) - (std::int32_t{1} << 23);
        return {static_cast<double>(j) * layer_[layer].width, layer};
    }

    // Inside the layer's rectangle below the curve: |x| < x_{i+1}.
    bool inside(const Candidate& c) const { return std::fabs(c.x) < layer_[c.layer].inner; }

    // A draw that left its rectangle: the wedge under the curve, the tail of
    // the base layer, or a new draw.
    template <class Bits>
    double edge(Bits& bits, std::size_t layer, double x) const;

    double x_[kLayers + 1];
    double f_[kLayers + 1];  // exp(-x_i^2 / 2)
    Layer layer_[kLayers];
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
