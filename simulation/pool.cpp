#include "simulation/pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "simulation/checks.h"

namespace lodthresh::simulation {

namespace {

// Normal deviates per block of replicates that the blocks aim at, so that the
// jump of the block's stream (about 1 us) costs well under 1 % of the block.
constexpr std::uint64_t kDrawsPerBlock = std::uint64_t{1} << 18;
constexpr std::uint64_t kMaxRoundsPerBlock = 512;
// The shortest time between two calls of the progress callback.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

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

}  // namespace

Blocks blocks_of(std::uint64_t replicates, std::uint64_t lanes,
                 std::uint64_t markers_per_replicate) {
    const std::uint64_t per_round = std::max<std::uint64_t>(1, markers_per_replicate * lanes);
    const std::uint64_t rounds = (kDrawsPerBlock + per_round - 1) / per_round;
    return {replicates, lanes, std::clamp<std::uint64_t>(rounds, 1, kMaxRoundsPerBlock) * lanes};
}

bool run_blocks(const Blocks& blocks, const Control& control, const Round& round) {
    if (control.threads == 0) {
        invalid("the number of threads must be at least 1");
    }
    if (blocks.lanes == 0 || blocks.per_block == 0 || blocks.per_block % blocks.lanes != 0) {
        invalid("the blocks of replicates must be whole rounds of at least one replicate");
    }
    // Written so that no sum passes 2^64 - 1, whatever the number of replicates.
    const std::uint64_t count =
        blocks.replicates / blocks.per_block + (blocks.replicates % blocks.per_block != 0);
    Dispatcher dispatcher(control.seed, count);
    Progress progress(control.progress);
    std::atomic<bool> failed{false};
    // A round that stopped: the replicates are not all drawn, whatever the
    // flag says by the end.
    std::atomic<bool> halted{false};
    std::exception_ptr error;
    std::mutex error_mutex;

    const auto stopped = [&] {
        return failed.load(std::memory_order_relaxed) || halted.load(std::memory_order_relaxed) ||
               (control.stop != nullptr && control.stop->load(std::memory_order_relaxed));
    };

    const auto work = [&] {
        try {
            std::uint64_t block = 0;
            Xoshiro256 stream(0);
            while (!stopped() && dispatcher.next(block, stream)) {
                const std::uint64_t first = block * blocks.per_block;
                const std::uint64_t end =
                    first + std::min(blocks.per_block, blocks.replicates - first);
                for (std::uint64_t lane0 = first; lane0 < end; lane0 += blocks.lanes) {
                    if (!round(lane0, std::min(blocks.lanes, end - lane0), stream)) {
                        halted.store(true);
                        return;
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

    // The caller's thread works too; no helper when there is at most one block.
    const unsigned helpers =
        count == 0 ? 0 : static_cast<unsigned>(std::min<std::uint64_t>(control.threads, count)) - 1;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            // The system starts no more threads: those running share the
            // blocks, which draw the same whichever thread runs them.
            break;
        }
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    if (halted.load() || (control.stop != nullptr && control.stop->load())) {
        return false;
    }
    progress.finish(blocks.replicates);
    return true;
}

}  // namespace lodthresh::simulation
