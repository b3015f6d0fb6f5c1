#include "cli/standard.h"

#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/runner.h"
#include "table/standard_rows.h"
#include "table/values.h"
#include "threshold/threshold.h"

namespace lodthresh::cli {

namespace {

// The values and rows of the command line are the page's too.
using namespace table;

// The rows of one run: each calculation solved and written as it comes.
class Calculations {
  public:
    Calculations(bool exact, Runner& runner)
        : exact_(exact), schema_(standard_schema(exact)), runner_(runner) {}

    void begin() { runner_.begin(schema_); }

    void calculate(const ThresholdParameters& parameters, const char* mapping) {
        Row row{parameters, mapping, exact_, Status::ok, ThresholdResult{}};
        {
            const CerrRedirect redirect(&diagnostics_);
            solve_standard_row(row);
        }
        if (diagnostics_.in_avail() > 0) {
            runner_.pass_on(diagnostics_.str());
            diagnostics_.str("");
        }
        runner_.write(schema_, row);
    }

    bool stopped() const { return runner_.stopped(); }

  private:
    bool exact_;
    Schema<Row> schema_;
    Runner& runner_;
    std::stringbuf diagnostics_;
};

void run_lists(const StandardValues& lists, Calculations& calculations) {
    for (const double length : lists.lengths) {
        for (const double chromosomes : lists.chromosomes) {
            for (const Rate& rate : lists.rates) {
                for (const double alpha : lists.alphas) {
                    for (const double precision : lists.precisions) {
                        if (calculations.stopped()) {
                            return;
                        }
                        calculations.calculate(
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

}  // namespace

int run_standard(const Options& options, int in, RowOutput& output, std::FILE* err) {
    Format format = Format::text;
    if (const std::string error = parse_format(options.format.value_or("text"), &format);
        !error.empty()) {
        return usage_error(err, "--format: " + error);
    }
    StandardValues lists;
    double default_precision = ThresholdParameters{}.precision;
    if (!options.batch) {
        if (const std::optional<OptionError> error = read_standard_options(options, lists)) {
            return usage_error(err, error->message);
        }
    } else if (options.precision) {
        if (const std::string error = parse_precision(*options.precision, &default_precision);
            !error.empty()) {
            return usage_error(err, "--precision: " + error);
        }
    }
    Runner runner(format, output, err);
    Calculations calculations(options.exact, runner);
    const BatchRules rules{default_precision, options.exact};
    std::vector<std::string> fields;
    return runner.run(
        options, in, [&] { calculations.begin(); },
        RowSource{[&] { run_lists(lists, calculations); },
                  [&](const std::string& line) {
                      ThresholdParameters parameters;
                      Rate rate{};
                      std::string error = read_batch_line(line, rules, fields, parameters, rate);
                      if (error.empty()) {
                          calculations.calculate(parameters, rate.mapping);
                      }
                      return error;
                  }});
}

}  // namespace lodthresh::cli
