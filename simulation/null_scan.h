// Simulated thresholds of a genome-wide linkage scan: the genome-wide maxima of
// the null statistic, replicate by replicate, and the thresholds and levels
// read from them.
//
// Under the null hypothesis the statistic along a chromosome is a stationary
// Ornstein-Uhlenbeck process Z(t) with correlation exp(-2 rho |s - t|), t in
// Morgan (Lander and Kruglyak 1995; Feingold, Brown and Siegmund 1993). At the
// markers it is exactly an AR(1) chain,
//   Z_0 ~ N(0, 1),  Z_{j+1} = r_j Z_j + sqrt(1 - r_j^2) e_j,  r_j = exp(-2 rho d_j),
// with d_j the distance between markers j and j + 1; chromosomes and the
// components of a 2-df statistic are independent. A replicate's genome-wide
// maximum is that of Z (one-sided), Z^2 (two-sided) or Z_a^2 + Z_d^2 (2 df,
// components of rates 2 rho / 3 and 4 rho / 3). The paths are never stored:
// memory is the maxima alone.
//
// The dense map, a continuum that no grid of markers reaches, is simulated on
// a fine grid and its every-fourth-point subgrid of the same paths, and the
// thresholds and levels of the two are extrapolated to the continuum
// (Richardson): a grid of step delta falls short of the continuum by
// a sqrt(delta) + O(delta), so 2 q(delta) - q(4 delta) cancels the leading term.
#ifndef LODTHRESH_SIMULATION_NULL_SCAN_H
#define LODTHRESH_SIMULATION_NULL_SCAN_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "threshold/design.h"
#include "threshold/genetic_map.h"

namespace lodthresh::simulation {

// What one replicate scans.
struct NullScan {
    Tail tail;
    double rate;  // rho of the statistic (of the 2-df statistic as a whole)
    // Per chromosome: the distances between neighbouring markers in Morgan
    // (an empty vector: a chromosome with one marker, which still counts).
    std::vector<std::vector<double>> chromosomes;
    // The continuum, simulated on the fine grid of `chromosomes` (each with a
    // number of steps divisible by 4) and corrected by Richardson extrapolation
    // against its every-fourth-point subgrid.
    bool dense = false;
};

// The fineness of the dense map's grid: 4 rho delta, with rho the rate of the
// fastest component (4 rho / 3 of 2-df statistics). The grid's own shortfall is
// about 0.6 sqrt(4 rho delta T) on the sqrt(T) scale; the extrapolation leaves
// under 0.01 LOD of it (README, Simulation of the null scan).
constexpr double kDenseGrid = 0.002;

// C chromosomes of G / C Morgan each, scanned at markers `spacing_cm` cM apart
// at most: both ends and ceil(100 L / s) equal intervals between them. Spacing
// 0 is the dense map on a grid of fineness kDenseGrid.
// Throws std::invalid_argument unless G is finite and positive, C a whole
// number from 1 to 10^6, the spacing finite and >= 0 and the rate finite and
// positive; or when a chromosome would need more than 2^31 markers.
NullScan even_null_scan(double length_morgan, double chromosomes, double spacing_cm, Tail tail,
                        double rate);

// The dense map of G Morgan on C chromosomes on a grid of fineness
// `grid` = 4 rho delta (kDenseGrid for even_null_scan's spacing 0), for
// checking the extrapolation by halving delta. Throws as even_null_scan, and
// unless the grid is finite and positive.
NullScan dense_null_scan(double length_morgan, double chromosomes, Tail tail, double rate,
                         double grid);

// The markers of a genetic map. Throws std::invalid_argument when the map has
// no chromosome, a chromosome has no marker, a position is not finite or a
// chromosome's positions decrease, or the rate is not finite and positive.
NullScan map_null_scan(const GeneticMap& map, Tail tail, double rate);

// The seed of every simulation that is not given one.
constexpr std::uint64_t kDefaultSeed = 20260101;

struct Control {
    std::uint64_t seed = kDefaultSeed;
    unsigned threads = 1;  // >= 1
    // When set, simulate returns false within about 0.1 s.
    const std::atomic<bool>* stop = nullptr;
    // May be empty; called from at most one thread at a time, at most about 20
    // times a second, with the running total of replicates done, and once at
    // the end with the total.
    std::function<void(std::uint64_t replicates_done)> progress;
};

// The replicates' genome-wide maxima in replicate order, on the statistic's
// own scale: max Z (one-sided), max Z^2 (two-sided), max Z_a^2 + Z_d^2 (2 df);
// for the dense map also the maxima over the every-fourth-point subgrid.
class Maxima {
  public:
    Maxima() = default;
    // Maxima of a given tail, for reading thresholds from a sample of one's
    // own (the subgrid's maxima too when `coarse` is not empty; then of the
    // same size). Throws std::invalid_argument when sizes differ.
    Maxima(Tail tail, std::vector<double> maxima, std::vector<double> coarse = {});

    Tail tail() const { return tail_; }
    bool dense() const { return !coarse_.empty(); }
    std::uint64_t size() const { return maxima_.size(); }
    const std::vector<double>& statistic() const { return maxima_; }
    const std::vector<double>& coarse_statistic() const { return coarse_; }
    // The LOD score of replicate i's maximum (of the subgrid's when coarse):
    // T / (2 ln 10) with T the chi-square-scale statistic; one-sided T = Z |Z|,
    // so a negative maximum Z (every marker below 0) has the negative LOD
    // -Z^2 / (2 ln 10) and the order of the maxima is kept.
    double lod(std::uint64_t i) const;
    double coarse_lod(std::uint64_t i) const;

    friend bool operator==(const Maxima& a, const Maxima& b) {
        return a.tail_ == b.tail_ && a.maxima_ == b.maxima_ && a.coarse_ == b.coarse_;
    }

  private:
    friend bool simulate(const NullScan&, std::uint64_t, const Control&, Maxima&);
    Tail tail_ = Tail::one_sided;
    std::vector<double> maxima_;
    std::vector<double> coarse_;
};

// Simulates `replicates` null scans from the seed's own stream: the same seed
// gives the same Maxima whatever `threads`, and whatever other simulations the
// process ran; the first n replicates of a longer run are those of a run of n.
// Replicates go in blocks whose size depends on the scan alone, block b on the
// seed's stream jumped b times. False when stopped (`out` is then partly
// filled, to be discarded).
// Throws std::invalid_argument when replicates or threads is 0, the scan has no
// chromosome, its rate is not finite and positive, a distance is not finite
// and >= 0, a dense scan's chromosome has steps not divisible by 4, or the
// maxima would take more than kMemoryBound bytes.
bool simulate(const NullScan& scan, std::uint64_t replicates, const Control& control, Maxima& out);

struct Estimate {
    bool has_value;
    double value;
    double se;
};

// The LOD score exceeded by the replicates' maxima with probability
// p = 1 - exp(-alpha) (alpha: expected false positives per scan): the sample
// quantile at 1 - p interpolated between order statistics, h = (N - 1)(1 - p).
// Its standard error is half the distance between the quantiles at
// h -+ sqrt(N p (1 - p)) (the binomial interval of the order statistic). The
// dense map's is 2 q(delta) - q(4 delta) with the variance of the pair from
// Bahadur's representation (each quantile's binomial standard error, their
// correlation that of the two exceedance indicators). Missing (has_value false)
// when N p < 10. Throws std::invalid_argument when alpha is not finite and
// positive or there are no maxima.
Estimate simulated_threshold(const Maxima& maxima, double alpha);

// The fraction of maxima above `lod`, with its binomial standard error
// sqrt(P (1 - P) / N); for the dense map 2 P(delta) - P(4 delta) with the
// standard error of the per-replicate combination. Throws
// std::invalid_argument when lod is NaN or there are no maxima.
Estimate simulated_level(const Maxima& maxima, double lod);

// Bytes of Maxima per replicate: 8, or 16 for the dense map.
std::uint64_t bytes_per_replicate(const NullScan& scan);
// The most that one call of simulate (a row group) may hold.
constexpr std::uint64_t kMemoryBound = 2ull << 30;

// Markers per replicate, every component counted (a 2-df statistic twice).
std::uint64_t markers(const NullScan& scan);

// The CPUs the process may run on (sched_getaffinity), at least 1.
unsigned available_cpus();

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_NULL_SCAN_H
