// The standard mode of the command line: Lander and Kruglyak's dense-map
// thresholds by the standard or the exact method, one row per combination of
// the option values or per batch line.
#ifndef LODTHRESH_CLI_STANDARD_H
#define LODTHRESH_CLI_STANDARD_H

#include <cstdio>

#include "cli/io.h"
#include "cli/options.h"

namespace lodthresh::cli {

// Checks the options of this mode, computes their rows into `output` and says
// what went wrong on `err`. Returns the exit status as run() does.
int run_standard(const Options& options, int in, RowOutput& output, std::FILE* err);

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_STANDARD_H
