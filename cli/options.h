// The options of the command line as given, before their values are checked.
#ifndef LODTHRESH_CLI_OPTIONS_H
#define LODTHRESH_CLI_OPTIONS_H

#include <cstdio>
#include <optional>
#include <string>

namespace lodthresh::cli {

struct Options {
    std::optional<std::string> length, chromosomes, rate, alpha, precision;
    // The designs mode: designs, tails, marker spacings and maps.
    std::optional<std::string> design, tail, spacing, map;
    // Its simulation of the null scan.
    std::optional<std::string> simulate, seed, threads;
    std::string format = "text";
    const char* batch = nullptr;
    bool exact = false;
    bool help = false;
    bool version = false;

    // Whether the rows are those of the designs mode.
    bool designs_mode() const { return design || tail || spacing || map; }
};

// Identifiers of the options without a short form.
enum LongOption : int {
    kBatchOption = 256,
    kDesignOption,
    kTailOption,
    kSpacingOption,
    kMapOption,
    kSimulateOption,
    kSeedOption,
    kThreadsOption,
};

// "--length" for 'G'.
std::string long_name(int value);

// Says "lodthresh: MESSAGE" and "Try 'lodthresh --help'." on `err`; returns 2.
int usage_error(std::FILE* err, const std::string& message);

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_OPTIONS_H
