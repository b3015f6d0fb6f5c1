#include "cli/simulation_run.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "table/design_simulation.h"

namespace lodthresh::cli {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// How often the watcher looks whether the run is over.
constexpr long kWatchNanoseconds = 50'000'000;

}  // namespace

ProgressBar::ProgressBar(std::FILE* err, RowOutput& output)
    : err_(err),
      output_(output),
      terminal_(isatty(fileno(err)) == 1),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {
    output_.set_status_line(this);
}

ProgressBar::~ProgressBar() {
    output_.set_status_line(nullptr);
    erase();
}

void ProgressBar::erase() {
    if (drawn_) {
        std::fputs("\r\033[K", err_);  // back to the line's start, cleared to its end
        std::fflush(err_);
        drawn_ = false;
    }
}

void ProgressBar::redraw() {
    if (!drawn_ && !text_.empty()) {
        std::fputs(text_.c_str(), err_);
        std::fflush(err_);
        drawn_ = true;
    }
}

void ProgressBar::show(double done, double total, const std::string& what) {
    if (!terminal_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietFor || (!text_.empty() && now - last_ < kRedrawEvery)) {
        return;
    }
    last_ = now;
    const double fraction = total > 0.0 ? done / total : 0.0;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    text_ = "\r\033[K" + table::progress_text(fraction, elapsed, what);
    drawn_ = false;
    redraw();
}

InterruptWatch::InterruptWatch() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &saved_mask_);
    watcher_ = std::thread([this, interrupt] {
        const timespec wait{0, kWatchNanoseconds};
        while (!done_.load()) {
            if (sigtimedwait(&interrupt, nullptr, &wait) == SIGINT) {
                stop_.store(true);
                return;
            }
        }
    });
}

InterruptWatch::~InterruptWatch() {
    done_.store(true);
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &saved_mask_, nullptr);
}

void InterruptWatch::end_by_signal() {
    signal(SIGINT, SIG_DFL);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    raise(SIGINT);
    std::_Exit(130);  // not reached: SIGINT's default action ends the process
}

}  // namespace lodthresh::cli
