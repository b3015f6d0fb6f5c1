#include "cli/simulation_run.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace lodthresh::cli {

namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;
// How often the watcher looks whether the run is over.
constexpr long kWatchNanoseconds = 50'000'000;

}  // namespace

ProgressBar::ProgressBar(std::FILE* err)
    : err_(err),
      terminal_(isatty(fileno(err)) == 1),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {}

ProgressBar::~ProgressBar() {
    if (drawn_) {
        std::fputs("\r\033[K", err_);  // wipe the bar
        std::fflush(err_);
    }
}

void ProgressBar::show(double done, double total) {
    if (!terminal_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietFor || (drawn_ && now - last_ < kRedrawEvery)) {
        return;
    }
    last_ = now;
    const double fraction = total > 0.0 ? std::min(1.0, std::max(0.0, done / total)) : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar = "\rsimulating [";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    bar += "] " + std::to_string(static_cast<int>(fraction * 100.0)) + "%";
    std::fputs(bar.c_str(), err_);
    std::fflush(err_);
    drawn_ = true;
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
