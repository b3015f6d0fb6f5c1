#include "simulation/alternative.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>
#include <vector>

#include "simulation/checks.h"
#include "simulation/kernel.h"
#include "simulation/pool.h"
#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"
#include "threshold/designs.h"

namespace lodthresh::simulation {

namespace {

// The QTL's mean mu_j = xi exp(-2 rho |t_j - tau|) enters the chain itself:
// with Y_j = Z_j + mu_j the statistic under the QTL and Z the null AR(1) chain,
//   Y_{j+1} = r Y_j + s e_j + (mu_{j+1} - r mu_j),  r = exp(-2 rho d),  s^2 = 1 - r^2.
// Past the QTL the mean falls by exactly the chain's own factor r, so the drift
// mu_{j+1} - r mu_j is 0 there: Y is the null chain from its value at the QTL.
// Short of the QTL (t_{j+1} <= tau) the drift is s^2 mu_{j+1}, and
//   mu_{j+1} = E_{j+1} u,  E_{j+1} = exp(2 rho (t_{j+1} - t_c)),  u = xi exp(-2 rho (tau - t_c)),
// E common to the lanes and rising by exp(2 rho d) from marker to marker, u the
// lane's own, with t_c the marker where the lanes' u were last computed; in
// the interval that holds the QTL (t_j < tau < t_{j+1}) the drift is taken
// exactly. Each marker then costs a lane one multiply-add more than the null.
// So that E stays in the range of doubles (below e^600), the lanes' u are
// computed afresh (exp of the exact exponent) at the first marker and wherever
// the chromosome has run 2 rho (t_j - t_c) past kRecentre since (the fastest
// component's rate). A u that underflows to 0 drops a mean below
// xi e^-700 e^600, which no maximum can show. Rounding errors in the drift are
// damped by r at every later step, as the chain's own.
constexpr double kRecentre = 600;
static_assert(kDominanceShare == 2 * kAdditiveShare,
              "the dominance component's QTL factor is the additive one's squared");

// Chunks of markers between two fills of the normal buffer and two reads of
// the stop flag, as the null's kernel.
constexpr std::size_t kChunk = 256;

// Blocks of replicates: about 2^18 normal deviates, and at least
// kRoundsPerShape rounds of lanes per kind of chromosome, so that the last,
// partly filled round of each kind wastes little; at most kMaxRounds rounds.
constexpr std::uint64_t kDrawsPerBlock = std::uint64_t{1} << 18;
constexpr std::uint64_t kRoundsPerShape = 16;
constexpr std::uint64_t kMaxRounds = 8192;

// A run of equal marker intervals of a chromosome.
struct Segment {
    double distance;           // Morgan
    std::size_t count;         // intervals
    std::size_t first_marker;  // the run's first interval's left marker
    double start;              // that marker's position from the chromosome's first
    Step a;                    // the chains' step, additive (or only) component
    Step d;                    // dominance component
    double rise_a;             // exp(2 rho_a d): the factor of E (may be infinite)
    double rise_d;
    double s2_a;  // s^2 = 1 - r^2 of each component: the drift's factor
    double s2_d;
    double span;  // 2 rho d of the fastest component: the distance counted for recentring
};

// Chromosomes alike (the same distances between markers): their chains and
// their QTLs' means are the same in law, so replicates whose QTL lies on any of
// them run side by side as one kind.
struct Shape {
    std::vector<Segment> segments;
    std::size_t steps = 0;
    double length = 0;  // first to last marker, Morgan
    std::uint64_t copies = 0;
};

struct Model {
    Tail tail;
    bool dense;
    double rate_a;  // the additive (or only) component's rate
    double rate_d;
    double xi_a;
    double xi_d;
    // What a hit reaches: sqrt(T) for Z or |Z|, T for Z_a^2 + Z_d^2.
    double bound;
    std::vector<Shape> shapes;
    // The placement's weight of the shapes, cumulated; the last shape of
    // positive weight.
    std::vector<double> cumulative;
    std::size_t last_weighted = 0;
    bool at_markers = false;  // QTLs at markers rather than uniform along the chromosomes
};

Step step_of(double distance, double rate) {
    // 1 - r^2 = -expm1(-4 rho d), exact also where r is near 1 on a fine grid.
    return {std::exp(-2.0 * rate * distance), std::sqrt(-std::expm1(-4.0 * rate * distance))};
}

void check_arguments(const NullScan& scan, double t, const QtlEffect& effect,
                     QtlPlacement placement, std::uint64_t replicates, const Control& control) {
    if (!finite_positive(t)) {
        invalid("the threshold T of the power must be finite and above 0, not " + number_text(t));
    }
    for (double xi : {effect.additive, effect.dominance}) {
        if (!(std::isfinite(xi) && xi >= 0)) {
            invalid("the QTL's noncentrality must be finite and >= 0, not " + number_text(xi));
        }
    }
    if (replicates == 0) {
        invalid("the number of replicates must be at least 1");
    }
    if (control.threads == 0) {
        invalid("the number of threads must be at least 1");
    }
    check_rate(scan.rate);
    if (scan.chromosomes.empty()) {
        invalid("a scan needs at least one chromosome");
    }
    for (const auto& chromosome : scan.chromosomes) {
        for (double d : chromosome) {
            if (!(std::isfinite(d) && d >= 0)) {
                invalid("distances between markers must be finite and >= 0, not " + number_text(d));
            }
        }
        if (scan.dense && (chromosome.empty() || chromosome.size() % 4 != 0)) {
            invalid(
                "a dense map's grid needs a number of steps divisible by 4 on every "
                "chromosome");
        }
    }
    if (scan.between.kind != ScanKind::markers) {
        invalid("the power is simulated for scans at the markers only, not with interval mapping");
    }
    if (scan.dense && placement == QtlPlacement::at_marker) {
        invalid("a QTL at a marker needs markers: the dense map has none, place it uniformly");
    }
}

Shape shape_of(const std::vector<double>& distances, double rate_a, double rate_d, double fastest) {
    Shape shape;
    shape.steps = distances.size();
    double position = 0;
    for (std::size_t j = 0; j < distances.size(); ++j) {
        const double d = distances[j];
        if (!shape.segments.empty() && shape.segments.back().distance == d) {
            ++shape.segments.back().count;
        } else {
            if (!shape.segments.empty()) {
                const Segment& last = shape.segments.back();
                position = last.start + static_cast<double>(last.count) * last.distance;
            }
            shape.segments.push_back({d, 1, j, position, step_of(d, rate_a), step_of(d, rate_d),
                                      std::exp(2.0 * rate_a * d), std::exp(2.0 * rate_d * d),
                                      -std::expm1(-4.0 * rate_a * d),
                                      -std::expm1(-4.0 * rate_d * d), 2.0 * fastest * d});
        }
    }
    if (!shape.segments.empty()) {
        const Segment& last = shape.segments.back();
        shape.length = last.start + static_cast<double>(last.count) * last.distance;
    }
    return shape;
}

// The position of marker m (0 to steps) of a shape, as the chains compute it.
double marker_position(const Shape& shape, std::size_t m) {
    if (shape.segments.empty()) {
        return 0;
    }
    // The last segment whose first marker is at or before m.
    const auto after = std::upper_bound(
        shape.segments.begin(), shape.segments.end(), m,
        [](std::size_t marker, const Segment& s) { return marker < s.first_marker; });
    const Segment& s = *(after - 1);
    return s.start + static_cast<double>(m - s.first_marker) * s.distance;
}

Model model_of(const NullScan& scan, double t, const QtlEffect& effect, QtlPlacement placement) {
    Model model{};
    model.tail = scan.tail;
    model.dense = scan.dense;
    const bool two_df = scan.tail == Tail::two_df;
    model.rate_a = two_df ? kAdditiveShare * scan.rate : scan.rate;
    model.rate_d = two_df ? kDominanceShare * scan.rate : scan.rate;
    model.xi_a = effect.additive;
    model.xi_d = two_df ? effect.dominance : 0.0;
    model.bound = two_df ? t : std::sqrt(t);
    const double fastest = std::max(model.rate_a, model.rate_d);
    std::map<std::vector<double>, std::size_t> seen;
    for (const auto& chromosome : scan.chromosomes) {
        const auto [at, fresh] = seen.emplace(chromosome, model.shapes.size());
        if (fresh) {
            model.shapes.push_back(shape_of(chromosome, model.rate_a, model.rate_d, fastest));
        }
        ++model.shapes[at->second].copies;
    }
    double length = 0;
    for (const Shape& shape : model.shapes) {
        length += static_cast<double>(shape.copies) * shape.length;
    }
    // A genome without length has its QTLs at its markers.
    model.at_markers = placement == QtlPlacement::at_marker || !(length > 0);
    double total = 0;
    for (std::size_t i = 0; i < model.shapes.size(); ++i) {
        const Shape& shape = model.shapes[i];
        const double weight =
            static_cast<double>(shape.copies) *
            (model.at_markers ? static_cast<double>(shape.steps + 1) : shape.length);
        total += weight;
        model.cumulative.push_back(total);
        if (weight > 0) {
            model.last_weighted = i;
        }
    }
    return model;
}

// The statistic at a marker on a scale that keeps its order, from the
// components' values with the QTL's means added.
template <Tail kTail>
double statistic(double z, double w) {
    if constexpr (kTail == Tail::one_sided) {
        return z;
    } else if constexpr (kTail == Tail::two_sided) {
        return std::fabs(z);
    } else {
        return z * z + w * w;
    }
}

template <Tail kTail>
constexpr std::size_t kComponents = kTail == Tail::two_df ? 2 : 1;

// The intervals of a segment, from the in_segment-th on and n at most, whose
// right marker lies at or short of tau: the steps the chains take before the
// interval that holds the QTL. Positions as the chains compute them.
std::size_t steps_short_of(const Segment& segment, std::size_t in_segment, double tau,
                           std::size_t n) {
    if (!(segment.distance > 0)) {
        return n;  // no step moves the chains, which are short of tau already
    }
    const auto position = [&](std::size_t q) {
        return segment.start + static_cast<double>(in_segment + q) * segment.distance;
    };
    const double guess =
        std::floor((tau - segment.start) / segment.distance) - static_cast<double>(in_segment);
    auto q = static_cast<std::size_t>(std::clamp(guess, 0.0, static_cast<double>(n)));
    while (q > 0 && position(q) > tau) {
        --q;
    }
    while (q < n && position(q + 1) <= tau) {
        ++q;
    }
    return q;
}

// The drift mu_{j+1} - r mu_j of the interval that holds the QTL, tau `from`
// past its left marker and `to` short of its right one: with the mean at the
// left marker mu_j = xi exp(-2 rho from), the right one's is
// xi exp(-2 rho to) = r xi^2 / mu_j, so the drift is r (xi^2 / mu_j - mu_j).
// Where mu_j is too small for the quotient (a gap of hundreds of correlation
// lengths, or no effect) both means are taken by exp.
double passing_drift(double xi, double mu_left, double r, double rate, double from, double to) {
    if (mu_left > xi * 1e-100) {
        return r * (xi * (xi / mu_left) - mu_left);
    }
    return xi * (std::exp(-2.0 * rate * to) - r * std::exp(-2.0 * rate * from));
}

// n steps of the chains along a segment where no lane passes its QTL and the
// lanes' factors u hold: the null's step plus the drift s^2 E u (kDrift; none
// once every lane is past its QTL). The lanes' values go in local copies, so
// that they stay in registers as the null kernel's.
template <Tail kTail, bool kDense, bool kDrift>
void quiet_steps(std::size_t n, const Segment& segment, const double* e, std::size_t& j, double& ea,
                 double& ed, double* z_out, double* w_out, double* m_out, double* c_out,
                 const double* ua_in, const double* ud_in) {
    constexpr std::size_t kC = kComponents<kTail>;
    double z[kLanes];
    double w[kLanes];
    double m[kLanes];
    double c[kLanes];
    double ua[kLanes];
    double ud[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        z[k] = z_out[k];
        w[k] = w_out[k];
        m[k] = m_out[k];
        c[k] = c_out[k];
        ua[k] = ua_in[k];
        ud[k] = ud_in[k];
    }
    const Step a = segment.a;
    const Step d = segment.d;
    double qa = 0;
    double qd = 0;
    for (std::size_t i = 0; i < n; ++i, ++j, e += kLanes * kC) {
        if constexpr (kDrift) {
            ea *= segment.rise_a;
            qa = segment.s2_a * ea;
            if constexpr (kC == 2) {
                ed *= segment.rise_d;
                qd = segment.s2_d * ed;
            }
        }
        for (std::size_t k = 0; k < kLanes; ++k) {
            if constexpr (kC == 2) {
                if constexpr (kDrift) {
                    z[k] = a.r * z[k] + a.s * e[2 * k] + qa * ua[k];
                    w[k] = d.r * w[k] + d.s * e[2 * k + 1] + qd * ud[k];
                } else {
                    z[k] = a.r * z[k] + a.s * e[2 * k];
                    w[k] = d.r * w[k] + d.s * e[2 * k + 1];
                }
            } else {
                if constexpr (kDrift) {
                    z[k] = a.r * z[k] + a.s * e[k] + qa * ua[k];
                } else {
                    z[k] = a.r * z[k] + a.s * e[k];
                }
            }
            const double t = statistic<kTail>(z[k], w[k]);
            m[k] = t > m[k] ? t : m[k];
        }
        if constexpr (kDense) {
            // The subgrid: every fourth marker from the first.
            if ((j & 3) == 3) {
                for (std::size_t k = 0; k < kLanes; ++k) {
                    const double t = statistic<kTail>(z[k], w[k]);
                    c[k] = t > c[k] ? t : c[k];
                }
            }
        }
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
        z_out[k] = z[k];
        w_out[k] = w[k];
        m_out[k] = m[k];
        c_out[k] = c[k];
    }
}

// kLanes replicates whose QTLs are at tau[0, kLanes) (in increasing order) on
// chromosomes of one shape: one deviate per lane and component at each
// marker, markers in order, lanes within a marker, the additive component
// before the dominance one (the null kernel's order). Writes whether each lane
// reached the bound to fine[0, kLanes), and for the dense map on the subgrid
// to coarse. False when stopped.
template <Tail kTail, bool kDense>
bool run_qtl_lanes(const Model& model, const Shape& shape, const double* tau,
                   const Ziggurat& normal, Xoshiro256& stream, const std::atomic<bool>* stop,
                   bool* fine, bool* coarse) {
    constexpr std::size_t kC = kComponents<kTail>;
    Xoshiro256 bits = stream;
    double buffer[kChunk * kLanes * kC];
    double z[kLanes];
    double w[kLanes] = {};
    double m[kLanes];
    double c[kLanes];
    // The lanes' own factors u of each component, 0 once past the QTL; the
    // drift of the step at hand.
    double ua[kLanes];
    double ud[kLanes] = {};
    double da[kLanes];
    double dd[kLanes] = {};
    // The factors E common to the lanes.
    double ea = 1;
    double ed = 1;
    double span = 0;
    // The first lane whose QTL the chain has not passed.
    std::size_t next = 0;
    const auto recentre = [&](double position) {
        // Lanes whose QTL lies in the coming interval have theirs replaced by
        // the exact drift: the exponent kept <= 0 for them.
        for (std::size_t k = next; k < kLanes; ++k) {
            const double x = std::min(0.0, position - tau[k]);
            const double w = std::exp(2.0 * model.rate_a * x);
            ua[k] = model.xi_a * w;
            if constexpr (kC == 2) {
                // The dominance component's rate is twice the additive one's
                // (4 rho / 3 and 2 rho / 3, exactly so in doubles too).
                ud[k] = model.xi_d * (w * w);
            }
        }
        ea = 1;
        ed = 1;
        span = 0;
    };

    // Every QTL lies at or past the first marker: its mean there is u.
    recentre(0.0);
    normal.fill(bits, buffer, kLanes * kC);
    for (std::size_t k = 0; k < kLanes; ++k) {
        z[k] = buffer[kC * k] + ua[k];
        if constexpr (kC == 2) {
            w[k] = buffer[2 * k + 1] + ud[k];
        }
        const double t = statistic<kTail>(z[k], w[k]);
        m[k] = t;
        c[k] = t;
    }
    const Segment* segment = shape.segments.data();
    std::size_t in_segment = 0;  // intervals of the segment done
    std::size_t j = 0;           // steps done on the chromosome
    double previous = 0;         // the position of the marker the chains are at
    for (std::size_t first = 0; first < shape.steps; first += kChunk) {
        std::size_t left = std::min(kChunk, shape.steps - first);
        normal.fill(bits, buffer, left * kLanes * kC);
        const double* e = buffer;
        while (left > 0) {
            if (in_segment == segment->count) {
                ++segment;
                in_segment = 0;
            }
            const std::size_t n = std::min(left, segment->count - in_segment);
            // The steps before the next lane's QTL and before the recentring,
            // then one step that passes a QTL or recentres.
            std::size_t quiet = n;
            if (next < kLanes) {
                quiet = steps_short_of(*segment, in_segment, tau[next], n);
            }
            if (segment->span > 0) {
                const double room = std::floor((kRecentre - span) / segment->span);
                quiet = room < static_cast<double>(quiet)
                            ? static_cast<std::size_t>(std::max(room, 0.0))
                            : quiet;
            }
            if (quiet > 0) {
                if (next < kLanes) {
                    quiet_steps<kTail, kDense, true>(quiet, *segment, e, j, ea, ed, z, w, m, c, ua,
                                                     ud);
                } else {
                    quiet_steps<kTail, kDense, false>(quiet, *segment, e, j, ea, ed, z, w, m, c, ua,
                                                      ud);
                }
                e += quiet * kLanes * kC;
                span += static_cast<double>(quiet) * segment->span;
                in_segment += quiet;
                previous = segment->start + static_cast<double>(in_segment) * segment->distance;
                left -= quiet;
                continue;
            }
            const Step a = segment->a;
            const Step d = segment->d;
            ++in_segment;
            const double position =
                segment->start + static_cast<double>(in_segment) * segment->distance;
            // The lanes whose QTL lies in this interval, [next, passing), and
            // their means at its left marker.
            std::size_t passing = next;
            double left_a[kLanes];
            double left_d[kLanes];
            for (; passing < kLanes && tau[passing] < position; ++passing) {
                left_a[passing] = ea * ua[passing];
                left_d[passing] = ed * ud[passing];
            }
            span += segment->span;
            if (span > kRecentre) {
                recentre(position);
            } else {
                ea *= segment->rise_a;
                if constexpr (kC == 2) {
                    ed *= segment->rise_d;
                }
            }
            const double qa = segment->s2_a * ea;
            const double qd = segment->s2_d * ed;
            for (std::size_t k = 0; k < kLanes; ++k) {
                da[k] = qa * ua[k];
                if constexpr (kC == 2) {
                    dd[k] = qd * ud[k];
                }
            }
            for (; next < passing; ++next) {
                const double to = position - tau[next];
                const double from = tau[next] - previous;
                da[next] = passing_drift(model.xi_a, left_a[next], a.r, model.rate_a, from, to);
                ua[next] = 0;
                if constexpr (kC == 2) {
                    dd[next] = passing_drift(model.xi_d, left_d[next], d.r, model.rate_d, from, to);
                    ud[next] = 0;
                }
            }
            for (std::size_t k = 0; k < kLanes; ++k) {
                if constexpr (kC == 2) {
                    z[k] = a.r * z[k] + a.s * e[2 * k] + da[k];
                    w[k] = d.r * w[k] + d.s * e[2 * k + 1] + dd[k];
                } else {
                    z[k] = a.r * z[k] + a.s * e[k] + da[k];
                }
                const double t = statistic<kTail>(z[k], w[k]);
                m[k] = t > m[k] ? t : m[k];
                if constexpr (kDense) {
                    // The subgrid: every fourth marker from the first.
                    if ((j & 3) == 3) {
                        c[k] = t > c[k] ? t : c[k];
                    }
                }
            }
            previous = position;
            ++j;
            e += kLanes * kC;
            --left;
        }
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return false;
        }
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
        fine[k] = m[k] >= model.bound;
        coarse[k] = kDense && c[k] >= model.bound;
    }
    stream = bits;
    return true;
}

using QtlRunner = bool (*)(const Model& model, const Shape& shape, const double* tau,
                           const Ziggurat& normal, Xoshiro256& stream,
                           const std::atomic<bool>* stop, bool* fine, bool* coarse);

template <bool kDense>
QtlRunner runner_of(Tail tail) {
    switch (tail) {
        case Tail::one_sided:
            return run_qtl_lanes<Tail::one_sided, kDense>;
        case Tail::two_sided:
            return run_qtl_lanes<Tail::two_sided, kDense>;
        case Tail::two_df:
            break;
    }
    return run_qtl_lanes<Tail::two_df, kDense>;
}

// A replicate's QTL: the kind of its chromosome and its place along it.
struct Qtl {
    std::size_t shape;
    double tau;
};

Qtl draw_qtl(const Model& model, Xoshiro256& bits) {
    const double u = bits.uniform() * model.cumulative.back();
    auto index = static_cast<std::size_t>(
        std::upper_bound(model.cumulative.begin(), model.cumulative.end(), u) -
        model.cumulative.begin());
    // u rounded up to the total itself: the last chromosome that can be drawn.
    index = std::min(index, model.last_weighted);
    const Shape& shape = model.shapes[index];
    const double v = bits.uniform();
    if (model.at_markers) {
        const auto markers = static_cast<double>(shape.steps + 1);
        const auto m =
            std::min(static_cast<std::size_t>(v * markers), static_cast<std::size_t>(shape.steps));
        return {index, marker_position(shape, m)};
    }
    return {index, v * shape.length};
}

// Markers per replicate, components counted, averaged over the placement.
double mean_markers(const Model& model) {
    double sum = 0;
    double previous = 0;
    for (std::size_t i = 0; i < model.shapes.size(); ++i) {
        const double weight = model.cumulative[i] - previous;
        previous = model.cumulative[i];
        sum += weight * static_cast<double>(model.shapes[i].steps + 1);
    }
    const double components = model.tail == Tail::two_df ? 2.0 : 1.0;
    return components * sum / model.cumulative.back();
}

std::uint64_t replicates_per_block(const Model& model) {
    const double per_round = std::max(1.0, mean_markers(model) * static_cast<double>(kLanes));
    const double draws = std::ceil(static_cast<double>(kDrawsPerBlock) / per_round);
    const double shapes = static_cast<double>(kRoundsPerShape * model.shapes.size());
    const double rounds = std::clamp(std::max(draws, shapes), 1.0, static_cast<double>(kMaxRounds));
    return static_cast<std::uint64_t>(rounds) * kLanes;
}

// A kind's QTLs in as many bins along the chromosome as it has rounds of
// lanes, bin by bin (a counting sort, in the order drawn within a bin): the
// lanes of a round then pass their QTLs within an interval or two, so that a
// round leaves the null's step for one or two steps rather than kLanes. The
// pairing of QTLs with deviates depends on the QTLs alone, so the replicates
// stay independent.
void gather_by_place(double length, const double* taus, std::size_t count,
                     std::vector<double>& binned, std::vector<std::size_t>& bins) {
    const std::size_t rounds = (count + kLanes - 1) / kLanes;
    bins.assign(rounds + 1, 0);
    const double scale = length > 0 ? static_cast<double>(rounds) / length : 0.0;
    const auto bin_of = [&](double tau) {
        return std::min(static_cast<std::size_t>(tau * scale), rounds - 1);
    };
    for (std::size_t i = 0; i < count; ++i) {
        ++bins[bin_of(taus[i]) + 1];
    }
    for (std::size_t b = 1; b <= rounds; ++b) {
        bins[b] += bins[b - 1];
    }
    binned.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        binned[bins[bin_of(taus[i])]++] = taus[i];
    }
}

// A block's counts: replicates that reached the bound on the grid, on the
// subgrid, and on both.
struct Counts {
    std::uint64_t fine = 0;
    std::uint64_t coarse = 0;
    std::uint64_t both = 0;
};

}  // namespace

bool simulate_power(const NullScan& scan, double t, const QtlEffect& effect, QtlPlacement placement,
                    std::uint64_t replicates, const Control& control, PowerEstimate& out) {
    check_arguments(scan, t, effect, placement, replicates, control);
    const Model model = model_of(scan, t, effect, placement);
    const QtlRunner run = scan.dense ? runner_of<true>(model.tail) : runner_of<false>(model.tail);
    const Ziggurat normal;
    const std::uint64_t per_block = replicates_per_block(model);
    // Sums of whole numbers: the same whichever order the blocks end in.
    std::atomic<std::uint64_t> fine_hits{0};
    std::atomic<std::uint64_t> coarse_hits{0};
    std::atomic<std::uint64_t> both_hits{0};
    const std::atomic<bool>* stop = control.stop;

    // A block is one round of the pool: its QTLs are drawn first, in replicate
    // order, then its replicates run in lanes kind of chromosome by kind, in
    // the order drawn (a kind's last round padded with lanes drawn and
    // dropped).
    const bool done = run_blocks(
        {replicates, per_block, per_block}, control,
        [&](std::uint64_t /*first*/, std::uint64_t count, Xoshiro256& stream) {
            std::vector<Qtl> qtls(count);
            std::vector<std::size_t> per_shape(model.shapes.size() + 1, 0);
            for (Qtl& qtl : qtls) {
                qtl = draw_qtl(model, stream);
                ++per_shape[qtl.shape + 1];
            }
            for (std::size_t s = 1; s < per_shape.size(); ++s) {
                per_shape[s] += per_shape[s - 1];
            }
            std::vector<double> taus(count);
            std::vector<std::size_t> next(per_shape.begin(), per_shape.end() - 1);
            for (const Qtl& qtl : qtls) {
                taus[next[qtl.shape]++] = qtl.tau;
            }
            Counts block;
            std::vector<double> binned;
            std::vector<std::size_t> bins;
            for (std::size_t s = 0; s < model.shapes.size(); ++s) {
                gather_by_place(model.shapes[s].length, taus.data() + per_shape[s],
                                per_shape[s + 1] - per_shape[s], binned, bins);
                for (std::size_t i = per_shape[s]; i < per_shape[s + 1]; i += kLanes) {
                    const std::size_t lanes = std::min(kLanes, per_shape[s + 1] - i);
                    double tau[kLanes];
                    for (std::size_t k = 0; k < kLanes; ++k) {
                        tau[k] = binned[i - per_shape[s] + std::min(k, lanes - 1)];
                    }
                    // In increasing order, so that the chains pass the QTLs in
                    // lane order.
                    std::sort(tau, tau + kLanes);
                    bool fine[kLanes];
                    bool coarse[kLanes];
                    if (!run(model, model.shapes[s], tau, normal, stream, stop, fine, coarse)) {
                        return false;
                    }
                    for (std::size_t k = 0; k < lanes; ++k) {
                        block.fine += fine[k];
                        block.coarse += coarse[k];
                        block.both += fine[k] && coarse[k];
                    }
                }
            }
            fine_hits += block.fine;
            coarse_hits += block.coarse;
            both_hits += block.both;
            return true;
        });
    const Counts total{fine_hits.load(), coarse_hits.load(), both_hits.load()};
    const auto n = static_cast<double>(replicates);
    const double p_fine = static_cast<double>(total.fine) / n;
    out = {total.fine, replicates, p_fine, std::sqrt(p_fine * (1 - p_fine) / n), total.coarse};
    if (scan.dense) {
        // Per replicate y = 2 [grid hit] - [subgrid hit]: its mean is the
        // extrapolated power, its sample variance counts the grids' covariance.
        const double p_coarse = static_cast<double>(total.coarse) / n;
        const double p_both = static_cast<double>(total.both) / n;
        const double mean = 2 * p_fine - p_coarse;
        const double square = 4 * p_fine - 4 * p_both + p_coarse;
        const double variance = n > 1 ? (square - mean * mean) * n / (n - 1) : 0.0;
        out.power = std::clamp(mean, 0.0, 1.0);
        out.se = std::sqrt(std::max(0.0, variance) / n);
    }
    return done;
}

}  // namespace lodthresh::simulation
