// The R package's entry points: an R list of arguments into the options of a
// request (table/request.h), its rows back as columns. Every option, check
// and row is the table layer's; R/thresholds.R turns R's objects (crosses,
// maps) into arguments and the answer into a data.frame or a condition.
// cpp11's headers come before R's own, which they include with R_NO_REMAP.
#include "cpp11/doubles.hpp"
#include "cpp11/list.hpp"
#include "cpp11/strings.hpp"

#include <R_ext/Print.h>
#include <R_ext/Utils.h>
#include <Rinternals.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "table/design_simulation.h"
#include "table/options.h"
#include "table/request.h"
#include "table/shortest.h"
// The threshold library's copy in this package (bootstrap.sh).
#include "threshold_src/designs.h"
#include "threshold_src/pointwise.h"

namespace {

using lodthresh::table::ArgumentItem;
using lodthresh::table::ArgumentValue;

ArgumentItem text_item(std::string text) {
    return ArgumentItem{false, 0.0, std::move(text)};
}

// An R vector as an argument's value: doubles by their shortest text (whole
// ones by their digits), integers by their digits, strings as they are, NA as
// "NA", a logical as TRUE or FALSE (a flag takes its truth).
std::optional<ArgumentValue> value_of(SEXP value) {
    ArgumentValue argument;
    const R_xlen_t n = Rf_xlength(value);
    switch (TYPEOF(value)) {
        case REALSXP:
            for (R_xlen_t i = 0; i < n; ++i) {
                const double x = REAL(value)[i];
                if (ISNA(x)) {
                    argument.items.push_back(text_item("NA"));
                } else if (std::isnan(x)) {
                    argument.items.push_back(text_item("NaN"));
                } else {
                    argument.items.push_back(ArgumentItem{true, x, {}});
                }
            }
            return argument;
        case INTSXP:
            for (R_xlen_t i = 0; i < n; ++i) {
                const int x = INTEGER(value)[i];
                argument.items.push_back(text_item(x == NA_INTEGER ? "NA" : std::to_string(x)));
            }
            return argument;
        case STRSXP:
            for (R_xlen_t i = 0; i < n; ++i) {
                const SEXP x = STRING_ELT(value, i);
                argument.items.push_back(
                    text_item(x == NA_STRING ? "NA" : Rf_translateCharUTF8(x)));
            }
            return argument;
        case LGLSXP:
            for (R_xlen_t i = 0; i < n; ++i) {
                const int x = LOGICAL(value)[i];
                argument.items.push_back(text_item(x == NA_LOGICAL ? "NA"
                                                   : x != 0        ? "TRUE"
                                                                   : "FALSE"));
            }
            if (n == 1 && LOGICAL(value)[0] != NA_LOGICAL) {
                argument.flag = LOGICAL(value)[0] != 0;
            }
            return argument;
        default:
            return std::nullopt;
    }
}

// A stop by R's interrupt, asked without leaving this function: the interrupt
// jumps to R_ToplevelExec's own top level.
void check_interrupt(void*) {
    R_CheckUserInterrupt();
}

bool interrupt_pending() {
    return R_ToplevelExec(check_interrupt, nullptr) == FALSE;
}

// A progress bar on R's error stream once the request has lasted a second,
// redrawn at most ten times a second, wiped at the end.
class Progress {
  public:
    explicit Progress(bool shown) : shown_(shown), start_(std::chrono::steady_clock::now()) {}
    ~Progress() {
        if (width_ > 0) {
            REprintf("\r%*s\r", static_cast<int>(width_), "");
        }
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(double fraction, const std::string& what) {
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || now - start_ < std::chrono::seconds(1) ||
            (width_ > 0 && now - last_ < std::chrono::milliseconds(100))) {
            return;
        }
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        std::string line = lodthresh::table::progress_text(fraction, elapsed, what);
        const std::size_t width = line.size();
        if (line.size() < width_) {
            line.append(width_ - line.size(), ' ');  // over the longer line before
        }
        REprintf("\r%s", line.c_str());
        width_ = std::max(width_, width);
    }

  private:
    bool shown_;
    std::size_t width_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
};

cpp11::writable::list answer_list(const char* outcome, const std::vector<std::string>& errors,
                                  const std::vector<std::string>& messages,
                                  cpp11::writable::list columns) {
    cpp11::writable::strings error_texts;
    for (const std::string& error : errors) {
        error_texts.push_back(error);
    }
    cpp11::writable::strings message_texts;
    for (const std::string& message : messages) {
        message_texts.push_back(message);
    }
    using namespace cpp11::literals;  // NOLINT(google-build-using-namespace): "name"_nm
    return cpp11::writable::list({"outcome"_nm = cpp11::writable::strings({outcome}),
                                  "errors"_nm = error_texts, "messages"_nm = message_texts,
                                  "columns"_nm = columns});
}

}  // namespace

// The rows of a request: `arguments` a named list of the options' values,
// `map` NULL, a path, or list(name, marker, chr, pos). Returns list(outcome =
// "rows", "error" or "interrupted", errors, messages, columns).
[[cpp11::register]] cpp11::list request_rows(cpp11::list arguments, SEXP map, bool progress) {
    lodthresh::table::Options options;
    std::vector<std::string> errors;
    const cpp11::strings names(arguments.names());
    for (R_xlen_t i = 0; i < arguments.size(); ++i) {
        const std::string name = names[i];
        const std::optional<ArgumentValue> value = value_of(arguments[i]);
        if (!value) {
            errors.push_back(name + ": a vector of numbers, texts or logicals, not of type " +
                             Rf_type2char(TYPEOF(arguments[i])));
            return answer_list("error", errors, {}, cpp11::writable::list());
        }
        if (const auto error = lodthresh::table::set_argument(name, *value, options)) {
            return answer_list("error", {error->message}, {}, cpp11::writable::list());
        }
    }
    std::optional<lodthresh::table::MapText> map_text;
    if (TYPEOF(map) == STRSXP) {
        options.map = Rf_translateCharUTF8(STRING_ELT(map, 0));
    } else if (TYPEOF(map) == VECSXP) {
        const cpp11::list parts(map);
        const std::string name = cpp11::strings(parts["name"])[0];
        std::vector<std::string> markers;
        std::vector<std::string> chromosomes;
        for (const cpp11::r_string marker : cpp11::strings(parts["marker"])) {
            markers.push_back(marker == NA_STRING ? "NA" : std::string(marker));
        }
        for (const cpp11::r_string chromosome : cpp11::strings(parts["chr"])) {
            chromosomes.push_back(chromosome == NA_STRING ? "NA" : std::string(chromosome));
        }
        const cpp11::doubles positions(parts["pos"]);
        options.map = name;
        map_text = lodthresh::table::MapText{
            name,
            lodthresh::table::map_text_of(markers, chromosomes,
                                          std::vector<double>(positions.begin(), positions.end()))};
    }
    lodthresh::table::RequestAnswer answer;
    {
        Progress bar(progress);
        try {
            answer = lodthresh::table::run_request_watched(
                options, map_text, interrupt_pending,
                [&bar](double fraction, const std::string& what) { bar.show(fraction, what); });
        } catch (const std::invalid_argument& error) {
            return answer_list("error", {error.what()}, {}, cpp11::writable::list());
        }
    }
    if (answer.stopped) {
        return answer_list("interrupted", {}, {}, cpp11::writable::list());
    }
    if (!answer.errors.empty()) {
        for (const lodthresh::table::OptionError& error : answer.errors) {
            errors.push_back(error.message);
        }
        return answer_list("error", errors, {}, cpp11::writable::list());
    }
    cpp11::writable::list columns;
    cpp11::writable::strings column_names;
    for (const lodthresh::table::TableColumn& column : answer.table.columns) {
        column_names.push_back(column.name);
        if (!column.text) {
            cpp11::writable::doubles values(static_cast<R_xlen_t>(column.numbers.size()));
            for (std::size_t i = 0; i < column.numbers.size(); ++i) {
                values[static_cast<R_xlen_t>(i)] =
                    std::isnan(column.numbers[i]) ? NA_REAL : column.numbers[i];
            }
            columns.push_back(values);
            continue;
        }
        cpp11::writable::strings values(static_cast<R_xlen_t>(column.texts.size()));
        for (std::size_t i = 0; i < column.texts.size(); ++i) {
            values[static_cast<R_xlen_t>(i)] = column.empty[i] != 0
                                                   ? cpp11::r_string(NA_STRING)
                                                   : cpp11::r_string(column.texts[i]);
        }
        columns.push_back(values);
    }
    columns.names() = column_names;
    return answer_list("rows", {}, answer.messages, columns);
}

// Every design: name, tail, rate, meaning.
[[cpp11::register]] cpp11::list design_table() {
    cpp11::writable::strings names, tails, meanings;
    cpp11::writable::doubles rates;
    for (const lodthresh::Design& design : lodthresh::designs()) {
        names.push_back(design.name);
        tails.push_back(lodthresh::tail_name(design.tail));
        rates.push_back(design.rate);
        meanings.push_back(design.meaning);
    }
    using namespace cpp11::literals;  // NOLINT(google-build-using-namespace): "name"_nm
    return cpp11::writable::list(
        {"name"_nm = names, "tail"_nm = tails, "rate"_nm = rates, "meaning"_nm = meanings});
}

// The arguments of thresholds(): name, value (NA for a flag), help.
[[cpp11::register]] cpp11::list argument_table() {
    cpp11::writable::strings names, values, helps;
    for (std::size_t i = 0; i < lodthresh::table::option_count(); ++i) {
        const lodthresh::table::OptionEntry& entry = lodthresh::table::option_entries()[i];
        if (!lodthresh::table::is_request_option(entry)) {
            continue;
        }
        names.push_back(lodthresh::table::argument_name(entry));
        values.push_back(entry.argument != nullptr ? cpp11::r_string(entry.argument)
                                                   : cpp11::r_string(NA_STRING));
        std::string help = entry.help;
        for (char& c : help) {
            c = c == '\n' ? ' ' : c;
        }
        helps.push_back(help);
    }
    using namespace cpp11::literals;  // NOLINT(google-build-using-namespace): "name"_nm
    return cpp11::writable::list({"name"_nm = names, "value"_nm = values, "help"_nm = helps});
}

// Each double as the command line writes it: its shortest round-trip text,
// "" for NA. Two doubles are the same bits when these texts are.
[[cpp11::register]] cpp11::strings shortest_texts(cpp11::doubles values) {
    cpp11::writable::strings texts(values.size());
    for (R_xlen_t i = 0; i < values.size(); ++i) {
        texts[i] = std::isnan(values[i]) ? std::string() : lodthresh::table::shortest(values[i]);
    }
    return texts;
}
