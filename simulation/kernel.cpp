#include "simulation/kernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simulation/checks.h"
#include "simulation/interior.h"

namespace lodthresh::simulation {

namespace {

// Markers stepped between two fills of the normal buffer (kLanes deviates per
// marker and component): 16 KiB of deviates, within the first-level cache.
// The stop flag is read once per chunk.
constexpr std::size_t kChunk = 256;

Step step_of(double distance, double rate) {
    // 1 - r^2 = -expm1(-4 rho d), exact also where r is near 1 on a fine grid.
    return {std::exp(-2.0 * rate * distance), std::sqrt(-std::expm1(-4.0 * rate * distance))};
}

void check_scan(const NullScan& scan) {
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
    check_between(scan);
}

// Two intervals' points lie alike when they are as many and each is within
// kCoincident of the other's: positions that come back from a map's
// distances differ by rounding errors from interval to interval.
bool same_offsets(const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() != y.size()) {
        return false;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!(std::fabs(x[i] - y[i]) <= kCoincident)) {
            return false;
        }
    }
    return true;
}

// The statistic at a marker, on a scale that keeps its order: Z (one-sided),
// |Z| (two-sided, squared once at the end), Z_a^2 + Z_d^2 (2 df).
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

// The LaneRunner of a tail; kDense: also the maximum over the subgrid of
// every fourth marker from the first; kInterior: what lies between markers.
template <Tail kTail, bool kDense, Interior kInterior>
bool run_lanes(const Plan& plan, const Ziggurat& normal, Xoshiro256& stream,
               const std::atomic<bool>* stop, double* fine, double* coarse) {
    constexpr std::size_t kC = kComponents<kTail>;
    Xoshiro256 bits = stream;
    double buffer[kChunk * kLanes * kC];
    const double floor = kTail == Tail::one_sided ? -std::numeric_limits<double>::infinity() : 0.0;
    double m[kLanes];
    double c[kLanes];
    // The arc's maxima |W|^2 (where W lies on an interval's arc), apart from
    // the markers' own.
    double q[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        m[k] = floor;
        c[k] = floor;
        q[k] = 0.0;
    }
    for (const ChromosomeRuns& chromosome : plan.chromosomes) {
        double z[kLanes];
        double w[kLanes] = {};
        normal.fill(bits, buffer, kLanes * kC);
        for (std::size_t k = 0; k < kLanes; ++k) {
            z[k] = buffer[kC * k];
            if constexpr (kC == 2) {
                w[k] = buffer[2 * k + 1];
            }
        }
        for (std::size_t k = 0; k < kLanes; ++k) {
            const double t = statistic<kTail>(z[k], w[k]);
            m[k] = t > m[k] ? t : m[k];
            c[k] = t > c[k] ? t : c[k];
        }
        const Run* run = plan.runs.data() + chromosome.first;
        std::size_t run_left = chromosome.steps > 0 ? run->count : 0;
        std::size_t j = 0;  // steps done on this chromosome
        for (std::size_t first = 0; first < chromosome.steps; first += kChunk) {
            std::size_t left = std::min(kChunk, chromosome.steps - first);
            // The deviates first, in a loop of their own, so that the chains'
            // loop below makes no call and keeps its lanes in registers.
            normal.fill(bits, buffer, left * kLanes * kC);
            const double* e = buffer;
            while (left > 0) {
                if (run_left == 0) {
                    ++run;
                    run_left = run->count;
                }
                const std::size_t n = std::min(left, run_left);
                const Step a = run->a;
                const Step d = run->d;
                const Direction* point = plan.points.data() + run->first_point;
                const Direction* points_end = point + run->points;
                for (std::size_t i = 0; i < n; ++i, ++j, e += kLanes * kC) {
                    // The whitened vectors of the interval: the left marker's
                    // statistics and the step's deviates.
                    double z0[kLanes];
                    double w0[kLanes];
                    if constexpr (kInterior == Interior::points) {
                        for (std::size_t k = 0; k < kLanes; ++k) {
                            z0[k] = z[k];
                            w0[k] = w[k];
                        }
                    }
                    for (std::size_t k = 0; k < kLanes; ++k) {
                        if constexpr (kInterior == Interior::arc) {
                            // Both cross products of W = (Z_j, e_j) with the
                            // arc's ends, and |W|^2, before Z_j is stepped.
                            const double ek = e[k];
                            const double cross = z[k] * a.s - ek * a.r;
                            const bool inside = kTail == Tail::one_sided ? std::min(ek, cross) >= 0
                                                                         : ek * cross >= 0;
                            const double length = z[k] * z[k] + ek * ek;
                            q[k] = inside && length > q[k] ? length : q[k];
                        }
                        if constexpr (kC == 2) {
                            z[k] = a.r * z[k] + a.s * e[2 * k];
                            w[k] = d.r * w[k] + d.s * e[2 * k + 1];
                        } else {
                            z[k] = a.r * z[k] + a.s * e[k];
                        }
                        const double t = statistic<kTail>(z[k], w[k]);
                        m[k] = t > m[k] ? t : m[k];
                    }
                    if constexpr (kInterior == Interior::points) {
                        for (const Direction* p = point; p != points_end; ++p) {
                            const Step pa = p->a;
                            const Step pd = p->d;
                            for (std::size_t k = 0; k < kLanes; ++k) {
                                double t;
                                if constexpr (kC == 2) {
                                    t = statistic<kTail>(pa.r * z0[k] + pa.s * e[2 * k],
                                                         pd.r * w0[k] + pd.s * e[2 * k + 1]);
                                } else {
                                    t = statistic<kTail>(pa.r * z0[k] + pa.s * e[k], 0.0);
                                }
                                m[k] = t > m[k] ? t : m[k];
                            }
                        }
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
                left -= n;
                run_left -= n;
            }
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return false;
            }
        }
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
        fine[k] = kTail == Tail::two_sided ? m[k] * m[k] : m[k];
        if constexpr (kInterior == Interior::arc) {
            // The arc's maximum |W| is above both its markers', so it is the
            // maximum wherever it is above the markers' maximum.
            if constexpr (kTail == Tail::two_sided) {
                fine[k] = q[k] > fine[k] ? q[k] : fine[k];
            } else if (q[k] > 0) {
                const double length = std::sqrt(q[k]);
                fine[k] = length > fine[k] ? length : fine[k];
            }
        }
        if constexpr (kDense) {
            coarse[k] = kTail == Tail::two_sided ? c[k] * c[k] : c[k];
        }
    }
    stream = bits;
    return true;
}

template <bool kDense, Interior kInterior>
LaneRunner runner_of(Tail tail) {
    switch (tail) {
        case Tail::one_sided:
            return run_lanes<Tail::one_sided, kDense, kInterior>;
        case Tail::two_sided:
            return run_lanes<Tail::two_sided, kDense, kInterior>;
        case Tail::two_df:
            break;
    }
    // A 2-df statistic's interval is taken at points (kernel.h).
    return run_lanes < Tail::two_df, kDense,
           kInterior == Interior::arc ? Interior::points : kInterior > ;
}

}  // namespace

Plan make_plan(const NullScan& scan) {
    check_scan(scan);
    Plan plan;
    const bool two_df = scan.tail == Tail::two_df;
    const double rate_a = two_df ? kAdditiveShare * scan.rate : scan.rate;
    const double rate_d = two_df ? kDominanceShare * scan.rate : scan.rate;
    switch (scan.between.kind) {
        case ScanKind::markers:
            plan.interior = Interior::none;
            break;
        case ScanKind::continuous:
            plan.interior = two_df ? Interior::points : Interior::arc;
            break;
        case ScanKind::pseudomarkers:
            plan.interior = Interior::points;
            break;
    }
    // The points of the interval at hand and of the run it may join.
    std::vector<double> offsets;
    std::vector<double> run_offsets;
    for (const auto& chromosome : scan.chromosomes) {
        plan.chromosomes.push_back({plan.runs.size(), chromosome.size()});
        double left = 0;  // the interval's left marker, from the chromosome's first
        for (std::size_t j = 0; j < chromosome.size(); ++j) {
            const double distance = chromosome[j];
            interior_offsets(scan, left, distance, offsets);
            if (j > 0 && distance == chromosome[j - 1] && same_offsets(offsets, run_offsets)) {
                ++plan.runs.back().count;
            } else {
                plan.runs.push_back({step_of(distance, rate_a), step_of(distance, rate_d), 1,
                                     plan.points.size(), offsets.size()});
                for (double x : offsets) {
                    plan.points.push_back({interior_direction(distance, x, rate_a),
                                           interior_direction(distance, x, rate_d)});
                }
                run_offsets.swap(offsets);
            }
            left += distance;
        }
    }
    return plan;
}

LaneRunner lane_runner(Tail tail, bool dense, Interior interior) {
    if (dense) {
        return runner_of<true, Interior::none>(tail);
    }
    switch (interior) {
        case Interior::none:
            break;
        case Interior::arc:
            return runner_of<false, Interior::arc>(tail);
        case Interior::points:
            return runner_of<false, Interior::points>(tail);
    }
    return runner_of<false, Interior::none>(tail);
}

}  // namespace lodthresh::simulation
