#include "cli/runner.h"

#include <unistd.h>

#include "cli/batch.h"

namespace lodthresh::cli {

int Runner::run(const Options& options, int in, const std::function<void()>& begin,
                const RowSource& source) {
    const bool from_input = options.batch_from_input();
    const int batch = !options.batch || from_input ? in : open_input(options.batch->c_str(), err_);
    if (batch < 0) {
        return 2;
    }
    begin();
    BatchOutcome outcome{true, false};
    if (!options.batch) {
        source.lists();
    } else {
        outcome = read_batch(
            batch, from_input ? "(standard input)" : *options.batch, out_,
            [this] { return stopped(); }, source.line,
            [this](const std::string& message) { report(message); });
        if (!from_input) {
            close(batch);
        }
    }
    text_.clear();
    table::append_footer(format_, rows_, text_);
    out_.add(text_);
    if (interrupted_) {
        return kInterrupted;
    }
    if (outcome.unreadable) {
        return 2;
    }
    return outcome.all_good && !any_without_result_ ? 0 : 1;
}

void Runner::report(const std::string& message) {
    pass_on("lodthresh: " + message + "\n");
}

void Runner::pass_on(const std::string& text) {
    out_.flush();
    StatusLine* const line = out_.status_line();
    if (line != nullptr) {
        line->erase();
    }
    std::fputs(text.c_str(), err_);
    std::fflush(err_);
    if (line != nullptr) {
        line->redraw();
    }
}

}  // namespace lodthresh::cli
