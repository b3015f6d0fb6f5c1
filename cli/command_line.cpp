#include "cli/command_line.h"

#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/designs.h"
#include "cli/io.h"
#include "cli/options.h"
#include "cli/simulation_run.h"
#include "numerics/numerics.h"
#include "table/format.h"
#include "table/shortest.h"
#include "table/values.h"
#include "threshold/design.h"
#include "threshold/threshold.h"

namespace lodthresh::cli {

namespace {

// The values and rows of the command line are the page's too.
using namespace table;

constexpr char kHelpOptions[] =
    "Usage: lodthresh [OPTION]...\n"
    "  or:  lodthresh --batch FILE [OPTION]...\n"
    "Significance thresholds of a genome-wide linkage scan after Lander and\n"
    "Kruglyak (Nature Genetics 1995): the nominal level, and the critical LOD\n"
    "scores for an infinitely dense map and for 10, 5, 2 and 1 cM maps. One row\n"
    "per combination of the option values, or per line of FILE ('-' for standard\n"
    "input). Without arguments, lodthresh asks for the values in a dialogue.\n"
    "\n"
    "  -G, --length=MORGAN      genome length in Morgan (default 33)\n"
    "  -C, --chromosomes=N      number of chromosomes (default 23)\n"
    "  -r, --rate=RHO           cross-over rate: a number or a mapping method\n"
    "                           (default 2)\n"
    "  -a, --alpha=LEVEL        genome-wide level: a number between 0 and 1, or a\n"
    "                           level name (default 0.05)\n"
    "  -e, --precision=EPS      allowed |alpha_calc - alpha| of the bisection\n"
    "                           (default 1e-8)\n"
    "  -x, --exact              the exact method: the same equation solved in full\n"
    "                           double precision, without a precision\n"
    "  -f, --format=FORMAT      text (default), tsv, csv or json\n"
    "      --batch=FILE         rows 'length chromosomes rate alpha [precision]',\n"
    "                           one per line; blank and '#' lines are skipped\n"
    "  -h, --help               show this help and exit\n"
    "  -V, --version            show the version and exit\n"
    "\n"
    "Designs, marker spacings and maps (Siegmund's discrete-marker correction;\n"
    "any of these four options selects them): one row per genome or map, design,\n"
    "level and spacing, with the nominal level of the design's own test.\n"
    "      --design=NAME        study designs, each with its test and rate (below)\n"
    "      --tail=TAIL          the test of numeric rates (-r): one-sided\n"
    "                           (default), two-sided or 2df\n"
    "      --spacing=CM         marker spacings in cM, 0 for a dense map (default 0)\n"
    "      --map=FILE           a genetic map instead of -G, -C and --spacing:\n"
    "                           qtl2's gmap.csv (marker,chr,pos) or PLINK's .map\n"
    "      --simulate=N         also simulate N null scans of each design and map:\n"
    "                           the simulated threshold, and the actual genome-wide\n"
    "                           level of the formula's (needs --spacing or --map)\n"
    "      --seed=S             the simulation's seed (default 20260101)\n"
    "      --threads=T          the simulation's threads (default: every CPU)\n"
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

// The help, with the table of designs from the threshold library.
std::string help_text() {
    std::string text = kHelpOptions;
    for (const Design& design : designs()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-25s %-9s %-4s %s\n", design.name,
                      tail_name(design.tail), shortest(design.rate).c_str(), design.meaning);
        text += line;
    }
    return text + kHelpEnd;
}

constexpr option kOptions[] = {
    {"length", required_argument, nullptr, 'G'},
    {"chromosomes", required_argument, nullptr, 'C'},
    {"rate", required_argument, nullptr, 'r'},
    {"alpha", required_argument, nullptr, 'a'},
    {"precision", required_argument, nullptr, 'e'},
    {"exact", no_argument, nullptr, 'x'},
    {"format", required_argument, nullptr, 'f'},
    {"batch", required_argument, nullptr, kBatchOption},
    {"design", required_argument, nullptr, kDesignOption},
    {"tail", required_argument, nullptr, kTailOption},
    {"spacing", required_argument, nullptr, kSpacingOption},
    {"map", required_argument, nullptr, kMapOption},
    {"simulate", required_argument, nullptr, kSimulateOption},
    {"seed", required_argument, nullptr, kSeedOption},
    {"threads", required_argument, nullptr, kThreadsOption},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Reads the options into `options`; returns the exit status of a usage error.
std::optional<int> read_options(int argc, char* argv[], Options& options, std::FILE* err) {
    // getopt_long keeps its place in the C library's optind: 0 starts afresh.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, ":G:C:r:a:e:xf:hV", kOptions, nullptr);
        if (c == -1) {
            break;
        }
        switch (c) {
            case 'G':
                options.length = optarg;
                break;
            case 'C':
                options.chromosomes = optarg;
                break;
            case 'r':
                options.rate = optarg;
                break;
            case 'a':
                options.alpha = optarg;
                break;
            case 'e':
                options.precision = optarg;
                break;
            case 'x':
                options.exact = true;
                break;
            case 'f':
                options.format = optarg;
                break;
            case kBatchOption:
                options.batch = optarg;
                break;
            case kDesignOption:
                options.design = optarg;
                break;
            case kTailOption:
                options.tail = optarg;
                break;
            case kSpacingOption:
                options.spacing = optarg;
                break;
            case kMapOption:
                options.map = optarg;
                break;
            case kSimulateOption:
                options.simulate = optarg;
                break;
            case kSeedOption:
                options.seed = optarg;
                break;
            case kThreadsOption:
                options.threads = optarg;
                break;
            case 'h':
                options.help = true;
                break;
            case 'V':
                options.version = true;
                break;
            case ':':
                return usage_error(err, long_name(optopt) + ": needs a value");
            default: {
                const std::string word = argv[optind - 1];
                if (optopt != 0 && word.rfind("--", 0) == 0) {
                    return usage_error(err, long_name(optopt) + ": takes no value");
                }
                if (optopt != 0) {
                    return usage_error(err, "unrecognized option '-" +
                                                std::string(1, static_cast<char>(optopt)) + "'");
                }
                return usage_error(err, "unrecognized option '" + word + "'");
            }
        }
    }
    if (optind < argc) {
        return usage_error(err, std::string("unexpected argument '") + argv[optind] + "'");
    }
    if (options.batch != nullptr) {
        const std::pair<const std::optional<std::string>&, int> per_line[] = {
            {options.length, 'G'},
            {options.chromosomes, 'C'},
            {options.rate, 'r'},
            {options.alpha, 'a'}};
        for (const auto& [value, name] : per_line) {
            if (value) {
                return usage_error(err,
                                   long_name(name) + ": not with --batch, whose lines give it");
            }
        }
    }
    if (options.exact && options.precision) {
        return usage_error(err, "--precision: not with --exact, which uses none");
    }
    return std::nullopt;
}

// The numerics library writes its two-line message to std::cerr. For the time
// of one calculation std::cerr writes into `buffer` instead, so that the
// message can be passed on to the error stream after the rows before it.
class CerrRedirect {
  public:
    explicit CerrRedirect(std::streambuf* buffer) : saved_(std::cerr.rdbuf(buffer)) {}
    ~CerrRedirect() { std::cerr.rdbuf(saved_); }
    CerrRedirect(const CerrRedirect&) = delete;
    CerrRedirect& operator=(const CerrRedirect&) = delete;

  private:
    std::streambuf* saved_;
};

Status solve(const ThresholdParameters& parameters, bool exact, ThresholdResult& result) {
    try {
        result = exact ? compute_thresholds_exact(parameters) : compute_thresholds(parameters);
    } catch (const PrecisionNotReached&) {
        return Status::precision_not_reached;
    } catch (const NoSolution&) {
        return Status::no_solution;
    } catch (const Numerics_1_1::Exception&) {
        return Status::calculation_failed;
    } catch (const std::exception&) {
        return Status::calculation_failed;  // NominalLevelOutOfRange, say
    }
    const double values[] = {result.nominal_alpha, result.lod_dense, result.lod_10cm,
                             result.lod_5cm,       result.lod_2cm,   result.lod_1cm};
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return Status::calculation_failed;
        }
    }
    return Status::ok;
}

// Computes rows and writes them; says on the error stream what went wrong,
// after the rows written before it.
class Runner {
  public:
    Runner(Format format, bool exact, RowOutput& out, std::FILE* err)
        : format_(format), exact_(exact), out_(out), err_(err) {}

    void calculate(const ThresholdParameters& parameters, const char* mapping) {
        Row row{parameters, mapping, exact_, Status::ok, ThresholdResult{}};
        {
            const CerrRedirect redirect(&diagnostics_);
            row.status = solve(parameters, exact_, row.result);
        }
        if (diagnostics_.in_avail() > 0) {
            out_.flush();
            std::fputs(diagnostics_.str().c_str(), err_);
            diagnostics_.str("");
        }
        any_without_result_ = any_without_result_ || row.status != Status::ok;
        text_.clear();
        append_row(format_, row, rows_++, text_);
        out_.add(text_);
    }

    void report(const std::string& message) {
        out_.flush();
        std::fprintf(err_, "lodthresh: %s\n", message.c_str());
    }

    void begin() {
        text_.clear();
        append_header(format_, text_);
        out_.add(text_);
    }
    void end() {
        text_.clear();
        append_footer(format_, rows_, text_);
        out_.add(text_);
    }

    bool any_without_result() const { return any_without_result_; }
    // Once the output has failed, no further row can reach it.
    bool stopped() const { return out_.error() != 0; }

  private:
    Format format_;
    bool exact_;
    RowOutput& out_;
    std::FILE* err_;
    std::stringbuf diagnostics_;
    std::string text_;
    std::size_t rows_ = 0;
    bool any_without_result_ = false;
};

// The option lists of a run without --batch, checked.
struct Lists {
    std::vector<double> lengths, chromosomes, alphas, precisions;
    std::vector<Rate> rates;
};

// The text of an option, or of the default value of its field.
std::string given_or(const std::optional<std::string>& option, double default_value) {
    return option ? *option : shortest(default_value);
}

std::optional<int> read_lists(const Options& options, Lists& lists, std::FILE* err) {
    const ThresholdParameters defaults;
    const std::pair<int, std::string> errors[] = {
        {'G', parse_lengths(given_or(options.length, defaults.genome_length), &lists.lengths)},
        {'C', parse_chromosome_list(given_or(options.chromosomes, defaults.chromosomes),
                                    &lists.chromosomes)},
        {'r', parse_rates(given_or(options.rate, defaults.crossover_rate), &lists.rates)},
        {'a', parse_alphas(given_or(options.alpha, defaults.significance), &lists.alphas)},
        {'e', parse_precisions(given_or(options.precision, defaults.precision), &lists.precisions)},
    };
    for (const auto& [name, error] : errors) {
        if (!error.empty()) {
            return usage_error(err, long_name(name) + ": " + error);
        }
    }
    if (options.exact) {
        lists.precisions = {0.0};  // not used
        return std::nullopt;
    }
    for (const double precision : lists.precisions) {
        for (const double alpha : lists.alphas) {
            const std::string error = check_precision_below(precision, alpha);
            if (!error.empty()) {
                return usage_error(
                    err, "--precision: " + error + (options.precision ? "" : " (the default)"));
            }
        }
    }
    return std::nullopt;
}

void run_lists(const Lists& lists, Runner& runner) {
    for (const double length : lists.lengths) {
        for (const double chromosomes : lists.chromosomes) {
            for (const Rate& rate : lists.rates) {
                for (const double alpha : lists.alphas) {
                    for (const double precision : lists.precisions) {
                        if (runner.stopped()) {
                            return;
                        }
                        runner.calculate(
                            ThresholdParameters{length, chromosomes, rate.value, alpha, precision},
                            rate.mapping);
                    }
                }
            }
        }
    }
}

// How the lines of a batch are read.
struct BatchRules {
    double default_precision;  // for lines without one
    bool exact;                // the exact method, which does not use the precision
};

// One line of a batch: "" and the row's values, or why the line gives no row.
// `fields` is the caller's, so that its storage serves every line.
std::string read_batch_line(const std::string& line, const BatchRules& rules,
                            std::vector<std::string>& fields, ThresholdParameters& parameters,
                            Rate& rate) {
    split_fields(line, fields);
    if (fields.size() != 4 && fields.size() != 5) {
        return "expected 4 or 5 fields (length chromosomes rate alpha [precision]), found " +
               std::to_string(fields.size());
    }
    parameters.precision = rules.default_precision;
    const std::pair<const char*, std::string> errors[] = {
        {"length", parse_length(fields[0], &parameters.genome_length)},
        {"chromosomes", parse_chromosomes(fields[1], &parameters.chromosomes)},
        {"rate", parse_rate(fields[2], &rate)},
        {"alpha", parse_alpha(fields[3], &parameters.significance)},
        {"precision", fields.size() == 5 ? parse_precision(fields[4], &parameters.precision) : ""},
    };
    for (const auto& [name, error] : errors) {
        if (!error.empty()) {
            return name + (": " + error);
        }
    }
    parameters.crossover_rate = rate.value;
    if (rules.exact) {
        return "";  // a precision field is still a number, so that one file serves both methods
    }
    const std::string error = check_precision_below(parameters.precision, parameters.significance);
    return error.empty() ? "" : "precision: " + error;
}

// The rows of a batch from `fd`, named `name` in messages.
BatchOutcome run_batch(int fd, const std::string& name, const BatchRules& rules, RowOutput& out,
                       Runner& runner) {
    std::vector<std::string> fields;
    return read_batch(
        fd, name, out, [&] { return runner.stopped(); },
        [&](const std::string& line) {
            ThresholdParameters parameters;
            Rate rate{};
            std::string error = read_batch_line(line, rules, fields, parameters, rate);
            if (error.empty()) {
                runner.calculate(parameters, rate.mapping);
            }
            return error;
        },
        [&](const std::string& message) { runner.report(message); });
}

// The rows that the options ask for, into `output`. Returns the exit status,
// before the end of the output is known.
int calculate_rows(const Options& options, int in, RowOutput& output, std::FILE* err) {
    Format format = Format::text;
    if (const std::string error = table::parse_format(options.format, &format); !error.empty()) {
        return usage_error(err, "--format: " + error);
    }
    Lists lists;
    double default_precision = ThresholdParameters{}.precision;
    if (options.batch == nullptr) {
        if (const std::optional<int> status = read_lists(options, lists, err)) {
            return *status;
        }
    } else if (const std::string error = parse_precision(
                   given_or(options.precision, default_precision), &default_precision);
               !error.empty()) {
        return usage_error(err, "--precision: " + error);
    }
    const bool from_input = options.batch != nullptr && std::strcmp(options.batch, "-") == 0;
    const int batch = options.batch == nullptr || from_input ? in : open_input(options.batch, err);
    if (batch < 0) {
        return 2;
    }

    Runner runner(format, options.exact, output, err);
    runner.begin();
    BatchOutcome outcome{true, false};
    if (options.batch == nullptr) {
        run_lists(lists, runner);
    } else {
        outcome = run_batch(batch, from_input ? "(standard input)" : options.batch,
                            BatchRules{default_precision, options.exact}, output, runner);
        if (!from_input) {
            close(batch);
        }
    }
    runner.end();
    if (outcome.unreadable) {
        return 2;
    }
    return outcome.all_good && !runner.any_without_result() ? 0 : 1;
}

}  // namespace

std::string long_name(int value) {
    for (const option& o : kOptions) {
        if (o.val == value && o.name != nullptr) {
            return std::string("--") + o.name;
        }
    }
    return "-" + std::string(1, static_cast<char>(value));
}

int usage_error(std::FILE* err, const std::string& message) {
    std::fprintf(err, "lodthresh: %s\nTry 'lodthresh --help'.\n", message.c_str());
    return 2;
}

int run(int argc, char* argv[], int in, int out, std::FILE* err) {
    Options options;
    if (const std::optional<int> status = read_options(argc, argv, options, err)) {
        return *status;
    }
    RowOutput output(out);
    int status = 0;
    if (options.help || options.version) {
        output.add(options.help ? help_text() : "lodthresh " LODTHRESH_VERSION "\n");
    } else if (options.designs_mode() || options.simulate || options.seed || options.threads) {
        status = run_designs(options, in, output, err);
    } else {
        status = calculate_rows(options, in, output, err);
    }
    if (!output.flush()) {
        std::fprintf(err, "lodthresh: standard output: %s\n", std::strerror(output.error()));
        return status == 2 ? 2 : 1;
    }
    if (status == kInterrupted) {
        std::fputs("lodthresh: interrupted\n", err);
        std::fflush(err);
        InterruptWatch::end_by_signal();
    }
    return status;
}

}  // namespace lodthresh::cli
