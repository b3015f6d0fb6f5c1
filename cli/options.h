// The command line's arguments read into the options of a request
// (table/options.h), and its help and usage errors.
#ifndef LODTHRESH_CLI_OPTIONS_H
#define LODTHRESH_CLI_OPTIONS_H

#include <cstdio>
#include <optional>
#include <string>

#include "table/options.h"

namespace lodthresh::cli {

using table::Options;

// Reads the arguments (argv[0] is the program's name; GNU getopt_long reorders
// the rest) into `options` and checks the combinations that no mode takes
// (--batch with a value that its lines give, --precision with --exact).
// Returns the exit status of a usage error, said on `err`.
std::optional<int> read_options(int argc, char* argv[], Options& options, std::FILE* err);

// Says "lodthresh: MESSAGE" and "Try 'lodthresh --help'." on `err`; returns 2.
int usage_error(std::FILE* err, const std::string& message);

// The text of --help, with the table of designs from the threshold library.
std::string help_text();

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_OPTIONS_H
