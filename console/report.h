// The results report: the results block on the console and the blocks of the
// results file "veskLOD.res".
#ifndef LODTHRESH_CONSOLE_REPORT_H
#define LODTHRESH_CONSOLE_REPORT_H

#include <cstdio>
#include <string>

#include "threshold/threshold.h"

namespace lodthresh {

// The results file, appended to block by block: each block opens the file in
// append mode and closes it again, so no handle outlives a block. A block that
// cannot be written whole is reported on the error stream in one line and
// taken out of the file again, so that the file holds only whole blocks. The
// console output is flushed before that line, so that the line follows what
// the console shows before it, in one merged stream too.
class ResultsFile {
  public:
    ResultsFile(const char* path, std::FILE* console, std::FILE* err)
        : path_(path), console_(console), err_(err) {}

    // Returns whether the whole block reached the file.
    bool append(const std::string& block) const;

  private:
    const char* path_;
    std::FILE* console_;
    std::FILE* err_;
};

// The closing line of a calculation, on the console and in the file.
constexpr char kClosingLine[] = "\n\n*********************************************************\n\n";

// The parameters as accepted, written before the search starts.
void append_parameter_echo(const ResultsFile& file, const ThresholdParameters& parameters);
// The console results block.
void print_results(std::FILE* out, const ThresholdResult& result);
// The file results block, closed by the asterisk line.
void append_results(const ResultsFile& file, const ThresholdResult& result);

}  // namespace lodthresh

#endif  // LODTHRESH_CONSOLE_REPORT_H
