#include "simulation/null_scan.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"

namespace lodthresh::simulation {

namespace {

// 1 / (2 ln 10): the LOD score of one unit on the chi-square scale.
constexpr double kLodPerChiSquare = 0.5 / 2.302585092994045684;

// Replicates run side by side in lanes: independent chains interleaved so that
// the multiply-add of one waits on no other and the generator state stays in
// registers. The lane count fixes the order of the draws, and so the results
// of a seed.
constexpr std::size_t kLanes = 8;
// Markers stepped between two fills of the normal buffer (kLanes deviates per
// marker and component): 16 KiB of deviates, within the first-level cache.
// The stop flag is read once per chunk.
constexpr std::size_t kChunk = 256;
// Normal deviates per block of replicates that the blocks aim at, so that the
// jump of the block's stream (about 1 us) costs well under 1 % of the block.
constexpr std::uint64_t kDrawsPerBlock = std::uint64_t{1} << 18;
constexpr std::uint64_t kMaxRoundsPerBlock = 512;
// The most marker intervals an even or dense scan may have in all: its
// distances alone then take 512 MiB.
constexpr double kMaxSteps = 67108864.0;  // 2^26
// The shortest time between two calls of the progress callback.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// A value as a message shows it: the fewest significant digits (up to 17)
// that read back as the same double, so 1e+300 and 0.1 stay short.
std::string number_text(double x) {
    char text[32];
    for (int digits = 1;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, x);
        if (digits == 17 || std::strtod(text, nullptr) == x || std::isnan(x)) {
            return text;
        }
    }
}

[[noreturn]] void invalid(const std::string& message) {
    throw std::invalid_argument(message);
}

bool finite_positive(double x) {
    return std::isfinite(x) && x > 0;
}

void check_rate(double rate) {
    if (!finite_positive(rate)) {
        invalid("the cross-over rate must be finite and above 0, not " + number_text(rate));
    }
}

// G and C of an evenly spaced scan; returns L = G / C.
double chromosome_length(double length_morgan, double chromosomes) {
    if (!finite_positive(length_morgan)) {
        invalid("the genome length must be finite and above 0 Morgan, not " +
                number_text(length_morgan));
    }
    if (!(chromosomes >= 1 && chromosomes <= 1e6 && chromosomes == std::floor(chromosomes))) {
        invalid("the number of chromosomes must be a whole number from 1 to 1000000, not " +
                number_text(chromosomes));
    }
    return length_morgan / chromosomes;
}

// ceil(x) for a count of intervals computed in floating point: a quotient such
// as 100 * (33 / 23) / 1 that lands a rounding error above a whole number
// is that whole number.
double whole_steps(double x) {
    return std::max(1.0, std::ceil(x * (1 - 1e-12)));
}

void check_steps(double steps, double chromosomes) {
    if (!(steps * chromosomes <= kMaxSteps)) {
        invalid("the scan would need more than 2^26 marker intervals");
    }
}

NullScan even_chromosomes(double length, double chromosomes, double steps, Tail tail, double rate,
                          bool dense) {
    NullScan scan{tail, rate, {}, dense};
    const auto count = static_cast<std::size_t>(chromosomes);
    const auto n = static_cast<std::size_t>(steps);
    scan.chromosomes.assign(count, std::vector<double>(n, length / steps));
    return scan;
}

// The fastest component's rate, which sets how fine a dense grid must be.
double fastest_rate(Tail tail, double rate) {
    return tail == Tail::two_df ? kDominanceShare * rate : rate;
}

// One step of the AR(1) chain: Z' = r Z + s e, s = sqrt(1 - r^2).
struct Step {
    double r;
    double s;
};

// A run of equal marker intervals: the steps of both components (the
// dominance one unused by a 1-df statistic) and how many there are.
struct Run {
    Step a;
    Step d;
    std::size_t count;
};

struct ChromosomeRuns {
    std::size_t first;  // into Plan::runs
    std::size_t steps;  // in all its runs
};

// The scan as the chains need it: each chromosome's intervals in runs of equal
// length, so that an evenly spaced scan costs a few bytes however many markers
// it has, and its steps stay in registers.
struct Plan {
    std::vector<ChromosomeRuns> chromosomes;
    std::vector<Run> runs;
};

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

Plan make_plan(const NullScan& scan) {
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

// kLanes replicates of the whole scan from `bits`, one deviate per lane and
// component at each marker, markers in order, lanes within a marker, the
// additive component before the dominance one. Writes each lane's maximum
// (and the every-fourth-point subgrid's for the dense map) on the
// statistic's scale. False when stopped.
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

using LaneRunner = bool (*)(const Plan&, const Ziggurat&, Xoshiro256&, const std::atomic<bool>*,
                            double*, double*);

template <bool kDense>
LaneRunner lane_runner(Tail tail) {
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

// Hands out blocks of replicates in order, each with its stream: the seed's
// stream jumped once per block before it. Which thread runs a block does not
// change what the block draws.
class Dispatcher {
  public:
    Dispatcher(std::uint64_t seed, std::uint64_t blocks) : next_stream_(seed), blocks_(blocks) {}

    // The next block and its stream, or false when all are handed out.
    bool next(std::uint64_t& block, Xoshiro256& stream) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (next_block_ == blocks_) {
            return false;
        }
        block = next_block_++;
        stream = next_stream_;
        next_stream_.jump();
        return true;
    }

  private:
    std::mutex mutex_;
    Xoshiro256 next_stream_;
    std::uint64_t next_block_ = 0;
    std::uint64_t blocks_;
};

// The running total of replicates done, and the callback's throttle.
class Progress {
  public:
    explicit Progress(const std::function<void(std::uint64_t)>& callback)
        : callback_(callback), last_(std::chrono::steady_clock::now()) {}

    void add(std::uint64_t replicates) {
        const std::uint64_t done = done_.fetch_add(replicates) + replicates;
        if (!callback_) {
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock()) {
            return;  // another thread is reporting
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ >= kProgressInterval) {
            last_ = now;
            callback_(done);
        }
    }

    void finish(std::uint64_t total) {
        if (callback_) {
            std::lock_guard<std::mutex> lock(mutex_);
            callback_(total);
        }
    }

  private:
    const std::function<void(std::uint64_t)>& callback_;
    std::atomic<std::uint64_t> done_{0};
    std::mutex mutex_;
    std::chrono::steady_clock::time_point last_;
};

// Replicates per block: whole rounds of kLanes, about kDrawsPerBlock deviates.
std::uint64_t rounds_per_block(std::uint64_t markers_per_replicate) {
    const std::uint64_t per_round = std::max<std::uint64_t>(1, markers_per_replicate * kLanes);
    const std::uint64_t rounds = (kDrawsPerBlock + per_round - 1) / per_round;
    return std::clamp<std::uint64_t>(rounds, 1, kMaxRoundsPerBlock);
}

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

double lod_of(Tail tail, double statistic) {
    const double chi_square =
        tail == Tail::one_sided ? statistic * std::fabs(statistic) : statistic;
    return chi_square * kLodPerChiSquare;
}

}  // namespace

NullScan even_null_scan(double length_morgan, double chromosomes, double spacing_cm, Tail tail,
                        double rate) {
    const double length = chromosome_length(length_morgan, chromosomes);
    check_rate(rate);
    if (!(std::isfinite(spacing_cm) && spacing_cm >= 0)) {
        invalid("the marker spacing must be finite and >= 0 cM, not " + number_text(spacing_cm));
    }
    if (spacing_cm == 0) {
        return dense_null_scan(length_morgan, chromosomes, tail, rate, kDenseGrid);
    }
    const double steps = whole_steps(100.0 * length / spacing_cm);
    check_steps(steps, chromosomes);
    return even_chromosomes(length, chromosomes, steps, tail, rate, false);
}

NullScan dense_null_scan(double length_morgan, double chromosomes, Tail tail, double rate,
                         double grid) {
    const double length = chromosome_length(length_morgan, chromosomes);
    check_rate(rate);
    if (!finite_positive(grid)) {
        invalid("the dense map's grid (4 rho delta) must be finite and above 0, not " +
                number_text(grid));
    }
    const double delta = grid / (4.0 * fastest_rate(tail, rate));
    // Whole groups of four steps, so that the subgrid ends at the chromosome's end.
    const double steps = 4.0 * whole_steps(length / delta / 4.0);
    check_steps(steps, chromosomes);
    return even_chromosomes(length, chromosomes, steps, tail, rate, true);
}

NullScan map_null_scan(const GeneticMap& map, Tail tail, double rate) {
    check_rate(rate);
    if (map.chromosomes.empty()) {
        invalid("the genetic map has no chromosome");
    }
    NullScan scan{tail, rate, {}, false};
    for (const MapChromosome& chromosome : map.chromosomes) {
        const auto& positions = chromosome.positions;
        if (positions.empty()) {
            invalid("chromosome " + chromosome.name + " of the genetic map has no marker");
        }
        std::vector<double> distances;
        for (std::size_t j = 0; j < positions.size(); ++j) {
            if (!std::isfinite(positions[j])) {
                invalid("chromosome " + chromosome.name + " has a position that is not finite");
            }
            if (j > 0) {
                if (positions[j] < positions[j - 1]) {
                    invalid("the positions of chromosome " + chromosome.name + " decrease");
                }
                distances.push_back(positions[j] - positions[j - 1]);
            }
        }
        scan.chromosomes.push_back(std::move(distances));
    }
    return scan;
}

Maxima::Maxima(Tail tail, std::vector<double> maxima, std::vector<double> coarse)
    : tail_(tail), maxima_(std::move(maxima)), coarse_(std::move(coarse)) {
    if (!coarse_.empty() && coarse_.size() != maxima_.size()) {
        invalid("the subgrid's maxima must be as many as the grid's");
    }
}

double Maxima::lod(std::uint64_t i) const {
    return lod_of(tail_, maxima_[i]);
}

double Maxima::coarse_lod(std::uint64_t i) const {
    return lod_of(tail_, coarse_[i]);
}

std::uint64_t bytes_per_replicate(const NullScan& scan) {
    return scan.dense ? 2 * sizeof(double) : sizeof(double);
}

std::uint64_t markers(const NullScan& scan) {
    std::uint64_t count = 0;
    for (const auto& chromosome : scan.chromosomes) {
        count += chromosome.size() + 1;
    }
    return scan.tail == Tail::two_df ? 2 * count : count;
}

unsigned available_cpus() {
#if defined(__linux__)
    // The process's affinity mask: a container or taskset may allow fewer CPUs
    // than the machine has.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return static_cast<unsigned>(count);
        }
    }
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

bool simulate(const NullScan& scan, std::uint64_t replicates, const Control& control, Maxima& out) {
    if (replicates == 0) {
        invalid("the number of replicates must be at least 1");
    }
    if (control.threads == 0) {
        invalid("the number of threads must be at least 1");
    }
    check_scan(scan);
    if (replicates > kMemoryBound / bytes_per_replicate(scan)) {
        invalid("the maxima of " + std::to_string(replicates) +
                " replicates would take more than " + std::to_string(kMemoryBound >> 30) +
                " GiB; simulate them in smaller groups");
    }

    const Plan plan = make_plan(scan);
    const Ziggurat normal;
    const LaneRunner run =
        scan.dense ? lane_runner<true>(scan.tail) : lane_runner<false>(scan.tail);
    const std::uint64_t rounds = rounds_per_block(markers(scan));
    const std::uint64_t per_block = rounds * kLanes;
    const std::uint64_t blocks = (replicates + per_block - 1) / per_block;

    out.tail_ = scan.tail;
    out.maxima_.assign(replicates, 0.0);
    out.coarse_.assign(scan.dense ? replicates : 0, 0.0);

    Dispatcher dispatcher(control.seed, blocks);
    Progress progress(control.progress);
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex error_mutex;

    const auto stopped = [&] {
        return failed.load(std::memory_order_relaxed) ||
               (control.stop != nullptr && control.stop->load(std::memory_order_relaxed));
    };
    // The stop flag the chains poll: the caller's, or none.
    const std::atomic<bool>* stop = control.stop;

    const auto work = [&] {
        try {
            std::uint64_t block = 0;
            Xoshiro256 stream(0);
            double fine[kLanes];
            double coarse[kLanes];
            while (!stopped() && dispatcher.next(block, stream)) {
                const std::uint64_t first = block * per_block;
                const std::uint64_t end = std::min(first + per_block, replicates);
                for (std::uint64_t lane0 = first; lane0 < end; lane0 += kLanes) {
                    if (!run(plan, normal, stream, stop, fine, coarse)) {
                        return;
                    }
                    // The lanes of a last round past the replicates asked for
                    // are drawn and dropped, so that a run of n replicates is
                    // the start of any longer run.
                    const std::uint64_t lanes = std::min<std::uint64_t>(kLanes, end - lane0);
                    std::copy(fine, fine + lanes, out.maxima_.data() + lane0);
                    if (scan.dense) {
                        std::copy(coarse, coarse + lanes, out.coarse_.data() + lane0);
                    }
                    if (stopped()) {
                        return;
                    }
                }
                progress.add(end - first);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(error_mutex);
            if (!error) {
                error = std::current_exception();
            }
            failed.store(true);
        }
    };

    const unsigned helpers =
        static_cast<unsigned>(std::min<std::uint64_t>(control.threads, blocks)) - 1;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    if (control.stop != nullptr && control.stop->load()) {
        return false;
    }
    progress.finish(replicates);
    return true;
}

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
