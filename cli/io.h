// File-descriptor input and output of the command line: rows leave whole, and
// the output is written out before the program may wait for more input.
#ifndef LODTHRESH_CLI_IO_H
#define LODTHRESH_CLI_IO_H

#include <string>

namespace lodthresh::cli {

// A line of its own on the terminal, a progress bar, that no output may run
// into: erased before anything is written to standard output or error, drawn
// again after.
class StatusLine {
  public:
    virtual void erase() = 0;
    virtual void redraw() = 0;

  protected:
    ~StatusLine() = default;
};

// Collects whole rows and writes them to a file descriptor in large blocks.
// After the first failed write it writes nothing more; a block that reached a
// regular file only in part is cut off again, so the file ends with a whole row.
class RowOutput {
  public:
    explicit RowOutput(int fd) : fd_(fd) {}

    void add(const std::string& text);
    // Writes what is pending. False once a write has failed.
    bool flush();
    // errno of the failed write, or 0.
    int error() const { return error_; }

    // The status line that writes step around, or null.
    void set_status_line(StatusLine* line) { status_line_ = line; }
    StatusLine* status_line() const { return status_line_; }

  private:
    int fd_;
    int error_ = 0;
    std::string pending_;
    StatusLine* status_line_ = nullptr;
};

// The lines of a file descriptor, read in large blocks. Before each read it
// flushes `output`, so that a reader on the other side of a pipe has every row
// for the lines it has written before the program waits for the next ones.
class LineReader {
  public:
    // Longest line taken; a longer one is reported as such and skipped.
    static constexpr std::size_t kMaxLine = 4096;

    LineReader(int fd, RowOutput& output) : fd_(fd), output_(output) {}

    // The next line, without its line end, into `line`; `too_long` tells
    // whether it was cut at kMaxLine. False at the end of the input or on a
    // read error (error() tells which).
    bool next(std::string& line, bool& too_long);
    int error() const { return error_; }

  private:
    bool refill();

    int fd_;
    RowOutput& output_;
    int error_ = 0;
    bool ended_ = false;
    std::string buffer_;
    std::size_t start_ = 0;
};

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_IO_H
