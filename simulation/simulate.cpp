#include "simulation/simulate.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "simulation/checks.h"
#include "simulation/kernel.h"
#include "simulation/pool.h"
#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"

namespace lodthresh::simulation {

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
    const Plan plan = make_plan(scan);
    if (replicates > kMemoryBound / bytes_per_replicate(scan)) {
        invalid("the maxima of " + std::to_string(replicates) +
                " replicates would take more than " + std::to_string(kMemoryBound >> 30) +
                " GiB; simulate them in smaller groups");
    }

    const Ziggurat normal;
    const LaneRunner run = lane_runner(scan.tail, scan.dense, plan.interior);
    // The previous maxima go before this run's are allocated: one call holds
    // at most its own.
    out = Maxima();
    std::vector<double> fine(replicates, 0.0);
    std::vector<double> coarse(scan.dense ? replicates : 0, 0.0);
    // The stop flag the chains poll: the caller's, or none.
    const std::atomic<bool>* stop = control.stop;

    const bool done =
        run_blocks(blocks_of(replicates, kLanes, markers(scan)), control,
                   [&](std::uint64_t first, std::uint64_t count, Xoshiro256& stream) {
                       double lane_fine[kLanes];
                       double lane_coarse[kLanes];
                       if (!run(plan, normal, stream, stop, lane_fine, lane_coarse)) {
                           return false;
                       }
                       std::copy(lane_fine, lane_fine + count, fine.data() + first);
                       if (scan.dense) {
                           std::copy(lane_coarse, lane_coarse + count, coarse.data() + first);
                       }
                       return true;
                   });
    out = Maxima(scan.tail, std::move(fine), std::move(coarse));
    return done;
}

}  // namespace lodthresh::simulation
