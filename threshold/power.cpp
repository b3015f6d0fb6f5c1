// The power of a genome scan in the large-sample model (threshold/power.h).
//
// Grid and kernels. Each component of the statistic has a uniform grid of
// nodes; the Gaussian transition over d Morgan, Z' = r Z + sqrt(1 - r^2) e,
// r = exp(-2 rho d), is a banded matrix from the nodes to the nodes: the
// density at the node (the trapezoid rule, whose error for a Gaussian of
// standard deviation s on a step h is about exp(-2 pi^2 s^2 / h^2), 1e-17 at
// two nodes per s), evaluated by the recurrence exp(-(t + delta)^2 / 2) =
// exp(-t^2 / 2) exp(-t delta - delta^2 / 2) along a row, cut at 7 s. A
// transition narrower than 0.8 step (very close markers on a map that forced
// a coarser grid) is integrated against the hat functions of the nodes
// instead, which keeps its mass. The region A enters as the weights of the
// nodes: the trapezoid rule inside, and across A's boundary the integral of
// the degree-5 polynomial through the six nodes around each cell, so that
// the smooth survival functions (the recursion's values without the
// indicator) are integrated to fifth order however the boundary cuts the
// grid. One-sided tests cut the region at z = -10 and take the survival
// function as constant below (the statistic's law there is below 1e-22).
//
// The 2-df disc is the strip |z_a| <= b / sqrt 2, integrated along z_d
// between +-sqrt(b^2 - z_a^2) and then along z_a, and the two caps
// |z_a| > b / sqrt 2, along z_a and then z_d: every inner integral's limits
// are smooth functions of the outer variable, so the fifth order holds.
//
// Recursion. SR_n = 1 and SR_k = K_{d_k}(w SR_{k+1}) from the right end; then
// SL_0 = 1, SL_{k+1} = K_{d_k}(w SL_k), w the region's weights. The QTL at
// marker k contributes phi(z - xi) w SL_k SR_k; a QTL at a fraction f of an
// interval contributes phi(u - xi) H G with H = K_{f d}(w SL_k) and
// G = K_{(1 - f) d}(w SR_{k+1}), the transitions from the QTL to the
// markers. The sums of these over the markers and over the Gauss-Lobatto
// nodes of every interval (weighted by the interval's length) are the tables
// of a chromosome; an effect then costs one Gaussian average of each.
#include "threshold/power.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "threshold/designs.h"
#include "threshold/genetic_map.h"

namespace lodthresh {

namespace {

constexpr double kInvSqrtTwoPi = 0.398942280401432677940;  // 1 / sqrt(2 pi)
constexpr double kSqrtHalf = 0.707106781186547524401;      // 1 / sqrt 2
constexpr double kSpan = 7.0;      // kernels cut at 7 standard deviations (2e-11 of the peak)
constexpr double kLowest = -10.0;  // one-sided: the region's lower end
constexpr double kLargestStep = 0.25;
// Nodes per standard deviation of the narrowest transition: 1.5 for one
// component, 1.25 for 2 df (against 4 per sd, the power moves by 3e-5 and
// 2.6e-4 at most over rho 1 to 4, markers 1 to 20 cM).
constexpr double kNodesPerSd = 1.5;
constexpr double kNodesPerSd2 = 1.25;
// The transitions from the QTL to its markers, narrower than the markers'
// (a part of their interval), need only 1 node per sd: on the mouse map's
// 2-df scan 0.09 s instead of 0.16 s, 2.7e-4 from the finer grids.
constexpr double kNodesPerSdQtl = 1.0;
constexpr double kNarrow = 0.8;          // below 0.8 step a kernel is taken on hat functions
constexpr double kMostStored = 1 << 24;  // survival values kept at once (128 MB)
constexpr int kMostNodes = 1000;         // on an axis of a one-component grid
constexpr int kMostNodes2 = 400;         // on an axis of the 2-df grid
constexpr double kDenseSpacing = 0.04;   // 2 rho delta of the dense map's coarsest level

double density(double z) {
    return kInvSqrtTwoPi * std::exp(-0.5 * z * z);
}
double lower_tail(double z) {
    return 0.5 * std::erfc(-z * kSqrtHalf);
}
// The second antiderivative of the normal density: psi'' = phi.
double psi(double z) {
    return z * lower_tail(z) + density(z);
}

// The transition over d Morgan at rate rho: r and sqrt(1 - r^2).
struct Transition {
    double r;
    double s;
};
Transition transition(double rate, double length) {
    return Transition{std::exp(-2.0 * (rate * length)),
                      std::sqrt(-std::expm1(-4.0 * (rate * length)))};
}

struct Axis {
    double start = 0.0;
    double step = 1.0;
    int size = 1;
    double at(int i) const { return start + step * i; }
};

// The integrals over [t0, t1] (in steps from a cell's left node) of the six
// Lagrange polynomials through the nodes first, ..., first + 5.
void stencil_integrals(int first, double t0, double t1, double* out) {
    for (int k = 0; k < 6; ++k) {
        double coefficient[7] = {1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        double denominator = 1.0;
        int degree = 0;
        for (int m = 0; m < 6; ++m) {
            if (m == k) {
                continue;
            }
            const double node = first + m;
            for (int p = degree + 1; p > 0; --p) {
                coefficient[p] = coefficient[p - 1] - node * coefficient[p];
            }
            coefficient[0] = -node * coefficient[0];
            ++degree;
            denominator *= static_cast<double>(k - m);
        }
        double sum = 0.0;
        double power0 = t0;
        double power1 = t1;
        for (int p = 0; p < 6; ++p) {
            sum += coefficient[p] * (power1 - power0) / (p + 1);
            power0 *= t0;
            power1 *= t1;
        }
        out[k] = sum / denominator;
    }
}

// Weights of the nodes for the integral over [lo, hi] of a smooth function:
// the trapezoid rule on whole cells inside, fifth order across the ends.
std::vector<double> segment_weights(const Axis& axis, double lo, double hi) {
    std::vector<double> weights(static_cast<std::size_t>(axis.size), 0.0);
    if (!(hi > lo) || axis.size < 6) {
        return weights;
    }
    const double h = axis.step;
    const int first_cell = std::max(0, static_cast<int>(std::floor((lo - axis.start) / h)));
    const int last_cell =
        std::min(axis.size - 2, static_cast<int>(std::ceil((hi - axis.start) / h)) - 1);
    double whole[6];
    stencil_integrals(-2, 0.0, 1.0, whole);
    for (int cell = first_cell; cell <= last_cell; ++cell) {
        const double left = axis.at(cell);
        const double t0 = std::max(0.0, (lo - left) / h);
        const double t1 = std::min(1.0, (hi - left) / h);
        if (!(t1 > t0)) {
            continue;
        }
        const int first = std::clamp(cell - 2, 0, axis.size - 6);
        double part[6];
        const double* integrals = whole;
        if (t0 > 0.0 || t1 < 1.0 || first != cell - 2) {
            stencil_integrals(first - cell, t0, t1, part);
            integrals = part;
        }
        for (int k = 0; k < 6; ++k) {
            weights[static_cast<std::size_t>(first) + static_cast<std::size_t>(k)] +=
                h * integrals[k];
        }
    }
    return weights;
}

// A transition as a banded matrix from an axis's nodes to rows first..last of
// the same axis: out_i = sum_j weight_ij in_j + tail_i in_lowest.
struct Band {
    int first = 0;
    int last = -1;
    std::vector<int> from;    // per row, its first input node
    std::vector<int> offset;  // per row, where its weights start; one more at the end
    std::vector<double> weights;
    std::vector<double> tail;  // one-sided: the mass below the region's lowest node
};

Band make_band(const Axis& axis, int first, int last, Transition kernel, double shift,
               bool with_tail, double lowest) {
    Band band;
    band.first = first;
    band.last = last;
    const double h = axis.step;
    const double s = kernel.s;
    const bool narrow = s < kNarrow * h;
    band.offset.push_back(0);
    for (int i = first; i <= last; ++i) {
        const double mean = kernel.r * axis.at(i) + shift;
        double lo = (mean - kSpan * s - axis.start) / h;
        double hi = (mean + kSpan * s - axis.start) / h;
        if (narrow) {
            lo -= 1.0;
            hi += 1.0;
        }
        const int j0 = std::max(0, static_cast<int>(std::ceil(lo)));
        const int j1 = std::min(axis.size - 1, static_cast<int>(std::floor(hi)));
        band.from.push_back(j0);
        if (j1 >= j0) {
            if (narrow) {
                for (int j = j0; j <= j1; ++j) {
                    const double y = axis.at(j);
                    const double value = psi((mean - y + h) / s) - 2.0 * psi((mean - y) / s) +
                                         psi((mean - y - h) / s);
                    band.weights.push_back(std::max(0.0, value) * s / (h * h));
                }
            } else {
                const double delta = h / s;
                const double t = (axis.at(j0) - mean) / s;
                double value = kInvSqrtTwoPi / s * std::exp(-0.5 * t * t);
                double factor = std::exp(-t * delta - 0.5 * delta * delta);
                const double ratio = std::exp(-delta * delta);
                for (int j = j0; j <= j1; ++j) {
                    band.weights.push_back(value);
                    value *= factor;
                    factor *= ratio;
                }
            }
        }
        band.offset.push_back(static_cast<int>(band.weights.size()));
        band.tail.push_back(with_tail ? lower_tail((lowest - mean) / s) : 0.0);
    }
    return band;
}

// The grid of a chromosome's computation and the region's weights on it.
struct Grid {
    int dims = 1;
    Axis axis[2];
    std::vector<double> weight;     // axis[0].size x axis[1].size, row-major
    int support_first[2] = {0, 0};  // the nodes where some weight is not 0
    int support_last[2] = {0, 0};
    bool one_sided = false;
    int lowest = 0;  // one-sided: the node at the region's lower end
    std::size_t size() const {
        return static_cast<std::size_t>(axis[0].size) * static_cast<std::size_t>(axis[1].size);
    }
};

// Gauss-Lobatto rules on [0, 1]: the weight of each end and the interior
// nodes with their weights.
struct Lobatto {
    double end;
    std::vector<std::pair<double, double>> interior;
};
Lobatto lobatto(int interior) {
    switch (interior) {
        case 1:
            return {1.0 / 6.0, {{0.5, 2.0 / 3.0}}};
        case 2: {
            const double x = 0.5 / std::sqrt(5.0);
            return {1.0 / 12.0, {{0.5 - x, 5.0 / 12.0}, {0.5 + x, 5.0 / 12.0}}};
        }
        case 3: {
            const double x = 0.5 * std::sqrt(3.0 / 7.0);
            return {0.05, {{0.5 - x, 49.0 / 180.0}, {0.5, 16.0 / 45.0}, {0.5 + x, 49.0 / 180.0}}};
        }
        default: {
            const double x1 = 0.5 * std::sqrt(1.0 / 3.0 - 2.0 * std::sqrt(7.0) / 21.0);
            const double x2 = 0.5 * std::sqrt(1.0 / 3.0 + 2.0 * std::sqrt(7.0) / 21.0);
            const double w1 = (14.0 + std::sqrt(7.0)) / 60.0;
            const double w2 = (14.0 - std::sqrt(7.0)) / 60.0;
            return {1.0 / 30.0, {{0.5 - x2, w2}, {0.5 - x1, w1}, {0.5 + x1, w1}, {0.5 + x2, w2}}};
        }
    }
}

// The Lobatto rule of an interval: more nodes where the interval is long
// against the correlation length 1 / (2 rho).
int interior_nodes(double rate, double length) {
    const double x = 2.0 * rate * length;
    if (x <= 0.05) {
        return 1;
    }
    if (x <= 0.2) {
        return 2;
    }
    if (x <= 0.5) {
        return 3;
    }
    return 4;
}

// One chromosome's tables: sums over its markers and over its QTL positions
// of the no-rejection integrands, the region's and the grid's weights
// included, so that an effect's no-rejection probabilities are their
// averages against phi(u - xi).
struct Table {
    Axis axis[2];
    int dims = 1;
    std::vector<double> markers;  // sum over markers
    std::vector<double> uniform;  // integral over the QTL's position (Morgan)
};

class Chromosome {
  public:
    Chromosome(const std::vector<double>& intervals, Tail tail, double rate, double t)
        : intervals_(intervals), tail_(tail), b_(std::sqrt(t)) {
        if (tail == Tail::two_df) {
            dims_ = 2;
            rates_[0] = kAdditiveShare * rate;
            rates_[1] = kDominanceShare * rate;
        } else {
            rates_[0] = rate;
        }
    }

    Table compute() {
        layout();
        const std::size_t n = intervals_.size();
        // The right survival functions are kept at every marker, or, where
        // that would take more than kMostStored values, at every block-th
        // marker and recomputed a block at a time (one more backward pass).
        std::size_t block = n + 1;
        if (static_cast<double>(n + 1) * static_cast<double>(grid_.size()) > kMostStored) {
            block = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n + 1))));
        }
        std::vector<std::vector<double>> right(n + 1);
        right[n].assign(grid_.size(), 1.0);
        {
            std::vector<double> current = right[n];
            for (std::size_t k = n; k-- > 0;) {
                current = step(current, intervals_[k]);
                if (block == n + 1 || k % block == 0) {
                    right[k] = current;
                }
            }
        }
        // right[k] at marker k, recomputing its block from the next saved one.
        const auto right_at = [&](std::size_t k) -> const std::vector<double>& {
            if (right[k].empty()) {
                const std::size_t first = k - k % block;
                const std::size_t next = std::min(first + block, n);
                for (std::size_t j = next; j-- > first + 1;) {
                    right[j] = step(right[j + 1], intervals_[j]);
                }
            }
            return right[k];
        };
        Table table;
        table.dims = dims_;
        table.axis[0] = grid_.axis[0];
        table.axis[1] = grid_.axis[1];
        table.markers.assign(grid_.size(), 0.0);
        table.uniform.assign(grid_.size(), 0.0);
        std::vector<double> left(grid_.size(), 1.0);
        const double cell = grid_.axis[0].step * (dims_ == 2 ? grid_.axis[1].step : 1.0);
        for (std::size_t k = 0; k <= n; ++k) {
            double end_weight = 0.0;
            if (k > 0) {
                end_weight += lobatto(rule(intervals_[k - 1])).end * intervals_[k - 1];
            }
            if (k < n) {
                end_weight += lobatto(rule(intervals_[k])).end * intervals_[k];
            }
            const std::vector<double>& here = right_at(k);
            for (std::size_t i = 0; i < grid_.size(); ++i) {
                const double product = grid_.weight[i] * left[i] * here[i];
                table.markers[i] += product;
                table.uniform[i] += end_weight * product;
            }
            if (k == n) {
                break;
            }
            const double d = intervals_[k];
            if (d > 0.0) {
                const Lobatto nodes = lobatto(rule(d));
                for (const auto& [fraction, weight] : nodes.interior) {
                    const std::vector<double> h = smooth(left, fraction * d);
                    const std::vector<double> g = smooth(right_at(k + 1), (1.0 - fraction) * d);
                    const double w = weight * d * cell;
                    for (std::size_t i = 0; i < grid_.size(); ++i) {
                        table.uniform[i] += w * h[i] * g[i];
                    }
                }
            }
            left = step(left, d);
            right[k].clear();
            right[k].shrink_to_fit();
        }
        return table;
    }

  private:
    int rule(double d) const { return interior_nodes(rates_[dims_ - 1], d); }

    // The grid: the narrowest transition between markers gets kNodesPerSd
    // nodes per standard deviation; the axes reach where the QTL's transitions from the region
    // leave nothing.
    void layout() {
        for (int c = 0; c < dims_; ++c) {
            double narrowest = std::numeric_limits<double>::infinity();
            double reach = b_;
            for (const double d : intervals_) {
                if (!(d > 0.0)) {
                    continue;
                }
                narrowest = std::min(narrowest, transition(rates_[c], d).s);
                for (const auto& node : lobatto(rule(d)).interior) {
                    for (const double x : {node.first * d, (1.0 - node.first) * d}) {
                        const Transition kernel = transition(rates_[c], x);
                        // The QTL's transitions need kNodesPerSdQtl nodes per sd.
                        narrowest = std::min(
                            narrowest,
                            kernel.s * (dims_ == 2 ? kNodesPerSd2 : kNodesPerSd) / kNodesPerSdQtl);
                        reach = std::max(reach, (b_ + kSpan * kernel.s) / kernel.r);
                    }
                }
            }
            double h =
                std::min(narrowest / (dims_ == 2 ? kNodesPerSd2 : kNodesPerSd), kLargestStep);
            if (dims_ == 2) {
                h = std::min(h, 0.09 * b_);
            }
            const double lower = tail_ == Tail::one_sided ? kLowest : -reach;
            const int most = dims_ == 2 ? kMostNodes2 : kMostNodes;
            h = std::max(h, (reach - lower) / (most - 10));
            reach = std::max(reach, b_ + 3.0 * h) + h;
            Axis& axis = grid_.axis[c];
            axis.step = h;
            if (tail_ == Tail::one_sided) {
                axis.start = kLowest - 3.0 * h;
                axis.size = static_cast<int>(std::ceil((reach - axis.start) / h)) + 1;
                grid_.lowest = 3;
            } else {
                const int half = static_cast<int>(std::ceil(reach / h));
                axis.start = -half * h;
                axis.size = 2 * half + 1;
            }
        }
        grid_.dims = dims_;
        grid_.one_sided = tail_ == Tail::one_sided;
        if (dims_ == 1) {
            grid_.axis[1] = Axis{0.0, 1.0, 1};
            const double lo = tail_ == Tail::one_sided ? grid_.axis[0].at(grid_.lowest) : -b_;
            grid_.weight = segment_weights(grid_.axis[0], lo, b_);
        } else {
            disc_weights();
        }
        for (int c = 0; c < 2; ++c) {
            grid_.support_first[c] = grid_.axis[c].size;
            grid_.support_last[c] = -1;
        }
        for (int i = 0; i < grid_.axis[0].size; ++i) {
            for (int j = 0; j < grid_.axis[1].size; ++j) {
                if (grid_.weight[index(i, j)] != 0.0) {
                    grid_.support_first[0] = std::min(grid_.support_first[0], i);
                    grid_.support_last[0] = std::max(grid_.support_last[0], i);
                    grid_.support_first[1] = std::min(grid_.support_first[1], j);
                    grid_.support_last[1] = std::max(grid_.support_last[1], j);
                }
            }
        }
    }

    std::size_t index(int i, int j) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(grid_.axis[1].size) +
               static_cast<std::size_t>(j);
    }

    void disc_weights() {
        const Axis& a = grid_.axis[0];
        const Axis& d = grid_.axis[1];
        grid_.weight.assign(grid_.size(), 0.0);
        const double c0 = b_ * kSqrtHalf;
        const std::vector<double> strip = segment_weights(a, -c0, c0);
        for (int i = 0; i < a.size; ++i) {
            if (strip[static_cast<std::size_t>(i)] == 0.0) {
                continue;
            }
            const double x = a.at(i);
            const double y = std::sqrt(std::max(0.0, b_ * b_ - x * x));
            const std::vector<double> chord = segment_weights(d, -y, y);
            for (int j = 0; j < d.size; ++j) {
                grid_.weight[index(i, j)] +=
                    strip[static_cast<std::size_t>(i)] * chord[static_cast<std::size_t>(j)];
            }
        }
        const std::vector<double> band = segment_weights(d, -c0, c0);
        for (int j = 0; j < d.size; ++j) {
            if (band[static_cast<std::size_t>(j)] == 0.0) {
                continue;
            }
            const double y = d.at(j);
            const double x = std::sqrt(std::max(0.0, b_ * b_ - y * y));
            const std::vector<double> upper = segment_weights(a, c0, x);
            const std::vector<double> lower = segment_weights(a, -x, -c0);
            for (int i = 0; i < a.size; ++i) {
                grid_.weight[index(i, j)] +=
                    band[static_cast<std::size_t>(j)] *
                    (upper[static_cast<std::size_t>(i)] + lower[static_cast<std::size_t>(i)]);
            }
        }
    }

    // One marker's survival function from its neighbour's, d Morgan away:
    // K_d(w S), on the nodes where the region has weight.
    std::vector<double> step(const std::vector<double>& survival, double d) const {
        if (!(d > 0.0)) {
            return survival;
        }
        return apply(survival, d, true);
    }

    // K_x(w S) at every node: the survival seen from the QTL x Morgan away.
    std::vector<double> smooth(const std::vector<double>& survival, double x) const {
        return apply(survival, x, false);
    }

    // The transitions over d to the output nodes of each axis, kept while the
    // chromosome's distinct distances are few. Symmetric regions (two-sided,
    // 2 df) keep their survival functions even in each component, so only the
    // rows from the centre up are computed and mirrored.
    struct Bands {
        Band axis[2];
    };
    const Bands& bands(double d, bool on_support) const {
        const auto key = std::make_pair(d, on_support);
        const auto found = cache_.find(key);
        if (found != cache_.end()) {
            return found->second;
        }
        if (cache_.size() >= 64) {
            cache_.clear();
        }
        Bands made;
        for (int c = 0; c < dims_; ++c) {
            const Axis& axis = grid_.axis[c];
            int first = on_support ? grid_.support_first[c] : 0;
            int last = on_support ? grid_.support_last[c] : axis.size - 1;
            if (!on_support) {
                // Seen from the QTL the region's survival vanishes beyond
                // (b + kSpan s) / r.
                const Transition kernel = transition(rates_[c], d);
                const double reach = (b_ + kSpan * kernel.s) / kernel.r + axis.step;
                last =
                    std::min(last, static_cast<int>(std::ceil((reach - axis.start) / axis.step)));
            }
            if (!grid_.one_sided) {
                first = std::max(first, centre(c));
            }
            made.axis[c] = make_band(axis, first, last, transition(rates_[c], d), 0.0,
                                     grid_.one_sided, axis.at(grid_.lowest));
        }
        return cache_.emplace(key, std::move(made)).first->second;
    }

    int centre(int c) const { return (grid_.axis[c].size - 1) / 2; }

    std::vector<double> apply(const std::vector<double>& survival, double d,
                              bool on_support) const {
        const std::size_t size = grid_.size();
        std::vector<double> weighted(size);
        for (std::size_t i = 0; i < size; ++i) {
            weighted[i] = grid_.weight[i] * survival[i];
        }
        std::vector<double> out(size, 0.0);
        const Bands& kernels = bands(d, on_support);
        if (dims_ == 1) {
            const Band& band = kernels.axis[0];
            const double lowest = survival[static_cast<std::size_t>(grid_.lowest)];
            for (int i = band.first; i <= band.last; ++i) {
                const int row = i - band.first;
                const double* w = band.weights.data() + band.offset[row];
                const int count = band.offset[row + 1] - band.offset[row];
                const double* in = weighted.data() + band.from[row];
                double sum = 0.0;
                for (int j = 0; j < count; ++j) {
                    sum += w[j] * in[j];
                }
                out[static_cast<std::size_t>(i)] = sum + band.tail[row] * lowest;
            }
            if (!grid_.one_sided) {
                const int c = centre(0);
                for (int i = band.first; i <= band.last; ++i) {
                    out[static_cast<std::size_t>(2 * c - i)] = out[static_cast<std::size_t>(i)];
                }
            }
            return out;
        }
        const Band& along_a = kernels.axis[0];
        const Band& along_d = kernels.axis[1];
        const int ca = centre(0);
        const int cd = centre(1);
        std::vector<double> partial(size, 0.0);
        const int first_row = std::max(grid_.support_first[0], ca);
        for (int i = first_row; i <= grid_.support_last[0]; ++i) {
            const double* in = weighted.data() + index(i, 0);
            double* to = partial.data() + index(i, 0);
            for (int j = along_d.first; j <= along_d.last; ++j) {
                const int row = j - along_d.first;
                const double* w = along_d.weights.data() + along_d.offset[row];
                const int count = along_d.offset[row + 1] - along_d.offset[row];
                const double* x = in + along_d.from[row];
                double sum = 0.0;
                for (int m = 0; m < count; ++m) {
                    sum += w[m] * x[m];
                }
                to[j] = sum;
            }
            if (i > ca) {
                std::copy(to + along_d.first, to + along_d.last + 1,
                          partial.data() + index(2 * ca - i, along_d.first));
            }
        }
        for (int i = along_a.first; i <= along_a.last; ++i) {
            const int row = i - along_a.first;
            const double* w = along_a.weights.data() + along_a.offset[row];
            const int count = along_a.offset[row + 1] - along_a.offset[row];
            const int from = along_a.from[row];
            double* to = out.data() + index(i, 0);
            for (int m = 0; m < count; ++m) {
                const int source = from + m;
                if (source < 2 * ca - grid_.support_last[0] || source > grid_.support_last[0]) {
                    continue;
                }
                const double* x = partial.data() + index(source, 0);
                const double wm = w[m];
                for (int j = along_d.first; j <= along_d.last; ++j) {
                    to[j] += wm * x[j];
                }
            }
            for (int j = along_d.first; j <= along_d.last; ++j) {
                to[2 * cd - j] = to[j];
            }
            if (i > ca) {
                std::copy(to, to + grid_.axis[1].size, out.data() + index(2 * ca - i, 0));
            }
        }
        return out;
    }

    std::vector<double> intervals_;
    Tail tail_;
    double b_;
    int dims_ = 1;
    double rates_[2] = {0.0, 0.0};
    Grid grid_;
    mutable std::map<std::pair<double, bool>, Bands> cache_;
};

// The Gaussian averages of a table at an effect: the no-rejection
// probabilities summed over the markers and integrated over the QTL's place.
struct Averages {
    double markers;
    double uniform;
};
Averages average(const Table& table, const double xi[2]) {
    std::vector<double> weight[2];
    for (int c = 0; c < 2; ++c) {
        const Axis& axis = table.axis[c];
        weight[c].resize(static_cast<std::size_t>(axis.size));
        for (int i = 0; i < axis.size; ++i) {
            weight[c][static_cast<std::size_t>(i)] =
                c < table.dims ? density(axis.at(i) - xi[c]) : 1.0;
        }
    }
    Averages sums{0.0, 0.0};
    const std::size_t columns = static_cast<std::size_t>(table.axis[1].size);
    for (std::size_t i = 0; i < weight[0].size(); ++i) {
        double markers = 0.0;
        double uniform = 0.0;
        for (std::size_t j = 0; j < columns; ++j) {
            markers += weight[1][j] * table.markers[i * columns + j];
            uniform += weight[1][j] * table.uniform[i * columns + j];
        }
        sums.markers += weight[0][i] * markers;
        sums.uniform += weight[0][i] * uniform;
    }
    return sums;
}

double clamp_probability(double p) {
    return std::min(1.0, std::max(0.0, p));
}

}  // namespace

// A distinct chromosome of the scan: how many times it occurs, its length and
// markers, and its tables (three levels of equal spacing on the dense map,
// extrapolated in the square root of the spacing).
struct PowerCurve::Tables {
    struct Entry {
        double count = 0.0;
        double length = 0.0;
        double markers = 0.0;
        std::vector<Table> levels;
        std::vector<double> roots;  // sqrt of each level's spacing (dense)
    };
    std::vector<Entry> entries;
    Tail tail = Tail::one_sided;
    bool dense = false;
};

PowerScan even_power_scan(double length_morgan, int chromosomes, double spacing_morgan) {
    if (!(std::isfinite(length_morgan) && length_morgan > 0.0)) {
        throw std::invalid_argument("the genome's length must be finite and above 0");
    }
    if (!(std::isfinite(spacing_morgan) && spacing_morgan >= 0.0)) {
        throw std::invalid_argument("the marker spacing must be finite and at least 0");
    }
    if (chromosomes < 1) {
        throw std::invalid_argument("the number of chromosomes must be at least 1");
    }
    const double each = length_morgan / chromosomes;
    PowerScan scan;
    if (spacing_morgan == 0.0) {
        scan.dense = true;
        scan.chromosomes.assign(static_cast<std::size_t>(chromosomes), std::vector<double>{each});
        return scan;
    }
    // As even_interval_scan lays out the markers.
    const double count = std::max(1.0, std::ceil(each / spacing_morgan * (1 - 1e-12)));
    if (!(count <= 1e6)) {
        throw std::invalid_argument("a chromosome would have more than 1,000,000 intervals");
    }
    scan.chromosomes.assign(static_cast<std::size_t>(chromosomes),
                            std::vector<double>(static_cast<std::size_t>(count), each / count));
    return scan;
}

PowerScan map_power_scan(const GeneticMap& map) {
    PowerScan scan;
    for (const MapChromosome& chromosome : map.chromosomes) {
        std::vector<double> intervals;
        for (std::size_t i = 1; i < chromosome.positions.size(); ++i) {
            intervals.push_back(chromosome.positions[i] - chromosome.positions[i - 1]);
        }
        scan.chromosomes.push_back(std::move(intervals));
    }
    return scan;
}

PowerCurve::PowerCurve(const PowerScan& scan, Tail tail, double rate, double t) {
    if (scan.chromosomes.empty()) {
        throw std::invalid_argument("the scan has no chromosome");
    }
    if (!(std::isfinite(rate) && rate > 0.0)) {
        throw std::invalid_argument("the rate rho must be finite and above 0");
    }
    if (!(std::isfinite(t) && t > 0.0)) {
        throw std::invalid_argument("the threshold T must be finite and above 0");
    }
    for (const std::vector<double>& chromosome : scan.chromosomes) {
        if (scan.dense && chromosome.size() != 1) {
            throw std::invalid_argument(
                "a chromosome of the dense map must be given by its length alone");
        }
        for (const double d : chromosome) {
            if (!(std::isfinite(d) && d >= 0.0)) {
                throw std::invalid_argument(
                    "the distances between markers must be finite and at least 0 Morgan");
            }
            if (!(4.0 * rate * d <= 1e300)) {
                throw std::invalid_argument("a distance between markers is too long for the rate");
            }
        }
    }
    auto tables = std::make_shared<Tables>();
    tables->tail = tail;
    tables->dense = scan.dense;
    const double fastest = tail == Tail::two_df ? kDominanceShare * rate : rate;
    std::map<std::vector<double>, std::size_t> seen;
    for (const std::vector<double>& chromosome : scan.chromosomes) {
        const auto found = seen.find(chromosome);
        if (found != seen.end()) {
            tables->entries[found->second].count += 1.0;
            continue;
        }
        seen.emplace(chromosome, tables->entries.size());
        Tables::Entry entry;
        entry.count = 1.0;
        if (scan.dense) {
            entry.length = chromosome[0];
            entry.markers = 1.0;
            if (entry.length > 0.0) {
                const double coarsest = kDenseSpacing / (2.0 * fastest);
                const double intervals = std::ceil(entry.length / coarsest * (1 - 1e-12));
                for (const double factor : {1.0, 2.0, 4.0}) {
                    const double n = intervals * factor;
                    const std::vector<double> spaced(static_cast<std::size_t>(n), entry.length / n);
                    entry.levels.push_back(Chromosome(spaced, tail, rate, t).compute());
                    entry.roots.push_back(std::sqrt(entry.length / n));
                }
            } else {
                entry.levels.push_back(Chromosome({}, tail, rate, t).compute());
            }
        } else {
            for (const double d : chromosome) {
                entry.length += d;
            }
            entry.markers = static_cast<double>(chromosome.size() + 1);
            entry.levels.push_back(Chromosome(chromosome, tail, rate, t).compute());
        }
        tables->entries.push_back(std::move(entry));
    }
    tables_ = std::move(tables);
}

ScanPower PowerCurve::at(const Effect& effect) const {
    const bool two_df = tables_->tail == Tail::two_df;
    if (!(std::isfinite(effect.additive) && effect.additive >= 0.0)) {
        throw std::invalid_argument("the QTL's effect must be finite and at least 0");
    }
    if (two_df && !(std::isfinite(effect.dominance) && effect.dominance >= 0.0)) {
        throw std::invalid_argument("the QTL's dominance effect must be finite and at least 0");
    }
    const double xi[2] = {effect.additive, two_df ? effect.dominance : 0.0};
    double length = 0.0;
    double markers = 0.0;
    double missed_uniform = 0.0;  // integral over the QTL's place of no rejection
    double missed_markers = 0.0;
    double missed_points = 0.0;  // the chromosomes of one marker, for a genome of them only
    for (const Tables::Entry& entry : tables_->entries) {
        if (entry.levels.size() == 3) {
            // Quadratic in sqrt(spacing) through the three levels, at 0.
            double value = 0.0;
            for (std::size_t i = 0; i < 3; ++i) {
                double lagrange = 1.0;
                for (std::size_t j = 0; j < 3; ++j) {
                    if (j != i) {
                        lagrange *= entry.roots[j] / (entry.roots[j] - entry.roots[i]);
                    }
                }
                value += lagrange * average(entry.levels[i], xi).uniform;
            }
            missed_uniform += entry.count * value;
            length += entry.count * entry.length;
            continue;
        }
        const Averages sums = average(entry.levels[0], xi);
        length += entry.count * entry.length;
        markers += entry.count * entry.markers;
        missed_uniform += entry.count * sums.uniform;
        missed_markers += entry.count * sums.markers;
        if (entry.length == 0.0) {
            missed_points += entry.count * sums.markers;
        }
    }
    ScanPower result{};
    if (length > 0.0) {
        result.power = clamp_probability(1.0 - missed_uniform / length);
    } else {
        result.power = clamp_probability(1.0 - missed_points / markers);
    }
    result.at_marker = tables_->dense ? std::numeric_limits<double>::quiet_NaN()
                                      : clamp_probability(1.0 - missed_markers / markers);
    return result;
}

ScanPower scan_power(const PowerScan& scan, Tail tail, double rate, double t,
                     const Effect& effect) {
    return PowerCurve(scan, tail, rate, t).at(effect);
}

}  // namespace lodthresh
