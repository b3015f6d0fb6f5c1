#include "cli/simulation_run.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace lodthresh::cli {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;
constexpr std::size_t kLineWidth = 79;
// The time left is estimated once the run has lasted this long (seconds).
constexpr double kEstimateAfter = 5.0;
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
    const double fraction = total > 0.0 ? std::min(1.0, std::max(0.0, done / total)) : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar = " [";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    bar += "] " + std::to_string(static_cast<int>(fraction * 100.0)) + "%";
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (elapsed >= kEstimateAfter && fraction > 0.0) {
        const long left = std::lround(elapsed * (1.0 - fraction) / fraction);
        bar += left >= 60 ? ", " + std::to_string(left / 60) + " min " + std::to_string(left % 60) +
                                " s left"
                          : ", " + std::to_string(left) + " s left";
    }
    // One line of an 80-column terminal: a line that wrapped could not be
    // erased by returning to its start.
    std::string label = "simulating " + what;
    if (label.size() + bar.size() > kLineWidth) {
        label.resize(kLineWidth > bar.size() ? kLineWidth - bar.size() : 0);
    }
    text_ = "\r\033[K" + label + bar;
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
