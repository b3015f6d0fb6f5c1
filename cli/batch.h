// Batch files: one row, or one group of rows, per line.
#ifndef LODTHRESH_CLI_BATCH_H
#define LODTHRESH_CLI_BATCH_H

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/io.h"

namespace lodthresh::cli {

struct BatchOutcome {
    bool all_good;    // every line gave its rows
    bool unreadable;  // a read error ended the batch (it is reported)
};

// Reads the lines of a batch from `fd`, named `name` in messages. Blank lines
// and lines that start with '#' are skipped, a CR before the line end is
// dropped; every other line goes to `on_line`, which returns "" or why the line
// gives no row. A bad or over-long line is reported as "NAME:LINE: reason"
// through `report`. Stops early once `stopped` says so.
BatchOutcome read_batch(int fd, const std::string& name, RowOutput& out,
                        const std::function<bool()>& stopped,
                        const std::function<std::string(const std::string&)>& on_line,
                        const std::function<void(const std::string&)>& report);

// The white-space separated fields of a line, into `fields`.
void split_fields(const std::string& line, std::vector<std::string>& fields);

// Opens a file to read, or says why it cannot be read ("lodthresh: PATH:
// reason") and returns -1. A directory cannot be read.
int open_input(const char* path, std::FILE* err);

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_BATCH_H
