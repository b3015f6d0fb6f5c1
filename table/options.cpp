#include "table/options.h"

#include <cstring>
#include <iterator>

namespace lodthresh::table {

namespace {

constexpr OptionEntry kOptionEntries[] = {
    {"length", 'G', Section::calculation, &Options::length, nullptr, "MORGAN",
     "genome length in Morgan (default 33)"},
    {"chromosomes", 'C', Section::calculation, &Options::chromosomes, nullptr, "N",
     "number of chromosomes (default 23)"},
    {"rate", 'r', Section::calculation, &Options::rate, nullptr, "RHO",
     "cross-over rate: a number or a mapping method\n(default 2)"},
    {"alpha", 'a', Section::calculation, &Options::alpha, nullptr, "LEVEL",
     "genome-wide level: a number between 0 and 1, or a\nlevel name (default 0.05)"},
    {"precision", 'e', Section::calculation, &Options::precision, nullptr, "EPS",
     "allowed |alpha_calc - alpha| of the bisection\n(default 1e-8)"},
    {"exact", 'x', Section::calculation, nullptr, &Options::exact, nullptr,
     "the exact method: the same equation solved in full\ndouble precision, without a "
     "precision"},
    {"format", 'f', Section::calculation, &Options::format, nullptr, "FORMAT",
     "text (default), tsv, csv or json"},
    {"batch", 0, Section::calculation, &Options::batch, nullptr, "FILE",
     "rows 'length chromosomes rate alpha [precision]',\none per line; blank and '#' lines are "
     "skipped"},
    {"help", 'h', Section::calculation, nullptr, &Options::help, nullptr,
     "show this help and exit"},
    {"version", 'V', Section::calculation, nullptr, &Options::version, nullptr,
     "show the version and exit"},
    {"design", 0, Section::designs, &Options::design, nullptr, "NAME",
     "study designs, each with its test and rate (below)"},
    {"tail", 0, Section::designs, &Options::tail, nullptr, "TAIL",
     "the test of numeric rates (-r): one-sided\n(default), two-sided or 2df"},
    {"spacing", 0, Section::designs, &Options::spacing, nullptr, "CM",
     "marker spacings in cM, 0 for a dense map (default 0)"},
    {"map", 0, Section::designs, &Options::map, nullptr, "FILE",
     "a genetic map instead of -G, -C and --spacing:\nqtl2's gmap.csv, R/qtl's csv or csvr, "
     "PLINK's .map,\nor three columns marker chr pos"},
    {"omit-chromosomes", 0, Section::designs, &Options::omit_chromosomes, nullptr, "C",
     "chromosomes of the map to leave out; X is always\nleft out (its test differs)"},
    {"lod", 0, Section::designs, &Options::lod, nullptr, "L",
     "LOD scores of peaks: their genome-wide p-values\ninstead of thresholds (not with -a)"},
    {"individuals", 0, Section::designs, &Options::individuals, nullptr, "N",
     "individuals of a cross: the thresholds of its\nregression LOD scores (two-sided and 2df "
     "tests)"},
    {"scan", 0, Section::designs, &Options::scan, nullptr, "SCAN",
     "markers (default): the statistic at the markers;\ninterval: also between them, as "
     "interval mapping\n(Haley-Knott, EM) scans the genotyped markers"},
    {"step", 0, Section::designs, &Options::step, nullptr, "CM",
     "with --scan interval: pseudomarkers every CM cM\nfrom each chromosome's first marker "
     "(R/qtl's\nstep); default every point between markers"},
    {"pve", 0, Section::designs, &Options::pve, nullptr, "H",
     "power rows: the share of the trait's variance that\na QTL explains (0 < H < 1; crosses, "
     "with\n--individuals or --target-power)"},
    {"dominance", 0, Section::designs, &Options::dominance, nullptr, "K",
     "with power rows of intercross designs: the QTL's\ndominance ratio d/a (default 0)"},
    {"noncentrality", 0, Section::designs, &Options::noncentrality, nullptr, "X",
     "power rows: the QTL's noncentrality xi > 0 (its\nstatistic's mean at the QTL), any "
     "design"},
    {"target-power", 0, Section::designs, &Options::target_power, nullptr, "P",
     "power rows: the individuals (with --pve), the\nshare of variance (with --individuals) or "
     "the\nnoncentrality that reach power P (0 < P < 1)"},
    {"simulate", 0, Section::designs, &Options::simulate, nullptr, "N",
     "also simulate N null scans of each design and map:\nthe simulated threshold, and the "
     "actual genome-wide\nlevel of the formula's (N at least 100)"},
    {"seed", 0, Section::designs, &Options::seed, nullptr, "S",
     "the simulation's seed (default 20260101)"},
    {"threads", 0, Section::designs, &Options::threads, nullptr, "T",
     "the simulation's threads (default: every CPU)"},
};

}  // namespace

const OptionEntry* option_entries() {
    return kOptionEntries;
}

std::size_t option_count() {
    return std::size(kOptionEntries);
}

const OptionEntry* find_option(const std::string& name) {
    for (const OptionEntry& entry : kOptionEntries) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

const char* name_of(OptionMember member) {
    for (const OptionEntry& entry : kOptionEntries) {
        if (entry.value == member) {
            return entry.name;
        }
    }
    return "";
}

std::string long_name(OptionMember member) {
    return std::string("--") + name_of(member);
}

std::optional<std::string> refused_with(const Options& options,
                                        std::initializer_list<OptionMember> members,
                                        const char* reason) {
    for (const OptionMember member : members) {
        if (options.*member) {
            return long_name(member) + ": not with " + reason;
        }
    }
    return std::nullopt;
}

std::optional<std::string> refused_combination(const Options& options) {
    if (options.batch) {
        if (std::optional<std::string> refused = refused_with(
                options, {&Options::length, &Options::chromosomes, &Options::rate, &Options::alpha},
                "--batch, whose lines give it")) {
            return refused;
        }
    }
    if (options.lod && !options.designs_mode()) {
        return "--lod: only with --design, --tail, --spacing or --map";
    }
    if (options.individuals && !options.designs_mode()) {
        return "--individuals: only with --design, --tail, --spacing or --map";
    }
    if (options.scan && !options.designs_mode()) {
        return "--scan: only with --design, --tail, --spacing or --map";
    }
    for (const OptionMember member :
         {&Options::pve, &Options::dominance, &Options::noncentrality, &Options::target_power}) {
        if (options.*member && !options.designs_mode()) {
            return long_name(member) + ": only with --design, --tail, --spacing or --map";
        }
    }
    if (options.step && !(options.scan && *options.scan == "interval")) {
        return "--step: only with --scan interval";
    }
    if (options.exact && options.precision) {
        return "--precision: not with --exact, which uses none";
    }
    return std::nullopt;
}

}  // namespace lodthresh::table
