#include "simulation/estimates.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "simulation/checks.h"

namespace lodthresh::simulation {

namespace {

// The quantile of sorted values at fractional order h in [0, N - 1],
// interpolated between neighbouring order statistics.
double order_statistic(const std::vector<double>& sorted, double h) {
    const double top = static_cast<double>(sorted.size() - 1);
    h = std::clamp(h, 0.0, top);
    const auto low = static_cast<std::size_t>(h);
    if (low + 1 >= sorted.size()) {
        return sorted.back();
    }
    const double fraction = h - static_cast<double>(low);
    return sorted[low] + fraction * (sorted[low + 1] - sorted[low]);
}

struct Quantile {
    double value;
    double se;
};

// The sample quantile at 1 - p and the binomial order-statistic interval's
// half width.
Quantile upper_quantile(std::vector<double> lods, double p) {
    std::sort(lods.begin(), lods.end());
    const double n = static_cast<double>(lods.size());
    const double h = (n - 1) * (1 - p);
    const double spread = std::sqrt(n * p * (1 - p));
    return {order_statistic(lods, h),
            0.5 * (order_statistic(lods, h + spread) - order_statistic(lods, h - spread))};
}

std::vector<double> lods_of(const Maxima& maxima, bool coarse) {
    std::vector<double> lods(maxima.size());
    for (std::uint64_t i = 0; i < maxima.size(); ++i) {
        lods[i] = coarse ? maxima.coarse_lod(i) : maxima.lod(i);
    }
    return lods;
}

void check_maxima(const Maxima& maxima) {
    if (maxima.size() == 0) {
        invalid("there are no simulated maxima to read a threshold or level from");
    }
}

}  // namespace

Estimate simulated_threshold(const Maxima& maxima, double alpha) {
    if (!finite_positive(alpha)) {
        invalid("the level alpha must be finite and above 0, not " + number_text(alpha));
    }
    check_maxima(maxima);
    const double p = -std::expm1(-alpha);
    const double n = static_cast<double>(maxima.size());
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // Fewer than 10 replicates expected above: the quantile would rest on a
    // handful of maxima and its interval would run off the sample.
    if (n * p < 10) {
        return {false, kNaN, kNaN};
    }
    const Quantile fine = upper_quantile(lods_of(maxima, false), p);
    if (!maxima.dense()) {
        return {true, fine.value, fine.se};
    }
    const Quantile coarse = upper_quantile(lods_of(maxima, true), p);
    // Bahadur: each sample quantile is the true one less (F_n(q) - F(q)) / f(q),
    // so the pair's correlation is that of the indicators of exceeding q.
    double both = 0;
    double above_fine = 0;
    double above_coarse = 0;
    for (std::uint64_t i = 0; i < maxima.size(); ++i) {
        const bool a = maxima.lod(i) > fine.value;
        const bool b = maxima.coarse_lod(i) > coarse.value;
        above_fine += a;
        above_coarse += b;
        both += a && b;
    }
    above_fine /= n;
    above_coarse /= n;
    both /= n;
    const double spread =
        std::sqrt(above_fine * (1 - above_fine) * above_coarse * (1 - above_coarse));
    const double correlation = spread > 0 ? (both - above_fine * above_coarse) / spread : 1.0;
    const double variance =
        4 * fine.se * fine.se + coarse.se * coarse.se - 4 * correlation * fine.se * coarse.se;
    return {true, 2 * fine.value - coarse.value, std::sqrt(std::max(0.0, variance))};
}

Estimate simulated_level(const Maxima& maxima, double lod) {
    if (std::isnan(lod)) {
        invalid("the LOD score whose level is simulated must be a number");
    }
    check_maxima(maxima);
    const double n = static_cast<double>(maxima.size());
    if (!maxima.dense()) {
        double above = 0;
        for (std::uint64_t i = 0; i < maxima.size(); ++i) {
            above += maxima.lod(i) > lod;
        }
        const double p = above / n;
        return {true, p, std::sqrt(p * (1 - p) / n)};
    }
    // Per replicate y = 2 [grid max > lod] - [subgrid max > lod], whose mean is
    // the extrapolated level; its sample variance counts the two grids'
    // covariance.
    double sum = 0;
    double sum_squares = 0;
    for (std::uint64_t i = 0; i < maxima.size(); ++i) {
        const double y = 2.0 * (maxima.lod(i) > lod) - 1.0 * (maxima.coarse_lod(i) > lod);
        sum += y;
        sum_squares += y * y;
    }
    const double mean = sum / n;
    const double variance = n > 1 ? (sum_squares - n * mean * mean) / (n - 1) : 0.0;
    return {true, mean, std::sqrt(std::max(0.0, variance) / n)};
}

}  // namespace lodthresh::simulation
