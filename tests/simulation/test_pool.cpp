// The pool of a simulation's threads: blocks of whole rounds, each block on
// the seed's stream jumped once per block before it, whatever the threads;
// stopping, a round's exception, progress and bad blocks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "simulation/pool.h"
#include "simulation/xoshiro.h"

namespace {

namespace sim = lodthresh::simulation;

// A round that stands for the kernel: `lanes` words from the stream whatever
// `count`, the first `count` kept as replicates first, first + 1, ...
struct Recorder {
    explicit Recorder(const sim::Blocks& b) : blocks(b), words(b.replicates), times(b.replicates) {}

    sim::Round round() {
        return [this](std::uint64_t first, std::uint64_t count, sim::Xoshiro256& stream) {
            for (std::uint64_t k = 0; k < blocks.lanes; ++k) {
                const std::uint64_t word = stream();
                if (k < count) {
                    words[first + k] = word;
                    ++times[first + k];
                }
            }
            return true;
        };
    }

    sim::Blocks blocks;
    std::vector<std::uint64_t> words;
    std::vector<int> times;  // each replicate's rounds, touched by one thread each
};

// What replicate i must hold: the (i - first of its block)-th word of the
// seed's stream jumped once per block before i's.
std::vector<std::uint64_t> expected_words(const sim::Blocks& blocks, std::uint64_t seed) {
    std::vector<std::uint64_t> words(blocks.replicates);
    sim::Xoshiro256 block_stream(seed);
    for (std::uint64_t first = 0; first < blocks.replicates; first += blocks.per_block) {
        sim::Xoshiro256 stream = block_stream;
        for (std::uint64_t i = first; i < first + blocks.per_block && i < blocks.replicates; ++i) {
            words[i] = stream();
        }
        block_stream.jump();
    }
    return words;
}

// Every replicate is drawn once, from its block's stream, and the same words
// come out on any number of threads: more threads than blocks, a last block
// cut short, a last round past the replicates asked for, one block in all.
TEST(Pool, EveryReplicateOnceFromItsBlocksStreamOnAnyThreads) {
    const sim::Blocks rows[] = {
        {1000, 8, 64},  // 16 blocks, the last of 40 replicates
        {1001, 8, 64},  // a last round of one replicate
        {5, 8, 8},      // one round, 3 lanes drawn and dropped
        {96, 4, 32},    // 3 whole blocks
        {7, 1, 1},      // rounds and blocks of one replicate
    };
    for (const sim::Blocks& blocks : rows) {
        const std::vector<std::uint64_t> expected = expected_words(blocks, 77);
        for (unsigned threads : {1u, 2u, 3u, 8u}) {
            sim::Control control;
            control.seed = 77;
            control.threads = threads;
            Recorder recorder(blocks);
            ASSERT_TRUE(sim::run_blocks(blocks, control, recorder.round()));
            const std::string row = std::to_string(blocks.replicates) + " replicates, " +
                                    std::to_string(threads) + " threads";
            EXPECT_EQ(recorder.times, std::vector<int>(blocks.replicates, 1)) << row;
            EXPECT_EQ(recorder.words, expected) << row;
        }
    }
}

// The blocks of 2^18 deviates at most 512 rounds: their size, and so what
// every seed draws, depends on the markers of a replicate alone.
TEST(Pool, BlockSizeOfAScan) {
    struct Row {
        std::uint64_t markers, per_block;
    };
    const Row rows[] = {
        {3335, 80},     // the human genome at 1 cM: 10 rounds of 26680 deviates
        {32768, 8},     // one round of exactly 2^18
        {32767, 16},    // just under: two rounds
        {1, 4096},      // 512 rounds at most
        {0, 4096},      // no marker: still whole rounds
        {10000000, 8},  // a round above 2^18: one round
    };
    for (const Row& row : rows) {
        const sim::Blocks blocks = sim::blocks_of(123, 8, row.markers);
        EXPECT_EQ(blocks.replicates, 123u);
        EXPECT_EQ(blocks.lanes, 8u);
        EXPECT_EQ(blocks.per_block, row.per_block) << row.markers << " markers";
    }
}

// Two threads run two blocks at once: block 0's round waits until block 1's
// has begun, which only another thread can begin. The wait's limit only
// keeps a pool that runs the blocks one after the other from hanging.
TEST(Pool, BlocksRunSideBySide) {
    const sim::Blocks blocks{16, 8, 8};
    std::mutex mutex;
    std::condition_variable begun;
    bool second_begun = false;
    bool overlapped = false;
    const sim::Round round = [&](std::uint64_t first, std::uint64_t, sim::Xoshiro256&) {
        std::unique_lock<std::mutex> lock(mutex);
        if (first == 0) {
            overlapped =
                begun.wait_for(lock, std::chrono::seconds(60), [&] { return second_begun; });
        } else {
            second_begun = true;
            begun.notify_all();
        }
        return true;
    };
    sim::Control control;
    control.threads = 2;
    ASSERT_TRUE(sim::run_blocks(blocks, control, round));
    EXPECT_TRUE(overlapped);
}

// The stop flag, set before the run or by a round at a given replicate, stops
// the run: false, the rounds after it on its thread not run, and no final
// call of the progress with the total.
TEST(Pool, StopFlagStopsTheRun) {
    struct Row {
        unsigned threads;
        std::uint64_t stop_at;  // the first replicate of the round that sets the flag
    };
    const sim::Blocks blocks{4000, 8, 80};
    for (const Row& row : {Row{1, 0}, Row{1, 808}, Row{2, 808}, Row{4, 2400}}) {
        for (const bool before : {true, false}) {
            std::atomic<bool> stop{before};
            std::atomic<std::uint64_t> rounds{0};
            sim::Control control;
            control.threads = row.threads;
            control.stop = &stop;
            std::vector<std::uint64_t> reported;
            control.progress = [&](std::uint64_t done) { reported.push_back(done); };
            const sim::Round round = [&](std::uint64_t first, std::uint64_t, sim::Xoshiro256&) {
                ++rounds;
                if (first == row.stop_at) {
                    stop = true;
                }
                return true;
            };
            EXPECT_FALSE(sim::run_blocks(blocks, control, round)) << row.threads;
            if (before) {
                EXPECT_EQ(rounds.load(), 0u) << row.threads;
            } else {
                EXPECT_LT(rounds.load(), 500u) << row.threads;
            }
            if (before || row.threads == 1) {
                // One thread: the rounds up to the stopping one, in order.
                EXPECT_EQ(rounds.load(), before ? 0 : row.stop_at / 8 + 1);
            }
            for (std::uint64_t done : reported) {
                EXPECT_LT(done, blocks.replicates) << row.threads;
            }
        }
    }
}

// A round that returns false (the kernel stopped) leaves replicates undrawn:
// the run is false even without the flag.
TEST(Pool, ARoundThatStopsStopsTheRun) {
    for (unsigned threads : {1u, 3u}) {
        sim::Control control;
        control.threads = threads;
        const sim::Round round = [](std::uint64_t first, std::uint64_t, sim::Xoshiro256&) {
            return first != 160;
        };
        EXPECT_FALSE(sim::run_blocks({4000, 8, 80}, control, round)) << threads;
    }
}

// A round's exception reaches the caller, from whichever thread threw it.
TEST(Pool, ARoundsExceptionIsRethrown) {
    for (unsigned threads : {1u, 2u, 4u}) {
        sim::Control control;
        control.threads = threads;
        bool finished = false;
        control.progress = [&](std::uint64_t done) { finished = finished || done == 4000; };
        const sim::Round round = [](std::uint64_t first, std::uint64_t, sim::Xoshiro256&) {
            if (first == 1600) {
                throw std::runtime_error("out of memory in the round");
            }
            return true;
        };
        try {
            sim::run_blocks({4000, 8, 80}, control, round);
            ADD_FAILURE() << threads << " threads: no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "out of memory in the round");
        }
        EXPECT_FALSE(finished) << threads;
    }
}

// The progress: one call at a time, running totals that never decrease, and
// the total at the end.
TEST(Pool, ProgressRunsUpToTheTotalOneCallAtATime) {
    for (unsigned threads : {1u, 2u, 4u}) {
        sim::Control control;
        control.threads = threads;
        std::atomic<int> inside{0};
        bool overlapping = false;
        std::vector<std::uint64_t> seen;
        control.progress = [&](std::uint64_t done) {
            overlapping = overlapping || inside.fetch_add(1) != 0;
            seen.push_back(done);
            inside.fetch_sub(1);
        };
        const sim::Blocks blocks{20000, 8, 16};
        Recorder recorder(blocks);
        ASSERT_TRUE(sim::run_blocks(blocks, control, recorder.round()));
        EXPECT_FALSE(overlapping) << threads;
        ASSERT_FALSE(seen.empty());
        for (std::size_t i = 1; i < seen.size(); ++i) {
            EXPECT_LE(seen[i - 1], seen[i]) << threads;
        }
        EXPECT_EQ(seen.back(), 20000u);
    }
}

TEST(Pool, NoReplicatesNoRound) {
    sim::Control control;
    control.threads = 4;
    bool ran = false;
    const sim::Round round = [&](std::uint64_t, std::uint64_t, sim::Xoshiro256&) {
        ran = true;
        return true;
    };
    EXPECT_TRUE(sim::run_blocks({0, 8, 64}, control, round));
    EXPECT_FALSE(ran);
}

TEST(Pool, BadBlocksAndThreads) {
    const sim::Round round = [](std::uint64_t, std::uint64_t, sim::Xoshiro256&) { return true; };
    sim::Control control;
    for (const sim::Blocks& blocks :
         {sim::Blocks{100, 0, 8}, sim::Blocks{100, 8, 0}, sim::Blocks{100, 8, 12}}) {
        EXPECT_THROW(sim::run_blocks(blocks, control, round), std::invalid_argument)
            << blocks.lanes << " " << blocks.per_block;
    }
    control.threads = 0;
    EXPECT_THROW(sim::run_blocks({100, 8, 64}, control, round), std::invalid_argument);
}

}  // namespace
