// The threads of a simulation and its progress (not installed): the
// replicates in blocks, each block on a stream of its own, handed out to the
// threads in order.
//
// Block b draws from the seed's stream jumped b times (2^128 outputs apart,
// xoshiro.h), so a replicate's draws depend on the seed and on the block size
// alone, never on which thread runs the block or on how many threads there
// are; a run of n replicates is the start of any longer run of the seed.
#ifndef LODTHRESH_SIMULATION_POOL_H
#define LODTHRESH_SIMULATION_POOL_H

#include <cstdint>
#include <functional>

#include "simulation/simulate.h"
#include "simulation/xoshiro.h"

namespace lodthresh::simulation {

// How the replicates are cut: blocks of whole rounds, a round being the
// replicates that one call of the kernel draws side by side.
struct Blocks {
    std::uint64_t replicates;  // asked for
    std::uint64_t lanes;       // replicates per round, >= 1
    std::uint64_t per_block;   // replicates per block, a multiple of lanes
};

// Blocks of about 2^18 normal deviates (at most 512 rounds), so that the jump
// of a block's stream costs well under 1 % of the block; the block size
// depends on the scan alone, and so fixes the results of a seed.
Blocks blocks_of(std::uint64_t replicates, std::uint64_t lanes,
                 std::uint64_t markers_per_replicate);

// One round: the replicates [first, first + count) drawn from `stream`, which
// it leaves past its draws. A round draws `lanes` replicates whatever `count`
// (fewer only in a last round past the replicates asked for, whose extra lanes
// are drawn and dropped), so that the streams of the blocks do not depend on
// the number of replicates. False when it stopped.
using Round = std::function<bool(std::uint64_t first, std::uint64_t count, Xoshiro256& stream)>;

// Runs every round of every block in order within its block, blocks on up to
// control.threads threads (the caller's among them, fewer when there are
// fewer blocks or the system starts fewer), with control.progress called as
// Control describes. Returns false when control.stop is set (within a round,
// or at the latest after it) or a round returned false, the other threads
// stopping after their current round; an exception thrown by a round stops
// the other threads likewise and is rethrown. Throws std::invalid_argument
// when threads or lanes is 0 or the blocks are not whole rounds.
bool run_blocks(const Blocks& blocks, const Control& control, const Round& round);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_POOL_H
