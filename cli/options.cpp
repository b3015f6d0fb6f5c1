#include "cli/options.h"

#include <getopt.h>

#include <iterator>
#include <vector>

#include "table/shortest.h"
#include "threshold/design.h"

namespace lodthresh::cli {

namespace {

using table::OptionEntry;
using table::Section;

// getopt's key of an option: its short name, or past every character.
constexpr int kFirstLongKey = 256;

int key_of(std::size_t index) {
    const OptionEntry& entry = table::option_entries()[index];
    return entry.short_name != 0 ? entry.short_name : kFirstLongKey + static_cast<int>(index);
}

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

void append_option_help(const OptionEntry& entry, std::string& text) {
    std::string names =
        entry.short_name != 0 ? std::string("  -") + entry.short_name + ", " : std::string(6, ' ');
    names += std::string("--") + entry.name;
    if (entry.argument != nullptr) {
        names += std::string("=") + entry.argument;
    }
    names.resize(std::max(kHelpColumn, names.size() + 1), ' ');
    text += names;
    for (const char* c = entry.help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') {
            text.append(kHelpColumn, ' ');
        }
    }
    text += '\n';
}

const OptionEntry* find_spec(int key) {
    for (std::size_t i = 0; i < table::option_count(); ++i) {
        if (key_of(i) == key) {
            return &table::option_entries()[i];
        }
    }
    return nullptr;
}

// "--length" for getopt's key of an option, "-k" for an unknown one.
std::string long_name(int key) {
    if (const OptionEntry* entry = find_spec(key)) {
        return std::string("--") + entry->name;
    }
    return "-" + std::string(1, static_cast<char>(key));
}

// getopt_long's table and short options, from the option table.
struct GetoptTable {
    std::vector<option> longs;
    std::string shorts = ":";

    GetoptTable() {
        for (std::size_t i = 0; i < table::option_count(); ++i) {
            const OptionEntry& entry = table::option_entries()[i];
            const int has_arg = entry.value != nullptr ? required_argument : no_argument;
            longs.push_back({entry.name, has_arg, nullptr, key_of(i)});
            if (entry.short_name != 0) {
                shorts += entry.short_name;
                shorts += entry.value != nullptr ? ":" : "";
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
        const OptionEntry* entry = find_spec(c);
        if (entry == nullptr) {
            return unreadable_option(c, argv[optind - 1], err);
        }
        if (entry->value != nullptr) {
            options.*(entry->value) = optarg;
        } else {
            options.*(entry->flag) = true;
        }
    }
    if (optind < argc) {
        return usage_error(err, std::string("unexpected argument '") + argv[optind] + "'");
    }
    if (const std::optional<std::string> refused = table::refused_combination(options)) {
        return usage_error(err, *refused);
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
        for (std::size_t i = 0; i < table::option_count(); ++i) {
            if (table::option_entries()[i].section == section) {
                append_option_help(table::option_entries()[i], text);
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
