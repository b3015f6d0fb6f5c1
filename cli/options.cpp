#include "cli/options.h"

#include <getopt.h>

#include <iterator>
#include <vector>

#include "table/shortest.h"
#include "threshold/design.h"

namespace lodthresh::cli {

namespace {

// Keys of the options without a short form, past every character.
enum LongOption : int {
    kBatch = 256,
    kDesign,
    kTail,
    kSpacing,
    kMap,
    kSimulate,
    kSeed,
    kThreads,
};

// Where --help lists an option.
enum class Section { calculation, designs };

// One option: its names, where its value or flag goes, and its help, whose
// lines after the first are continued below it.
struct OptionSpec {
    const char* name;
    int key;  // the short option's character, or a LongOption
    std::optional<std::string> Options::*value;
    bool Options::*flag;
    const char* argument;  // the value's name in --help; null for a flag
    Section section;
    const char* help;
};

constexpr OptionSpec kOptionSpecs[] = {
    {"length", 'G', &Options::length, nullptr, "MORGAN", Section::calculation,
     "genome length in Morgan (default 33)"},
    {"chromosomes", 'C', &Options::chromosomes, nullptr, "N", Section::calculation,
     "number of chromosomes (default 23)"},
    {"rate", 'r', &Options::rate, nullptr, "RHO", Section::calculation,
     "cross-over rate: a number or a mapping method\n(default 2)"},
    {"alpha", 'a', &Options::alpha, nullptr, "LEVEL", Section::calculation,
     "genome-wide level: a number between 0 and 1, or a\nlevel name (default 0.05)"},
    {"precision", 'e', &Options::precision, nullptr, "EPS", Section::calculation,
     "allowed |alpha_calc - alpha| of the bisection\n(default 1e-8)"},
    {"exact", 'x', nullptr, &Options::exact, nullptr, Section::calculation,
     "the exact method: the same equation solved in full\ndouble precision, without a "
     "precision"},
    {"format", 'f', &Options::format, nullptr, "FORMAT", Section::calculation,
     "text (default), tsv, csv or json"},
    {"batch", kBatch, &Options::batch, nullptr, "FILE", Section::calculation,
     "rows 'length chromosomes rate alpha [precision]',\none per line; blank and '#' lines are "
     "skipped"},
    {"help", 'h', nullptr, &Options::help, nullptr, Section::calculation,
     "show this help and exit"},
    {"version", 'V', nullptr, &Options::version, nullptr, Section::calculation,
     "show the version and exit"},
    {"design", kDesign, &Options::design, nullptr, "NAME", Section::designs,
     "study designs, each with its test and rate (below)"},
    {"tail", kTail, &Options::tail, nullptr, "TAIL", Section::designs,
     "the test of numeric rates (-r): one-sided\n(default), two-sided or 2df"},
    {"spacing", kSpacing, &Options::spacing, nullptr, "CM", Section::designs,
     "marker spacings in cM, 0 for a dense map (default 0)"},
    {"map", kMap, &Options::map, nullptr, "FILE", Section::designs,
     "a genetic map instead of -G, -C and --spacing:\nqtl2's gmap.csv (marker,chr,pos) or "
     "PLINK's .map"},
    {"simulate", kSimulate, &Options::simulate, nullptr, "N", Section::designs,
     "also simulate N null scans of each design and map:\nthe simulated threshold, and the "
     "actual genome-wide\nlevel of the formula's (needs --spacing or --map)"},
    {"seed", kSeed, &Options::seed, nullptr, "S", Section::designs,
     "the simulation's seed (default 20260101)"},
    {"threads", kThreads, &Options::threads, nullptr, "T", Section::designs,
     "the simulation's threads (default: every CPU)"},
};

constexpr char kHelpStart[] =
    "Usage: lodthresh [OPTION]...\n"
    "  or:  lodthresh --batch FILE [OPTION]...\n"
    "Significance thresholds of a genome-wide linkage scan after Lander and\n"
    "Kruglyak (Nature Genetics 1995): the nominal level, and the critical LOD\n"
    "scores for an infinitely dense map and for 10, 5, 2 and 1 cM maps. One row\n"
    "per combination of the option values, or per line of FILE ('-' for standard\n"
    "input). Without arguments, lodthresh asks for the values in a dialogue.\n"
    "\n";

constexpr char kHelpDesigns[] =
    "\n"
    "Designs, marker spacings and maps (Siegmund's discrete-marker correction;\n"
    "any of these four options selects them): one row per genome or map, design,\n"
    "level and spacing, with the nominal level of the design's own test.\n";

constexpr char kHelpLists[] =
    "\n"
    "-G, -C, -r, -a, -e, --design and --spacing take comma-separated lists; the\n"
    "later options vary faster. '-r all' is every mapping method (every design\n"
    "with the options above), '-a all' every level name.\n"
    "\n"
    "Mapping methods (cross-over rate): lod-score (1), sibs (2),\n"
    "  grandparent-grandchild (1), uncle-nephew (2.5), first-cousin (2.67),\n"
    "  first-cousin-once-removed (2.86), second-cousin (3.2).\n"
    "Levels: suggestive (1, one expected false positive per scan),\n"
    "  significant (0.05), highly-significant (0.001).\n"
    "\n"
    "Designs (test, cross-over rate):\n";

constexpr char kHelpEnd[] =
    "\n"
    "Exit status: 0 when every row has a result; 1 when a row has none, a batch\n"
    "line or map line is bad or the output cannot be written; 2 for a bad option\n"
    "or value, or a batch file or map that cannot be read.\n";

// The help's column of option texts.
constexpr std::size_t kHelpColumn = 27;

void append_option_help(const OptionSpec& spec, std::string& text) {
    std::string names = spec.key < kBatch ? std::string("  -") + static_cast<char>(spec.key) + ", "
                                          : std::string(6, ' ');
    names += std::string("--") + spec.name;
    if (spec.argument != nullptr) {
        names += std::string("=") + spec.argument;
    }
    names.resize(std::max(kHelpColumn, names.size() + 1), ' ');
    text += names;
    for (const char* c = spec.help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') {
            text.append(kHelpColumn, ' ');
        }
    }
    text += '\n';
}

const OptionSpec* find_spec(int key) {
    for (const OptionSpec& spec : kOptionSpecs) {
        if (spec.key == key) {
            return &spec;
        }
    }
    return nullptr;
}

// getopt_long's table and short options, from the option table.
struct GetoptTable {
    std::vector<option> longs;
    std::string shorts = ":";

    GetoptTable() {
        for (const OptionSpec& spec : kOptionSpecs) {
            const int has_arg = spec.value != nullptr ? required_argument : no_argument;
            longs.push_back({spec.name, has_arg, nullptr, spec.key});
            if (spec.key < kBatch) {
                shorts += static_cast<char>(spec.key);
                shorts += spec.value != nullptr ? ":" : "";
            }
        }
        longs.push_back({nullptr, 0, nullptr, 0});
    }
};

// The usage error of getopt's answer `c` for the word last read.
int unreadable_option(int c, const std::string& word, std::FILE* err) {
    if (c == ':') {
        return usage_error(err, long_name(optopt) + ": needs a value");
    }
    if (optopt != 0 && word.rfind("--", 0) == 0) {
        return usage_error(err, long_name(optopt) + ": takes no value");
    }
    if (optopt != 0) {
        return usage_error(
            err, "unrecognized option '-" + std::string(1, static_cast<char>(optopt)) + "'");
    }
    return usage_error(err, "unrecognized option '" + word + "'");
}

}  // namespace

std::optional<int> read_options(int argc, char* argv[], Options& options, std::FILE* err) {
    const GetoptTable table;
    // getopt_long keeps its place in the C library's optind: 0 starts afresh.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, table.shorts.c_str(), table.longs.data(), nullptr);
        if (c == -1) {
            break;
        }
        const OptionSpec* spec = find_spec(c);
        if (spec == nullptr) {
            return unreadable_option(c, argv[optind - 1], err);
        }
        if (spec->value != nullptr) {
            options.*(spec->value) = optarg;
        } else {
            options.*(spec->flag) = true;
        }
    }
    if (optind < argc) {
        return usage_error(err, std::string("unexpected argument '") + argv[optind] + "'");
    }
    if (options.batch) {
        if (const std::optional<int> status = refuse_given(
                options, {&Options::length, &Options::chromosomes, &Options::rate, &Options::alpha},
                "--batch, whose lines give it", err)) {
            return status;
        }
    }
    if (options.exact && options.precision) {
        return usage_error(err, "--precision: not with --exact, which uses none");
    }
    return std::nullopt;
}

std::string long_name(int key) {
    if (const OptionSpec* spec = find_spec(key)) {
        return std::string("--") + spec->name;
    }
    return "-" + std::string(1, static_cast<char>(key));
}

std::string long_name(OptionMember member) {
    for (const OptionSpec& spec : kOptionSpecs) {
        if (spec.value == member) {
            return std::string("--") + spec.name;
        }
    }
    return "";
}

std::optional<int> refuse_given(const Options& options, std::initializer_list<OptionMember> members,
                                const char* reason, std::FILE* err) {
    for (const OptionMember member : members) {
        if (options.*member) {
            return usage_error(err, long_name(member) + ": not with " + reason);
        }
    }
    return std::nullopt;
}

int usage_error(std::FILE* err, const std::string& message) {
    std::fprintf(err, "lodthresh: %s\nTry 'lodthresh --help'.\n", message.c_str());
    return 2;
}

std::string help_text() {
    std::string text = kHelpStart;
    for (const Section section : {Section::calculation, Section::designs}) {
        text += section == Section::designs ? kHelpDesigns : "";
        for (const OptionSpec& spec : kOptionSpecs) {
            if (spec.section == section) {
                append_option_help(spec, text);
            }
        }
    }
    text += kHelpLists;
    for (const Design& design : designs()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-25s %-9s %-4s %s\n", design.name,
                      tail_name(design.tail), table::shortest(design.rate).c_str(), design.meaning);
        text += line;
    }
    return text + kHelpEnd;
}

}  // namespace lodthresh::cli
