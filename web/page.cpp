#include "web/page.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "table/design_request.h"
#include "table/design_rows.h"
#include "table/design_simulation.h"
#include "table/power_rows.h"
#include "table/shortest.h"
#include "table/values.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "web/json.h"
#include "web/plot.h"

namespace lodthresh::web {

namespace {

using table::DesignChoice;
using table::DesignRow;
using table::Format;
using table::PowerRow;

// ---- The request

// The values of a request, each list as the command line expands it.
struct Choices {
    table::DesignValues values;
    table::PowerValues power;
    bool power_rows = false;  // a share of variance, noncentrality or target power given
    bool has_map = false;
    GeneticMap map;
    std::vector<std::string> warnings;  // as the command line prints them after "lodthresh: "
};

// The map's lines that are no marker, each as the command line reports it.
void read_map(const Request& request, Choices& choices, std::vector<table::OptionError>& errors) {
    MapReading reading = read_genetic_map(request.map_text);
    std::string message;
    for (const std::string& line : table::map_messages(request.map_name, reading)) {
        message += message.empty() ? "" : "\n";
        message += line;
    }
    if (!message.empty()) {
        errors.push_back({"map", message});
        return;
    }
    if (const std::string error = table::map_to_scan(request.map_name, reading, std::nullopt,
                                                     choices.map, choices.warnings);
        !error.empty()) {
        errors.push_back({"map", error});
        return;
    }
    choices.has_map = true;
}

// Checks a request as the command line checks its options; each bad value
// gets its own message. A map gives the genome and its markers: the length,
// chromosomes and spacing are then not asked for.
std::vector<table::OptionError> parse_request(const Request& request, Choices& choices) {
    const auto given = [](const std::string& text) {
        return text.empty() ? std::nullopt : std::optional<std::string>(text);
    };
    const bool has_map = !request.map_name.empty();
    // A map gives the genome and its markers. The page simulates on its one
    // thread: no threads option.
    const auto unless_map = [&](const std::string& text) {
        return has_map ? std::nullopt : given(text);
    };
    table::Options options;
    options.length = unless_map(request.length);
    options.chromosomes = unless_map(request.chromosomes);
    options.design = given(request.design);
    options.rate = given(request.rate);
    options.tail = given(request.tail);
    options.alpha = given(request.alpha);
    options.spacing = unless_map(request.spacing);
    options.scan = given(request.scan);
    options.step = given(request.step);
    options.lod = given(request.lod);
    options.individuals = given(request.individuals);
    options.pve = given(request.pve);
    options.dominance = given(request.dominance);
    options.noncentrality = given(request.noncentrality);
    options.target_power = given(request.target_power);
    options.simulate = given(request.simulate);
    options.seed = given(request.seed);
    options.map = has_map ? std::optional<std::string>(request.map_name) : std::nullopt;
    std::vector<table::OptionError> errors = table::read_design_options(options, choices.values);
    // The effect's options, checked against the designs and scan read above
    // (the command line reports them only when those are good).
    for (table::OptionError& error :
         table::read_power_options(options, choices.values, choices.power)) {
        errors.push_back(std::move(error));
    }
    choices.power_rows = options.power_rows();
    if (has_map) {
        read_map(request, choices, errors);
    }
    return errors;
}

// ---- The command line that gives the same table

// A value as a POSIX shell takes it: bare when it is made of characters the
// shell leaves alone, else in single quotes.
void append_shell_word(const std::string& word, std::string& out) {
    bool plain = !word.empty();
    for (const char c : word) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') ||
                          std::string(",.-_+/:=@%").find(c) != std::string::npos;
        plain = plain && safe;
    }
    if (plain) {
        out += word;
        return;
    }
    out += '\'';
    for (const char c : word) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    out += '\'';
}

std::string command_of(const Request& request, bool has_map) {
    std::string command = "lodthresh";
    const auto option = [&command](const char* name, const std::string& value) {
        if (!value.empty()) {
            command += " --";
            command += name;
            command += ' ';
            append_shell_word(value, command);
        }
    };
    if (has_map) {
        option("map", request.map_name);
    } else {
        option("length", request.length);
        option("chromosomes", request.chromosomes);
    }
    option("design", request.design);
    option("rate", request.rate);
    option("tail", request.tail);
    option("alpha", request.alpha);
    if (!has_map) {
        // The command line computes these rows only in its designs mode, which
        // one of its options must select: the default spacing does.
        const bool designs_mode =
            !request.design.empty() || !request.tail.empty() || !request.spacing.empty();
        option("spacing", designs_mode ? request.spacing : std::string("0"));
    }
    option("scan", request.scan);
    option("step", request.step);
    option("lod", request.lod);
    option("individuals", request.individuals);
    option("pve", request.pve);
    option("dominance", request.dominance);
    option("noncentrality", request.noncentrality);
    option("target-power", request.target_power);
    option("simulate", request.simulate);
    option("seed", request.seed);
    return command;
}

// ---- The rows

template <class Row>
struct Rows {
    std::vector<Row> rows;
    bool simulation_stopped = false;
    std::chrono::milliseconds simulation_limit{0};  // the limit it stopped at
    std::vector<std::string> failures;  // as the command line reports them after "lodthresh: "
};

// The simulation's control on the page's one thread: it stops once `limit`
// has passed since `start`.
simulation::Control limited(const simulation::Control& control, std::atomic<bool>& stop,
                            std::chrono::steady_clock::time_point start,
                            std::chrono::milliseconds limit) {
    simulation::Control limited = control;
    limited.stop = &stop;
    limited.progress = [&stop, start, limit](std::uint64_t) {
        if (std::chrono::steady_clock::now() - start > limit) {
            stop.store(true);
        }
    };
    return limited;
}

// Each row's reason for having no result, once for a run of rows with the
// same one, as the command line reports them.
template <class Row>
void add_failures(const std::vector<Row>& group, std::vector<std::string>& failures) {
    const std::string* reported = nullptr;
    for (const Row& row : group) {
        if (!row.failure.empty() && (reported == nullptr || *reported != row.failure)) {
            failures.push_back(row.failure);
            reported = &row.failure;
        }
    }
}

// The page's order of simulation: first every scan at markers (a spacing
// above 0, or a map), then the dense maps' (spacing 0), whose null scans take
// some twenty times as long. A simulation that the page's limit stops during
// a dense map then keeps the markers' values. Each scan draws from the
// seed's own stream, so the order changes no value; the rows keep the
// command line's order.
constexpr bool kDenseLast[] = {false, true};

bool dense_scan(const table::Genome& genome, const GeneticMap* map, std::size_t scan) {
    return map == nullptr && genome.spacings_cm[scan] == 0.0;
}

// One genome's rows of one design, as solved together.
template <class Row>
struct Group {
    const table::Genome* genome;
    const DesignChoice* design;
    std::vector<Row> rows;
};

template <class Row>
void join_groups(std::vector<Group<Row>>& groups, Rows<Row>& rows) {
    for (Group<Row>& group : groups) {
        rows.rows.insert(rows.rows.end(), std::make_move_iterator(group.rows.begin()),
                         std::make_move_iterator(group.rows.end()));
    }
}

// The rows, simulated when asked for (one thread: the page's own), the scans
// at markers first.
Rows<DesignRow> threshold_rows_of(const Choices& choices, const std::string& map_name,
                                  std::chrono::milliseconds limit) {
    const GeneticMap* map = choices.has_map ? &choices.map : nullptr;
    const std::vector<table::Genome> genomes = table::genomes_of(choices.values, map);
    Rows<DesignRow> rows;
    rows.simulation_limit = limit;
    std::vector<Group<DesignRow>> groups;
    for (const table::Genome& genome : genomes) {
        for (const DesignChoice& design : choices.values.designs) {
            groups.push_back(
                {&genome, &design,
                 table::solve_design_group(genome, choices.has_map ? map_name.c_str() : nullptr,
                                           design, choices.values.alphas, choices.values.lods,
                                           choices.values.individuals)});
            add_failures(groups.back().rows, rows.failures);
        }
    }
    std::atomic<bool> stop{false};
    const simulation::Control control =
        limited(choices.values.control, stop, std::chrono::steady_clock::now(), limit);
    for (const bool dense : kDenseLast) {
        for (Group<DesignRow>& group : groups) {
            for (std::size_t s = 0; choices.values.replicates > 0 && s < group.genome->scans.size();
                 ++s) {
                if (dense_scan(*group.genome, map, s) == dense &&
                    (stop.load() ||
                     !table::simulate_scan(*group.genome, map, *group.design, s,
                                           choices.values.replicates, control, group.rows))) {
                    rows.simulation_stopped = true;
                }
            }
        }
    }
    join_groups(groups, rows);
    return rows;
}

// Power rows, as the command line's power_group computes them: each level
// and spacing with each effect, and with a simulation each row under its own
// QTL, the rows at markers first. Rows that a simulation stopped at the
// page's limit did not reach keep the formula's values without simulated
// ones.
Rows<PowerRow> power_rows_of(const Choices& choices, const std::string& map_name,
                             std::chrono::milliseconds limit) {
    const GeneticMap* map = choices.has_map ? &choices.map : nullptr;
    const std::vector<table::Genome> genomes = table::genomes_of(choices.values, map);
    Rows<PowerRow> rows;
    rows.simulation_limit = limit;
    std::vector<Group<PowerRow>> groups;
    for (const table::Genome& genome : genomes) {
        for (const DesignChoice& design : choices.values.designs) {
            groups.push_back(
                {&genome, &design,
                 table::solve_power_group(genome, choices.has_map ? map_name.c_str() : nullptr, map,
                                          design, choices.values.alphas, choices.power)});
            add_failures(groups.back().rows, rows.failures);
        }
    }
    std::atomic<bool> stop{false};
    const simulation::Control control =
        limited(choices.values.control, stop, std::chrono::steady_clock::now(), limit);
    std::vector<bool> failed(groups.size(), false);  // reported once, as the command line
    for (const bool dense : kDenseLast) {
        for (std::size_t g = 0; choices.values.replicates > 0 && g < groups.size(); ++g) {
            Group<PowerRow>& group = groups[g];
            // The group's rows of this pass, simulated apart and put back.
            std::vector<std::size_t> at;
            std::vector<PowerRow> pass;
            for (std::size_t i = 0; i < group.rows.size(); ++i) {
                if (dense_scan(*group.genome, map, group.rows[i].scan) == dense) {
                    at.push_back(i);
                    pass.push_back(group.rows[i]);
                }
            }
            if (pass.empty() || failed[g]) {
                continue;
            }
            try {
                if (stop.load() ||
                    !table::simulate_power_rows(*group.genome, map, choices.values.replicates,
                                                control, {}, pass)) {
                    rows.simulation_stopped = true;
                }
            } catch (const std::bad_alloc&) {
                throw;  // the page's memory: a fault, as for the null scans
            } catch (const std::exception& error) {
                // As the command line: the rows it had not reached go without
                // simulated values, and the group simulates no further.
                rows.failures.push_back(std::string("simulation: ") + error.what());
                failed[g] = true;
            }
            // A row's values are written only once its simulation is done.
            for (std::size_t k = 0; k < at.size(); ++k) {
                group.rows[at[k]] = std::move(pass[k]);
            }
        }
    }
    join_groups(groups, rows);
    return rows;
}

// The rows' schemas: thresholds, or p-values of peaks; power rows.
table::Schema<DesignRow> schema_of(const Choices& choices) {
    return table::rows_schema(choices.values);
}

table::Schema<PowerRow> power_schema_of(const Choices& choices) {
    return table::power_schema(choices.values.replicates > 0 ? table::kSimulated : 0U);
}

// The rows' cells as the command line's text format writes them, unpadded.
template <class Row>
void append_rows(const std::vector<Row>& rows, const table::Schema<Row>& schema, bool has_map,
                 std::string& out) {
    // The text format's last column, the map's path, is empty without a map.
    std::vector<std::string> headings = schema.text_headings();
    if (!has_map && !headings.empty() && headings.back() == "map") {
        headings.pop_back();
    }
    out += "\"header\":";
    append_strings(headings, out);
    out += ",\"rows\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const table::TextCells cells = schema.text_cells(rows[i]);
        out += i == 0 ? "{" : ",{";
        out += rows[i].status == table::Status::ok ? "\"ok\":true" : "\"ok\":false";
        out += ",\"cells\":";
        append_strings(cells.cells, out);
        out += ",\"reason\":";
        append_string(cells.reason, out);
        out += '}';
    }
    out += ']';
}

template <class Row>
std::string csv_of(const std::vector<Row>& rows, const table::Schema<Row>& schema) {
    std::string csv;
    schema.append_header(Format::csv, csv);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        schema.append_row(Format::csv, rows[i], i, csv);
    }
    return csv;
}

// The page's labels of the command line's options, the longest name first
// where one begins another ("--lod" after "--length").
constexpr std::pair<const char*, const char*> kLabels[] = {
    {"--omit-chromosomes", "Omitted chromosomes"},
    {"--chromosomes", "Chromosomes"},
    {"--noncentrality", "Noncentrality"},
    {"--target-power", "Target power"},
    {"--individuals", "Individuals"},
    {"--dominance", "Dominance ratio"},
    {"--simulate", "Simulated null scans"},
    {"--spacing", "Marker spacings"},
    {"--threads", "Threads"},
    {"--length", "Length"},
    {"--design", "Designs"},
    {"--alpha", "Levels"},
    {"--batch", "Batch"},
    {"--rate", "Rate"},
    {"--tail", "Tail"},
    {"--scan", "Scan"},
    {"--step", "Step"},
    {"--seed", "Seed"},
    {"--lod", "Peaks' LOD scores"},
    {"--pve", "Share of variance"},
    {"--map", "Map file"},
};

// A message of the command line in the page's words: each option by its
// field's label ("Length: '-3' is not above 0"), without the pointer to
// --help, which the page has beside each field instead.
std::string in_page_words(const std::string& message) {
    std::string out;
    for (std::size_t i = 0; i < message.size();) {
        if (message.compare(i, 13, " (see --help)") == 0) {
            i += 13;
            continue;
        }
        bool replaced = false;
        for (const auto& [option, label] : kLabels) {
            const std::size_t n = std::char_traits<char>::length(option);
            if (message.compare(i, n, option) != 0) {
                continue;
            }
            // The option's whole name, not the start of a longer one.
            const bool whole = i + n == message.size() ||
                               !(std::isalnum(static_cast<unsigned char>(message[i + n])) ||
                                 message[i + n] == '-');
            if (whole) {
                out += label;
                i += n;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += message[i++];
        }
    }
    return out;
}

// The rows, their csv when simulated, and the note: the command line's
// warnings and reports (a map's X chromosome left out, a row's reason for
// having no result), then a simulation stopped at the page's limit.
template <class Row>
void append_results(const Rows<Row>& rows, const table::Schema<Row>& schema, const Choices& choices,
                    std::string& out) {
    append_rows(rows.rows, schema, choices.has_map, out);
    if (choices.values.replicates > 0) {
        // The download of a simulated table is these rows, not a second
        // simulation that could stop elsewhere.
        out += ",\"csv\":";
        append_string(csv_of(rows.rows, schema), out);
    }
    std::string note;
    for (const std::string& warning : choices.warnings) {
        note += (note.empty() ? "" : " ") + warning.substr(warning.find(' ') + 1) + ".";
    }
    for (const std::string& failure : rows.failures) {
        note += (note.empty() ? "" : " ") + failure + ".";
    }
    if (rows.simulation_stopped) {
        note += (note.empty() ? "" : " ") +
                std::string("The simulation stopped at the page's limit of ") +
                table::shortest(static_cast<double>(rows.simulation_limit.count()) / 1000.0) +
                " s: rows without its values have none. Ask for fewer scans, or run the command "
                "shown, which has no limit and uses every CPU.";
    }
    if (!note.empty()) {
        out += ",\"note\":";
        append_string(note, out);
    }
}

std::string answer_of(const Request& request, std::chrono::milliseconds simulation_limit) {
    Choices choices;
    const std::vector<table::OptionError> errors = parse_request(request, choices);
    std::string out = "{\"errors\":[";
    for (std::size_t i = 0; i < errors.size(); ++i) {
        out += i == 0 ? "{\"field\":" : ",{\"field\":";
        append_string(errors[i].option, out);
        out += ",\"message\":";
        append_string(in_page_words(errors[i].message), out);
        out += '}';
    }
    out += ']';
    if (!errors.empty()) {
        out += '}';
        return out;
    }
    out += ",\"command\":";
    append_string(command_of(request, choices.has_map), out);
    const bool dominance_applies =
        std::any_of(choices.values.designs.begin(), choices.values.designs.end(),
                    [](const DesignChoice& design) { return table::intercross_like(design); });
    out += dominance_applies ? ",\"dominance_applies\":true" : ",\"dominance_applies\":false";
    const GeneticMap* map = choices.has_map ? &choices.map : nullptr;
    if (choices.power_rows) {
        out += ",\"power\":true,";
        const Rows<PowerRow> rows = power_rows_of(choices, request.map_name, simulation_limit);
        append_results(rows, power_schema_of(choices), choices, out);
        // Per design the power against the number of individuals, at each
        // level and share of variance; an effect given as a noncentrality
        // does not change with the individuals, and has none.
        out += ",\"plots\":[";
        for (std::size_t i = 0; !choices.power.pves.empty() && i < choices.values.designs.size();
             ++i) {
            out += i == 0 ? "" : ",";
            append_power_plot(choices.values, choices.power, map, choices.values.designs[i],
                              rows.rows, out);
        }
        out += "]}";
        return out;
    }
    out += ',';
    const Rows<DesignRow> rows = threshold_rows_of(choices, request.map_name, simulation_limit);
    append_results(rows, schema_of(choices), choices, out);
    // A threshold's plot over the spacing, of the markers' thresholds; p-values
    // of peaks and interval mapping's scans have none.
    out += ",\"plots\":[";
    const bool plotted = choices.values.lods.empty() && !choices.values.points.interval;
    for (std::size_t i = 0; plotted && i < choices.values.designs.size(); ++i) {
        out += i == 0 ? "" : ",";
        append_plot(choices.values, map, choices.values.designs[i], rows.rows, out);
    }
    out += "]}";
    return out;
}

}  // namespace

std::string csv_text(const Request& request) {
    Choices choices;
    if (!parse_request(request, choices).empty()) {
        return "";
    }
    try {
        if (choices.power_rows) {
            return csv_of(power_rows_of(choices, request.map_name, kSimulationLimit).rows,
                          power_schema_of(choices));
        }
        return csv_of(threshold_rows_of(choices, request.map_name, kSimulationLimit).rows,
                      schema_of(choices));
    } catch (const std::exception&) {
        return "";  // the fault that calculate_json reports
    }
}

std::string designs_json() {
    std::string out = "[";
    for (const Design& design : designs()) {
        out += out.size() == 1 ? "{\"name\":" : ",{\"name\":";
        append_string(design.name, out);
        out += ",\"tail\":";
        append_string(tail_name(design.tail), out);
        out += ",\"rate\":";
        append_number(design.rate, out);
        out += ",\"meaning\":";
        append_string(design.meaning, out);
        out += '}';
    }
    out += ']';
    return out;
}

std::string calculate_json(const Request& request) {
    return calculate_json(request, kSimulationLimit);
}

std::string calculate_json(const Request& request, std::chrono::milliseconds simulation_limit) {
    // A fault of the libraries (bad input is reported as field errors, not
    // thrown) reaches the page as a message, not as an aborted module.
    const auto fault = [](const std::string& message) {
        std::string out = "{\"errors\":[],\"fault\":";
        append_string(message, out);
        out += '}';
        return out;
    };
    try {
        return answer_of(request, simulation_limit);
    } catch (const std::bad_alloc&) {
        // The module's memory ends at 2 GiB, below the simulation's own bound.
        return fault(
            "the page ran out of memory (it has 2 GiB): ask for fewer simulated scans, "
            "or run the command line");
    } catch (const std::exception& e) {
        return fault(e.what());
    }
}

}  // namespace lodthresh::web
