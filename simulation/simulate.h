// The simulation of null scans: replicate by replicate, the genome-wide
// maxima of the null statistic along a scan's markers (scan.h), on as many
// threads as asked, reproducible from a seed.
#ifndef LODTHRESH_SIMULATION_SIMULATE_H
#define LODTHRESH_SIMULATION_SIMULATE_H

#include <atomic>
#include <cstdint>
#include <functional>

#include "simulation/maxima.h"
#include "simulation/scan.h"

namespace lodthresh::simulation {

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

// Bytes of Maxima per replicate: 8, or 16 for the dense map.
std::uint64_t bytes_per_replicate(const NullScan& scan);
// The most that one call of simulate (a row group) may hold.
constexpr std::uint64_t kMemoryBound = 2ull << 30;

// Markers per replicate, every component counted (a 2-df statistic twice).
std::uint64_t markers(const NullScan& scan);

// The CPUs the process may run on (sched_getaffinity), at least 1: the
// threads a simulation can use to the full.
unsigned available_cpus();

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_SIMULATE_H
