// The designs mode of the command line: thresholds by study design, marker
// spacing or genetic map, and their simulation.
#ifndef LODTHRESH_CLI_DESIGNS_H
#define LODTHRESH_CLI_DESIGNS_H

#include <cstdio>

#include "cli/io.h"
#include "cli/options.h"

namespace lodthresh::cli {

// Checks the options of this mode, computes their rows into `output` and says
// what went wrong on `err`. Returns the exit status as run() does, or
// kInterrupted (cli/runner.h).
int run_designs(const Options& options, int in, RowOutput& output, std::FILE* err);

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_DESIGNS_H
