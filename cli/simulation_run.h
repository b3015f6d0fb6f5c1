// What a simulating run of the command line needs around the simulation: a
// progress bar on a terminal, and Ctrl-C.
#ifndef LODTHRESH_CLI_SIMULATION_RUN_H
#define LODTHRESH_CLI_SIMULATION_RUN_H

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/io.h"

namespace lodthresh::cli {

// A progress bar on the error stream, drawn only when it is a terminal and
// the run has lasted a second, redrawn at most ten times a second: what is
// simulated, the percent done and, after 5 s, the time left. The output
// erases it before it writes and draws it again after (it is `output`'s
// status line for its lifetime); it is wiped when done.
class ProgressBar final : public StatusLine {
  public:
    ProgressBar(std::FILE* err, RowOutput& output);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // `done` of `total` units of work (total > 0), simulating `what`
    // ("backcross at 10 cM").
    void show(double done, double total, const std::string& what);

    void erase() override;
    void redraw() override;

  private:
    std::FILE* err_;
    RowOutput& output_;
    bool terminal_;
    bool drawn_ = false;
    std::string text_;  // the bar as last drawn
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
};

// Takes Ctrl-C over for its lifetime: SIGINT is blocked in this thread and in
// every thread started from it, and a thread of its own waits for it and then
// sets stop(). Afterwards the mask is as it was, and end_by_signal() ends the
// process by SIGINT as if it had not been taken over (status 130 in a shell).
class InterruptWatch {
  public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    const std::atomic<bool>& stop() const { return stop_; }
    bool interrupted() const { return stop_.load(); }

    // Restores the mask and SIGINT's default action, and raises it.
    [[noreturn]] static void end_by_signal();

  private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    sigset_t saved_mask_{};
    std::thread watcher_;
};

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_SIMULATION_RUN_H
