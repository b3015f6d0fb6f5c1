// The program's whole interactive run.
#ifndef LODTHRESH_CONSOLE_DRIVER_H
#define LODTHRESH_CONSOLE_DRIVER_H

#include <cstdio>

namespace lodthresh {

// Name of the results file, in the current directory.
constexpr char kResultsFileName[] = "veskLOD.res";

// Runs one session: banner, save-mode question, then calculations until the
// answer 'e' or the end of the input. Reads `in`, writes the dialogue and the
// results to `out` and reports a results file that cannot be written to `err`.
// With saving on, appends to the file at `results_path`. Returns the exit
// status, 0.
int run(std::FILE* in, std::FILE* out, std::FILE* err, const char* results_path);

}  // namespace lodthresh

#endif  // LODTHRESH_CONSOLE_DRIVER_H
