// The options of a request as text gives them, before their values are
// checked: the command line's arguments, the page's fields and the packages'
// arguments are all this one table of options, so that each option, its
// check, its default and its message exist once.
#ifndef LODTHRESH_TABLE_OPTIONS_H
#define LODTHRESH_TABLE_OPTIONS_H

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>

namespace lodthresh::table {

struct Options {
    std::optional<std::string> length, chromosomes, rate, alpha, precision;
    // The designs mode: designs, tails, marker spacings and maps.
    std::optional<std::string> design, tail, spacing, map, omit_chromosomes;
    // Peaks' LOD scores, whose genome-wide p-values are asked for instead.
    std::optional<std::string> lod;
    // A cross's individuals: thresholds of regression LOD scores on n of them.
    std::optional<std::string> individuals;
    // Where the scan evaluates the statistic: at the markers, or between them
    // too (interval mapping), there every `step` cM or at every point.
    std::optional<std::string> scan, step;
    // Power rows of a planned scan: the QTL's share of the trait's variance,
    // its dominance ratio d/a, its noncentrality, and a power to reach by the
    // number of individuals, the share or the noncentrality.
    std::optional<std::string> pve, dominance, noncentrality, target_power;
    // Its simulation of the null scan.
    std::optional<std::string> simulate, seed, threads;
    // The command line's own: the output's format and a batch of rows.
    std::optional<std::string> format, batch;
    bool exact = false;
    bool help = false;
    bool version = false;

    // Whether the rows are those of the designs mode.
    bool designs_mode() const {
        return design || tail || spacing || map || simulate || seed || threads;
    }
    // Whether the rows are power rows.
    bool power_rows() const { return pve || noncentrality || target_power; }
    // The batch, when given, is standard input.
    bool batch_from_input() const { return batch && *batch == "-"; }
};

// Where an option's value is, or its flag.
using OptionMember = std::optional<std::string> Options::*;
using FlagMember = bool Options::*;

// Where --help lists an option.
enum class Section : char { calculation, designs };

// One option: its long name, its short one (0 for none), its section of
// --help, where its value or flag goes, and its help, whose lines after the
// first are continued below it.
struct OptionEntry {
    const char* name;
    char short_name;
    Section section;
    OptionMember value;    // null for a flag
    FlagMember flag;       // null for an option with a value
    const char* argument;  // the value's name in --help; null for a flag
    const char* help;
};

// Every option, in the order of --help within each section.
const OptionEntry* option_entries();
std::size_t option_count();

// The option of that long name ("length"), or null.
const OptionEntry* find_option(const std::string& name);

// "length" and "--length" for the option whose value is in `member`.
const char* name_of(OptionMember member);
std::string long_name(OptionMember member);

// A refused value or combination: the option's long name ("length") and the
// text the command line prints after "lodthresh: " ("--length: '-3' is not
// above 0").
struct OptionError {
    const char* option;
    std::string message;
};

// "--NAME: not with REASON" for the first of `members` given, or none.
std::optional<std::string> refused_with(const Options& options,
                                        std::initializer_list<OptionMember> members,
                                        const char* reason);

// The combinations that no mode takes: with a batch, the values its lines
// give; --precision with --exact. The message, or none.
std::optional<std::string> refused_combination(const Options& options);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_OPTIONS_H
