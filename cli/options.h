// The options of the command line as given, before their values are checked,
// and its help: one table of options serves getopt, the messages and --help.
#ifndef LODTHRESH_CLI_OPTIONS_H
#define LODTHRESH_CLI_OPTIONS_H

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>

namespace lodthresh::cli {

struct Options {
    std::optional<std::string> length, chromosomes, rate, alpha, precision;
    // The designs mode: designs, tails, marker spacings and maps.
    std::optional<std::string> design, tail, spacing, map;
    // Its simulation of the null scan.
    std::optional<std::string> simulate, seed, threads;
    std::optional<std::string> format, batch;
    bool exact = false;
    bool help = false;
    bool version = false;

    // Whether the rows are those of the designs mode.
    bool designs_mode() const { return design || tail || spacing || map; }
    // The batch, when given, is standard input.
    bool batch_from_input() const { return batch && *batch == "-"; }
};

// Reads the arguments (argv[0] is the program's name; GNU getopt_long reorders
// the rest) into `options` and checks the combinations that no mode takes
// (--batch with a value that its lines give, --precision with --exact).
// Returns the exit status of a usage error, said on `err`.
std::optional<int> read_options(int argc, char* argv[], Options& options, std::FILE* err);

// Where an option's value is.
using OptionMember = std::optional<std::string> Options::*;

// "--length" for 'G', or for the option whose value is in `member`.
std::string long_name(int key);
std::string long_name(OptionMember member);

// A usage error "--NAME: not with REASON" for the first of `members` given,
// said on `err`; none when no such option is given.
std::optional<int> refuse_given(const Options& options, std::initializer_list<OptionMember> members,
                                const char* reason, std::FILE* err);

// Says "lodthresh: MESSAGE" and "Try 'lodthresh --help'." on `err`; returns 2.
int usage_error(std::FILE* err, const std::string& message);

// The text of --help, with the table of designs from the threshold library.
std::string help_text();

}  // namespace lodthresh::cli

#endif  // LODTHRESH_CLI_OPTIONS_H
