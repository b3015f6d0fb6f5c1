#include "simulation/kernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simulation/checks.h"

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
// every fourth marker from the first.
template <Tail kTail, bool kDense>
bool run_lanes(const Plan& plan, const Ziggurat& normal, Xoshiro256& stream,
               const std::atomic<bool>* stop, double* fine, double* coarse) {
    constexpr std::size_t kC = kComponents<kTail>;
    Xoshiro256 bits = stream;
    double buffer[kChunk * kLanes * kC];
    const double floor = kTail == Tail::one_sided ? -std::numeric_limits<double>::infinity() : 0.0;
    double m[kLanes];
    double c[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        m[k] = floor;
        c[k] = floor;
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
                for (std::size_t i = 0; i < n; ++i, ++j, e += kLanes * kC) {
                    for (std::size_t k = 0; k < kLanes; ++k) {
                        if constexpr (kC == 2) {
                            z[k] = a.r * z[k] + a.s * e[2 * k];
                            w[k] = d.r * w[k] + d.s * e[2 * k + 1];
                        } else {
                            z[k] = a.r * z[k] + a.s * e[k];
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
        if constexpr (kDense) {
            coarse[k] = kTail == Tail::two_sided ? c[k] * c[k] : c[k];
        }
    }
    stream = bits;
    return true;
}

template <bool kDense>
LaneRunner runner_of(Tail tail) {
    switch (tail) {
        case Tail::one_sided:
            return run_lanes<Tail::one_sided, kDense>;
        case Tail::two_sided:
            return run_lanes<Tail::two_sided, kDense>;
        case Tail::two_df:
            break;
    }
    return run_lanes<Tail::two_df, kDense>;
}

}  // namespace

Plan make_plan(const NullScan& scan) {
    check_scan(scan);
    Plan plan;
    const bool two_df = scan.tail == Tail::two_df;
    const double rate_a = two_df ? kAdditiveShare * scan.rate : scan.rate;
    const double rate_d = two_df ? kDominanceShare * scan.rate : scan.rate;
    for (const auto& chromosome : scan.chromosomes) {
        plan.chromosomes.push_back({plan.runs.size(), chromosome.size()});
        for (std::size_t j = 0; j < chromosome.size(); ++j) {
            if (j > 0 && chromosome[j] == chromosome[j - 1]) {
                ++plan.runs.back().count;
            } else {
                plan.runs.push_back(
                    {step_of(chromosome[j], rate_a), step_of(chromosome[j], rate_d), 1});
            }
        }
    }
    return plan;
}

LaneRunner lane_runner(Tail tail, bool dense) {
    return dense ? runner_of<true>(tail) : runner_of<false>(tail);
}

}  // namespace lodthresh::simulation
