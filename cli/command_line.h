// The command line: thresholds for scripts, tables and papers, one row per
// combination of the option values or per line of a batch file.
#ifndef LODTHRESH_CLI_COMMAND_LINE_H
#define LODTHRESH_CLI_COMMAND_LINE_H

#include <cstdio>

namespace lodthresh::cli {

// Runs the program with its arguments (argv[0] is the program's name; GNU
// getopt_long reorders the rest). Reads a batch given as '-' from the file
// descriptor `in`, writes the rows to the file descriptor `out` and every
// message to `err`. Returns the exit status:
//   0  every row has a result;
//   1  a row without a result, a bad batch line, or output that could not be
//      written;
//   2  a usage error (a bad option or value) or an unreadable batch file.
int run(int argc, char* argv[], int in, int out, std::FILE* err);

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_COMMAND_LINE_H
