#include "simulation/ziggurat.h"

namespace lodthresh::simulation {

// The layers from the base up: f(x_{i+1}) = f(x_i) + v / x_i, each rectangle
// of area v; the top abscissa is 0 by construction (the recursion reaches it
// to about 1e-12, and rounding is not allowed to leave a sliver).
Ziggurat::Ziggurat() {
    const double r = kTailStart;
    const double v = kLayerArea;
    const double fr = std::exp(-0.5 * r * r);
    x_[0] = v / fr;
    x_[1] = r;
    for (int i = 1; i < kLayers - 1; ++i) {
        x_[i + 1] = std::sqrt(-2.0 * std::log(std::exp(-0.5 * x_[i] * x_[i]) + v / x_[i]));
    }
    x_[kLayers] = 0.0;
    for (int i = 0; i <= kLayers; ++i) {
        f_[i] = std::exp(-0.5 * x_[i] * x_[i]);
    }
    for (int i = 0; i < kLayers; ++i) {
        layer_[i] = {x_[i] * 0x1.0p-23, x_[i + 1]};
    }
}

}  // namespace lodthresh::simulation
