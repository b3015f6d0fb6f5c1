// A request as a program's function makes it, rather than a command line:
// the options by name with values of the calling language, a map as a file or
// as columns, and the rows they ask for as a table of columns, the values that
// the command line writes in tsv. The R and Python packages call this one
// path, so that an option of table/options.h reaches them as an argument of
// the same name without code of their own.
#ifndef LODTHRESH_TABLE_REQUEST_H
#define LODTHRESH_TABLE_REQUEST_H

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "table/options.h"

namespace lodthresh::table {

// ---- The arguments

// Whether an option is one of a request's, rather than one of the command
// line's own ways of writing or reading rows (--format, --batch, --help,
// --version).
bool is_request_option(const OptionEntry& entry);

// An option's name as an argument of a function: "omit_chromosomes" for
// --omit-chromosomes.
std::string argument_name(const OptionEntry& entry);

// One element of an argument's value: a number, written as a user types it
// (a whole number's digits, else the shortest text that reads back as the
// same double), or a text as it is.
struct ArgumentItem {
    bool is_number = false;
    double number = 0.0;
    std::string text;
};

// An argument's value: its elements, which make the option's comma-separated
// list, and for a logical value its truth, which a flag takes (`items` then
// holds its text in the calling language's words, for an option with a value).
struct ArgumentValue {
    std::vector<ArgumentItem> items;
    std::optional<bool> flag;
};

// Sets the option that the argument `name` names ("omit_chromosomes" or
// "omit-chromosomes") from `value`. Returns the refusal: an argument that is
// no request's option, a flag given no logical value, a value of no element.
std::optional<OptionError> set_argument(const std::string& name, const ArgumentValue& value,
                                        Options& options);

// ---- The map

// A map's text and the name that messages and the rows' map field give it:
// a file's path, or the name of a map given as columns.
struct MapText {
    std::string name;
    std::string text;
};

// The whole of the file at `path`: "" and its text in `text`, or why it cannot
// be read, as the command line says it ("PATH: No such file or directory").
std::string read_map_file(const std::string& path, std::string& text);

// A map given as three columns, marker names, chromosome names and positions
// in cM, as the text of qtl2's gmap.csv: a header line "marker,chr,pos", then
// marker i on line i + 2, every name quoted, every position the shortest text
// that reads back as the same double ("NA" for one that is not a number). The
// map reader then checks it as it checks a file. Throws std::invalid_argument
// when the columns differ in length.
std::string map_text_of(const std::vector<std::string>& markers,
                        const std::vector<std::string>& chromosomes,
                        const std::vector<double>& positions_cm);

// ---- The rows

// One column of a table: the field's name and its values, texts or numbers.
struct TableColumn {
    std::string name;
    bool text = false;
    std::vector<double> numbers;       // a number column's: NaN where the field is empty
    std::vector<std::string> texts;    // a text column's: "" where the field is empty
    std::vector<unsigned char> empty;  // a text column's: 1 where the field is empty
};

// The rows' fields in the order of the command line's tsv.
struct Table {
    std::vector<TableColumn> columns;
    std::size_t rows = 0;
};

// How a request's simulation is stopped and tells how far it is. `progress`
// is called from one of the simulation's threads at a time, about 20 times a
// second at most: the work done of the whole (a fraction from 0 to 1) and what
// is simulated ("backcross at 10 cM").
struct RequestWatch {
    const std::atomic<bool>* stop = nullptr;
    std::function<void(double fraction, const std::string& what)> progress;
};

struct RequestAnswer {
    // A refused option, combination or value, or a map that cannot be read or
    // has bad lines, each message as the command line says it after
    // "lodthresh: "; then there is no table.
    std::vector<OptionError> errors;
    // What the command line says on its error stream beside its rows, each as
    // it says it after "lodthresh: ": warnings ("warning: ..."), a row's
    // failure, a simulation that could not be run ("simulation: ..."), and the
    // numerics library's message of a row without a result.
    std::vector<std::string> messages;
    Table table;
    bool stopped = false;  // the stop flag ended a simulation: no table
};

// The rows of the options, as the command line computes them: the standard
// mode's, or the designs mode's when an option of that mode is given. A map
// is `map` when given (options.map then names it), else the file that
// options.map names. Simulations use every CPU unless options.threads says
// otherwise. Nothing is written to any stream.
RequestAnswer run_request(const Options& options, const std::optional<MapText>& map,
                          const RequestWatch& watch);

// run_request on a thread of its own, for a caller whose own thread must stay
// with its language's interpreter: every `period` the calling thread asks
// `interrupted` whether to stop (an interrupt that the interpreter holds) and
// gives `show` the simulation's latest progress, both on the calling thread.
// A stop ends the simulation within about 0.1 s. An exception of the request
// is thrown on the calling thread.
RequestAnswer run_request_watched(
    const Options& options, const std::optional<MapText>& map,
    const std::function<bool()>& interrupted,
    const std::function<void(double fraction, const std::string& what)>& show,
    std::chrono::milliseconds period = std::chrono::milliseconds(20));

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_REQUEST_H
