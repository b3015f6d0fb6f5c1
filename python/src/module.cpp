// The Python module lodthresh: thresholds() of the command line's options as
// keyword arguments, its rows as a pandas.DataFrame. Every option, check and
// row is the table layer's (table/request.h); this file only turns Python's
// values into the options' texts and the table into columns.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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
#include "threshold/designs.h"
#include "threshold/pointwise.h"

namespace py = pybind11;
using namespace pybind11::literals;  // NOLINT(google-build-using-namespace): "name"_a

namespace lodthresh::python {

namespace {

using table::ArgumentItem;
using table::ArgumentValue;

// A refused request: ValueError with the command line's message.
[[noreturn]] void refuse(const std::string& message) {
    throw py::value_error(message);
}

bool is_bool(const py::handle& value) {
    return py::isinstance<py::bool_>(value) ||
           py::isinstance(value, py::module_::import("numpy").attr("bool_"));
}

bool is_integer(const py::handle& value) {
    return py::isinstance<py::int_>(value) ||
           py::isinstance(value, py::module_::import("numpy").attr("integer"));
}

bool is_float(const py::handle& value) {
    return py::isinstance<py::float_>(value) ||
           py::isinstance(value, py::module_::import("numpy").attr("floating"));
}

// One element of a list: a float as a double (its shortest text), an int as
// its digits (exact at any size, a seed of 2^64 - 1, say), a text as it is.
ArgumentItem item_of(const std::string& name, const py::handle& value) {
    if (is_bool(value)) {
        return ArgumentItem{false, 0.0, py::cast<bool>(value) ? "True" : "False"};
    }
    if (is_integer(value)) {
        return ArgumentItem{false, 0.0,
                            py::str(py::int_(py::reinterpret_borrow<py::object>(value)))};
    }
    if (is_float(value)) {
        return ArgumentItem{
            true, py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(value))), {}};
    }
    if (py::isinstance<py::str>(value)) {
        return ArgumentItem{false, 0.0, py::cast<std::string>(value)};
    }
    refuse(name + ": a " + py::cast<std::string>(py::str(value.get_type().attr("__name__"))) +
           " is no number, text or list of them");
}

// An argument's value: a number, text or flag, or a list of numbers and texts
// (a list, tuple, numpy array, pandas Series or any other iterable).
ArgumentValue value_of(const std::string& name, const py::handle& value) {
    ArgumentValue argument;
    if (is_bool(value)) {
        argument.flag = py::cast<bool>(value);
        argument.items.push_back(item_of(name, value));
        return argument;
    }
    if (is_integer(value) || is_float(value) || py::isinstance<py::str>(value)) {
        argument.items.push_back(item_of(name, value));
        return argument;
    }
    if (py::hasattr(value, "tolist")) {  // numpy arrays and pandas Series: Python's own scalars
        return value_of(name, value.attr("tolist")());
    }
    if (!py::isinstance<py::iterable>(value)) {
        argument.items.push_back(item_of(name, value));  // refused, by its type
    }
    for (const py::handle element : value) {
        if (!is_bool(element) && !is_integer(element) && !is_float(element) &&
            !py::isinstance<py::str>(element)) {
            refuse(name + ": a list of numbers or texts, not of " +
                   py::cast<std::string>(py::str(element.get_type().attr("__name__"))));
        }
        argument.items.push_back(item_of(name, element));
    }
    return argument;
}

// The map argument: a path, or a table of the columns marker, chr and pos
// (cM): a pandas.DataFrame, or what pandas.DataFrame makes one of (a dict of
// columns).
std::optional<table::MapText> read_map_argument(const py::object& map, table::Options& options) {
    if (map.is_none()) {
        return std::nullopt;
    }
    const py::module_ os = py::module_::import("os");
    if (py::isinstance<py::str>(map) || py::isinstance(map, os.attr("PathLike"))) {
        options.map = py::cast<std::string>(os.attr("fspath")(map));
        return std::nullopt;
    }
    const py::module_ pandas = py::module_::import("pandas");
    py::object frame = map;
    if (!py::isinstance(map, pandas.attr("DataFrame"))) {
        if (!py::isinstance<py::dict>(map)) {
            refuse("map: a path or a data frame of the columns marker, chr and pos (cM), not a " +
                   py::cast<std::string>(py::str(map.get_type().attr("__name__"))));
        }
        frame = pandas.attr("DataFrame")(map);
    }
    std::vector<std::string> columns;
    for (const py::handle column : frame.attr("columns")) {
        columns.push_back(py::cast<std::string>(py::str(column)));
    }
    for (const char* needed : {"marker", "chr", "pos"}) {
        if (std::find(columns.begin(), columns.end(), needed) == columns.end()) {
            std::string has;
            for (const std::string& column : columns) {
                has += (has.empty() ? "" : ", ") + column;
            }
            refuse(
                std::string("map: a data frame of the columns marker, chr and pos (cM); it has ") +
                (has.empty() ? "none" : has));
        }
    }
    const auto texts = [&frame](const char* column) {
        std::vector<std::string> values;
        for (const py::handle value : frame[column].attr("tolist")()) {
            values.push_back(py::cast<std::string>(py::str(value)));
        }
        return values;
    };
    std::vector<double> positions;
    for (const py::handle value : frame["pos"].attr("tolist")()) {
        if (value.is_none()) {
            positions.push_back(std::nan(""));
        } else if (is_float(value) || is_integer(value)) {
            positions.push_back(
                py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(value))));
        } else {
            refuse("map: the column pos holds " + py::cast<std::string>(py::repr(value)) +
                   ", not a number (cM)");
        }
    }
    const std::string name = "map";
    options.map = name;
    return table::MapText{name, table::map_text_of(texts("marker"), texts("chr"), positions)};
}

// A progress bar on the error stream when it is a terminal and the request
// has lasted a second, redrawn at most ten times a second; wiped at the end.
class Progress {
  public:
    Progress() : start_(std::chrono::steady_clock::now()) {
        const py::object err = py::module_::import("sys").attr("stderr");
        terminal_ =
            !err.is_none() && py::hasattr(err, "isatty") && py::cast<bool>(err.attr("isatty")());
    }
    ~Progress() {
        if (drawn_) {
            try {
                write("\r\033[K");
            } catch (...) {
                // The stream is gone: nothing to wipe.
            }
        }
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(double fraction, const std::string& what) {
        const auto now = std::chrono::steady_clock::now();
        if (!terminal_ || now - start_ < std::chrono::seconds(1) ||
            (drawn_ && now - last_ < std::chrono::milliseconds(100))) {
            return;
        }
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        write("\r\033[K" + table::progress_text(fraction, elapsed, what));
        drawn_ = true;
    }

  private:
    static void write(const std::string& text) {
        const py::object err = py::module_::import("sys").attr("stderr");
        err.attr("write")(text);
        err.attr("flush")();
    }

    bool terminal_ = false;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
};

// The table as a pandas.DataFrame: number columns of float64 with NaN where
// empty, text columns of str with None where empty.
py::object frame_of(const table::Table& rows) {
    py::dict columns;
    py::list order;
    for (const table::TableColumn& column : rows.columns) {
        order.append(column.name);
        if (!column.text) {
            py::array_t<double> values(static_cast<py::ssize_t>(column.numbers.size()));
            std::copy(column.numbers.begin(), column.numbers.end(), values.mutable_data());
            columns[column.name.c_str()] = values;
            continue;
        }
        py::list values;
        for (std::size_t i = 0; i < column.texts.size(); ++i) {
            if (column.empty[i] != 0) {
                values.append(py::none());
            } else {
                values.append(py::str(column.texts[i]));
            }
        }
        columns[column.name.c_str()] =
            py::module_::import("pandas").attr("Series")(values, "dtype"_a = "object");
    }
    return py::module_::import("pandas").attr("DataFrame")(columns, "columns"_a = order);
}

// The answer's rows, or its refusal as ValueError; its warnings as UserWarnings.
py::object frame_or_refusal(const table::RequestAnswer& answer) {
    if (!answer.errors.empty()) {
        std::string message;
        for (const table::OptionError& error : answer.errors) {
            message += (message.empty() ? "" : "\n") + error.message;
        }
        refuse(message);
    }
    if (answer.stopped) {
        throw py::error_already_set();  // not reached: a stop comes from an interrupt
    }
    // The command line's "lodthresh: warning: ..." is a UserWarning of its own.
    for (const std::string& message : answer.messages) {
        const std::string prefix = "warning: ";
        const std::string text =
            message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
        if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) {
            throw py::error_already_set();  // warnings made errors
        }
    }
    return frame_of(answer.table);
}

py::object thresholds(const py::object& map, const py::kwargs& arguments) {
    table::Options options;
    for (const auto& [key, value] : arguments) {
        const std::string name = py::cast<std::string>(key);
        if (value.is_none()) {
            continue;  // not given
        }
        if (const std::optional<table::OptionError> error =
                table::set_argument(name, value_of(name, value), options)) {
            refuse(error->message);
        }
    }
    const std::optional<table::MapText> map_text = read_map_argument(map, options);
    table::RequestAnswer answer;
    std::optional<py::error_already_set> interrupt;
    {
        Progress progress;
        bool interrupted = false;
        try {
            // The standard mode's rows take milliseconds and catch the numerics
            // library's messages on std::cerr: they are computed holding the
            // GIL, one request at a time. The designs mode's may simulate for
            // minutes, on threads of their own, Ctrl-C asked for meanwhile.
            if (!options.designs_mode()) {
                answer = table::run_request(options, map_text, {});
                return frame_or_refusal(answer);
            }
            const py::gil_scoped_release release;
            answer = table::run_request_watched(
                options, map_text,
                [&interrupted] {
                    const py::gil_scoped_acquire acquire;
                    if (PyErr_CheckSignals() != 0) {
                        interrupted = true;  // KeyboardInterrupt, raised once the request stops
                    }
                    return interrupted;
                },
                [&progress](double fraction, const std::string& what) {
                    const py::gil_scoped_acquire acquire;
                    progress.show(fraction, what);
                });
        } catch (const std::invalid_argument& error) {
            refuse(error.what());
        }
        if (interrupted) {
            interrupt.emplace();  // the KeyboardInterrupt, taken before the bar is wiped
        }
    }
    if (interrupt) {
        throw std::move(*interrupt);
    }
    return frame_or_refusal(answer);
}

py::object designs_frame() {
    py::list names, tails, rates, meanings;
    for (const Design& design : designs()) {
        names.append(design.name);
        tails.append(tail_name(design.tail));
        rates.append(design.rate);
        meanings.append(design.meaning);
    }
    py::dict columns;
    columns["name"] = names;
    columns["tail"] = tails;
    columns["rate"] = rates;
    columns["meaning"] = meanings;
    return py::module_::import("pandas").attr("DataFrame")(columns);
}

py::object arguments_frame() {
    py::list names, values, helps;
    for (std::size_t i = 0; i < table::option_count(); ++i) {
        const table::OptionEntry& entry = table::option_entries()[i];
        if (!table::is_request_option(entry)) {
            continue;
        }
        names.append(table::argument_name(entry));
        values.append(entry.argument != nullptr ? py::object(py::str(entry.argument)) : py::none());
        std::string help = entry.help;
        for (char& c : help) {
            c = c == '\n' ? ' ' : c;
        }
        helps.append(help);
    }
    py::dict columns;
    columns["name"] = names;
    columns["value"] = values;
    columns["help"] = helps;
    return py::module_::import("pandas").attr("DataFrame")(columns);
}

}  // namespace

}  // namespace lodthresh::python

PYBIND11_MODULE(lodthresh, module) {
    module.doc() =
        "Significance thresholds of genome-wide linkage scans (Lander and Kruglyak 1995, "
        "Siegmund's discrete-marker correction), as the lodthresh command line computes them.";
    module.attr("__version__") = LODTHRESH_VERSION;
    module.def("thresholds", &lodthresh::python::thresholds, "map"_a = py::none(),
               R"(thresholds(map=None, **options) -> pandas.DataFrame

The rows of the lodthresh command line for its long options as keyword
arguments, '-' written '_' (length, chromosomes, rate, alpha, precision, exact,
design, tail, spacing, omit_chromosomes, lod, individuals, scan, step, simulate,
seed, threads; arguments() lists them). A list, tuple or numpy array stands for
a comma-separated list; a float is written as its shortest round-trip decimal,
an int as its digits; exact=True is the flag.

map: a path of a map file (read as --map reads it), or a pandas.DataFrame of the
columns marker, chr and pos (cM), whose row i (from 0) is line i + 2 in
messages; its chromosome X is left out, as the command line leaves it out.

Returns the fields of the command line's tsv in its order: numbers as float64,
every bit the same, NaN where empty; texts (status, design, ...) as str, None
where empty. A refused option, combination or map raises ValueError with the
command line's message; its warnings are UserWarnings. A simulation stops at
Ctrl-C (KeyboardInterrupt) and shows a progress bar when stderr is a terminal.)");
    module.def("designs", &lodthresh::python::designs_frame,
               "designs() -> pandas.DataFrame of every design: name, tail, rate, meaning.");
    module.def("arguments", &lodthresh::python::arguments_frame,
               "arguments() -> pandas.DataFrame of the keyword arguments of thresholds(): name, "
               "value (None for a flag), help.");
}
