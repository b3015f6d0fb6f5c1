// What every mode of the command line does with its rows: writes them as they
// are computed, says on the error stream what went wrong after the rows
// written before it, reads a batch's lines, and sums the run up in an exit
// status.
#ifndef LODTHRESH_CLI_RUNNER_H
#define LODTHRESH_CLI_RUNNER_H

#include <cstdio>
#include <functional>
#include <string>

#include "cli/io.h"
#include "cli/options.h"
#include "table/format.h"
#include "table/schema.h"

namespace lodthresh::cli {

// The status of a run that Ctrl-C stopped: the process is to end by SIGINT
// once the rows before it are out (InterruptWatch::end_by_signal).
constexpr int kInterrupted = 130;

// A run's source of rows: without --batch, `lists` computes every
// combination of the option values; with it, each line of the batch goes to
// `line`, which returns "" or why the line gives no row.
struct RowSource {
    std::function<void()> lists;
    std::function<std::string(const std::string& line)> line;
};

class Runner {
  public:
    Runner(table::Format format, RowOutput& out, std::FILE* err)
        : format_(format), out_(out), err_(err) {}

    table::Format format() const { return format_; }

    // Opens the batch of --batch (standard input for '-', read from `in`), or
    // says why it cannot be read and returns 2. Then `begin`, which writes
    // the table's start, the rows of `source`, and the table's end. Returns the
    // exit status: kInterrupted; 2 for a batch that could not be read to its
    // end; 1 for a bad batch line or a row without a result; else 0.
    int run(const Options& options, int in, const std::function<void()>& begin,
            const RowSource& source);

    // The header of the rows' table; `preamble` comes before the text format's.
    template <class Row>
    void begin(const table::Schema<Row>& schema, const std::string& preamble = "") {
        text_.clear();
        if (format_ == table::Format::text) {
            text_ += preamble;
        }
        schema.append_header(format_, text_);
        out_.add(text_);
    }

    template <class Row>
    void write(const table::Schema<Row>& schema, const Row& row) {
        any_without_result_ = any_without_result_ || row.status != table::Status::ok;
        text_.clear();
        schema.append_row(format_, row, rows_++, text_);
        out_.add(text_);
    }

    // "lodthresh: MESSAGE" on the error stream, after the rows so far.
    void report(const std::string& message);
    // Text for the error stream as it is (the numerics library's message).
    void pass_on(const std::string& text);
    // Writes the rows so far (simulated rows come seconds apart).
    void flush() { out_.flush(); }

    void mark_without_result() { any_without_result_ = true; }
    void mark_interrupted() { interrupted_ = true; }
    // Once the output has failed or Ctrl-C came, no further row is computed.
    bool stopped() const { return out_.error() != 0 || interrupted_; }

  private:
    table::Format format_;
    RowOutput& out_;
    std::FILE* err_;
    std::string text_;
    std::size_t rows_ = 0;
    bool any_without_result_ = false;
    bool interrupted_ = false;
};

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_RUNNER_H
