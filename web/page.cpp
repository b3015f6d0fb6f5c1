#include "web/page.h"

#include <algorithm>
#include <atomic>
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
#include <vector>

#include "table/design_request.h"
#include "table/design_rows.h"
#include "table/design_simulation.h"
#include "table/shortest.h"
#include "table/values.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "threshold/units.h"

namespace lodthresh::web {

namespace {

using table::DesignChoice;
using table::DesignRow;
using table::Format;

// The plots: the critical LOD from a dense map to markers 20 cM apart, beside
// the fixed fractions of the dense map's LOD that were used before nu. The
// curve falls fastest near the dense map, where its points are closest; 17
// points keep a redraw of four designs at three levels well within a frame
// budget of 50 ms.
constexpr double kPlotSpacingsCm[] = {0.0, 0.25, 0.5,  1.0,  1.5,  2.0,  3.0,  4.0, 5.0,
                                      6.0, 8.0,  10.0, 12.0, 14.0, 16.0, 18.0, 20.0};
constexpr double kPlotSpacingTickCm = 5.0;
// A map whose markers lie further apart widens the axis in at most this many
// ticks (of 5, 10, 20, 50, 100 ... cM), each with a point at its middle.
constexpr int kMostPlotTicks = 8;

// ---- JSON

// Every string the page gets is the program's own text, a message quoting
// what the user typed, or the name of a file.
void append_string(const std::string& text, std::string& out) {
    table::append_json_string(text, out);
}

// Every bit of the double, as the command line's machine formats write it;
// null where there is no value.
void append_number(double value, std::string& out) {
    if (std::isfinite(value)) {
        table::append_shortest(value, out);
    } else {
        out += "null";
    }
}

// Every bit of a plotted value, in one printf: seventeen digits read back as
// the same double, and the plots need no shorter text.
void append_plotted(double value, std::string& out) {
    if (std::isfinite(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        out += text;
    } else {
        out += "null";
    }
}

template <typename T, typename Append>
void append_array(const std::vector<T>& values, Append append, std::string& out) {
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += i == 0 ? "" : ",";
        append(values[i], out);
    }
    out += ']';
}

void append_numbers(const std::vector<double>& values, std::string& out) {
    append_array(values, append_plotted, out);
}

void append_strings(const std::vector<std::string>& values, std::string& out) {
    append_array(values, append_string, out);
}

// ---- The request

// The values of a request, each list as the command line expands it.
struct Choices {
    table::DesignValues values;
    bool has_map = false;
    GeneticMap map;
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
    choices.has_map = true;
    choices.map = std::move(reading.map);
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
    const table::DesignOptions options{unless_map(request.length),
                                       unless_map(request.chromosomes),
                                       given(request.design),
                                       given(request.rate),
                                       given(request.tail),
                                       given(request.alpha),
                                       unless_map(request.spacing),
                                       given(request.simulate),
                                       given(request.seed),
                                       std::nullopt,
                                       has_map};
    std::vector<table::OptionError> errors = table::read_design_options(options, choices.values);
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
    option("simulate", request.simulate);
    option("seed", request.seed);
    return command;
}

// ---- The rows

// The page simulates on the thread that also draws it: a simulation still
// running after this long stops, and the rows it had not reached go without
// simulated values.
constexpr std::chrono::milliseconds kSimulationLimit{5000};

struct Rows {
    std::vector<DesignRow> rows;
    bool simulation_stopped = false;
};

// The rows, simulated when asked for (one thread: the page's own).
Rows rows_of(const Choices& choices, const std::string& map_name) {
    const std::vector<table::Genome> genomes =
        table::genomes_of(choices.values, choices.has_map ? &choices.map : nullptr);
    std::atomic<bool> stop{false};
    simulation::Control control = choices.values.control;
    control.stop = &stop;
    const auto start = std::chrono::steady_clock::now();
    control.progress = [&stop, start](std::uint64_t) {
        if (std::chrono::steady_clock::now() - start > kSimulationLimit) {
            stop.store(true);
        }
    };
    Rows rows;
    for (const table::Genome& genome : genomes) {
        for (const DesignChoice& design : choices.values.designs) {
            std::vector<DesignRow> group =
                table::solve_design_group(genome, choices.has_map ? map_name.c_str() : nullptr,
                                          design, choices.values.alphas);
            for (std::size_t s = 0; choices.values.replicates > 0 && s < genome.scans.size(); ++s) {
                if (stop.load() ||
                    !table::simulate_scan(genome, choices.has_map ? &choices.map : nullptr, design,
                                          s, choices.values.replicates, control, group)) {
                    rows.simulation_stopped = true;
                }
            }
            rows.rows.insert(rows.rows.end(), group.begin(), group.end());
        }
    }
    return rows;
}

// The rows' cells as the command line's text format writes them, unpadded.
void append_rows(const std::vector<DesignRow>& rows, bool has_map, bool simulated,
                 std::string& out) {
    const table::Schema<DesignRow> schema = table::design_schema(simulated ? table::kSimulated : 0);
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

// ---- The plots

// The critical LOD, or NaN where no threshold meets the level.
double lod_or_nan(const Scan& scan, const DesignChoice& design, double alpha) {
    try {
        return design_threshold(scan, design.tail, design.rate, alpha).lod;
    } catch (const std::exception&) {
        return std::nan("");
    }
}

// Ticks for an axis from 0 to at least `top`: steps of 1, 2 or 5 times a
// power of ten, four to ten of them. A tick below 1 is a whole number divided
// by a power of ten, so that it is the double nearest its decimal (0.6, not
// 3 * 0.2 = 0.6000000000000001) and its label is short.
std::vector<double> ticks_to(double top) {
    if (!(top > 0.0) || !std::isfinite(top)) {
        return {0.0, 1.0};
    }
    const int power = static_cast<int>(std::floor(std::log10(top / 4.0)));
    const double scale = std::pow(10.0, std::abs(power));
    const auto tick = [power, scale](int units) {
        return power >= 0 ? units * scale : units / scale;
    };
    int factor = 1;
    for (const int candidate : {1, 2, 5, 10}) {
        factor = candidate;
        if (top / tick(factor) <= 10.0) {
            break;
        }
    }
    std::vector<double> ticks;
    for (int i = 0;; ++i) {
        ticks.push_back(tick(i * factor));
        if (ticks.back() >= top) {
            break;
        }
    }
    return ticks;
}

// The values and their labels, as the shortest text that reads back.
void append_ticks(const char* name, const std::vector<double>& ticks, std::string& out) {
    out += ",\"";
    out += name;
    out += "\":";
    append_numbers(ticks, out);
    out += ",\"";
    out += name;
    out += "_labels\":";
    append_array(
        ticks, [](double value, std::string& text) { append_string(table::shortest(value), text); },
        out);
}

std::string design_label(const DesignChoice& design) {
    std::string label = design.name != nullptr ? std::string(design.name) + ": " : "rate ";
    label += design.name != nullptr ? "" : table::shortest(design.rate) + ", ";
    label += tail_name(design.tail);
    if (design.name != nullptr) {
        label += ", rate " + table::shortest(design.rate);
    }
    return label;
}

// The mean distance between neighbouring markers of a map, in cM.
double mean_spacing_cm(const Scan& scan) {
    double length = 0.0;
    for (const Stretch& stretch : scan.stretches) {
        length += stretch.length;
    }
    return scan.stretches.empty()
               ? 0.0
               : kCentimorgansPerMorgan * length / static_cast<double>(scan.stretches.size());
}

// The plot's spacing axis: 0 to 20 cM in ticks of 5, and where a map's mean
// spacing is wider, on to the first tick past it, the ticks then as wide as
// keeps them at most kMostPlotTicks. A mean that is no finite number widens
// nothing.
struct SpacingAxis {
    std::vector<double> spacings_cm;  // where the curves are computed
    std::vector<double> ticks_cm;
};

SpacingAxis spacing_axis(double widest_cm) {
    const double base_end = kPlotSpacingsCm[std::size(kPlotSpacingsCm) - 1];
    const double end = std::isfinite(widest_cm) ? std::max(base_end, widest_cm) : base_end;
    double tick = kPlotSpacingTickCm;
    for (int k = 0; std::ceil(end / tick) > kMostPlotTicks; ++k) {
        // 5, 10, 20, 50, 100 ...: whole multiples of a power of 10.
        const double power = std::pow(10.0, std::floor(k / 3.0) + 1.0);
        tick = (k % 3 == 0 ? 1.0 : k % 3 == 1 ? 2.0 : 5.0) * power;
    }
    const int ticks = static_cast<int>(std::ceil(end / tick));
    SpacingAxis axis{{std::begin(kPlotSpacingsCm), std::end(kPlotSpacingsCm)}, {}};
    for (int half = 1; half <= 2 * ticks; ++half) {
        const double spacing = half * (tick / 2.0);
        if (spacing > base_end) {
            axis.spacings_cm.push_back(spacing);
        }
    }
    for (int i = 0; i <= ticks; ++i) {
        axis.ticks_cm.push_back(i * tick);
    }
    return axis;
}

void append_plot(const Choices& choices, const DesignChoice& design, std::string& out) {
    const Scan scan = choices.has_map ? map_scan(choices.map) : Scan{};
    const double length =
        choices.has_map ? map_length(choices.map) : choices.values.lengths.front();
    const double chromosomes =
        choices.has_map ? scan.chromosomes : choices.values.chromosomes.front();
    const double map_spacing_cm = choices.has_map ? mean_spacing_cm(scan) : 0.0;
    const SpacingAxis axis = spacing_axis(map_spacing_cm);
    const std::vector<double>& spacings = axis.spacings_cm;
    // Lander and Kruglyak's fixed fractions, from the densest map up.
    std::vector<double> fixed_spacings;
    for (auto rule = std::rbegin(kMapFractions); rule != std::rend(kMapFractions); ++rule) {
        fixed_spacings.push_back(rule->spacing_cm);
    }
    std::vector<std::vector<double>> curves;
    std::vector<std::vector<double>> fixed;
    std::vector<double> dense;
    std::vector<double> map_lods;
    std::vector<std::string> levels;
    double top = 0.0;
    for (const double alpha : choices.values.alphas) {
        std::vector<double> curve;
        for (const double spacing_cm : spacings) {
            curve.push_back(
                lod_or_nan(even_scan(length, chromosomes, spacing_cm / kCentimorgansPerMorgan),
                           design, alpha));
            top = std::isfinite(curve.back()) && curve.back() > top ? curve.back() : top;
        }
        dense.push_back(curve.front());
        std::vector<double> points;
        for (auto rule = std::rbegin(kMapFractions); rule != std::rend(kMapFractions); ++rule) {
            points.push_back(rule->fraction * curve.front());
        }
        if (choices.has_map) {
            map_lods.push_back(lod_or_nan(scan, design, alpha));
            top = std::isfinite(map_lods.back()) && map_lods.back() > top ? map_lods.back() : top;
        }
        curves.push_back(std::move(curve));
        fixed.push_back(std::move(points));
        levels.push_back(table::shortest(alpha));
    }
    out += "{\"design\":";
    append_string(design_label(design), out);
    out += ",\"genome\":";
    append_string(choices.has_map ? "the map's " + table::shortest(length) + " M on " +
                                        table::shortest(chromosomes) + " chromosomes"
                                  : table::shortest(length) + " M on " +
                                        table::shortest(chromosomes) + " chromosomes",
                  out);
    out += ",\"levels\":";
    append_strings(levels, out);
    out += ",\"spacings_cm\":";
    append_numbers(spacings, out);
    out += ",\"curves\":";
    append_array(curves, append_numbers, out);
    out += ",\"dense\":";
    append_numbers(dense, out);
    out += ",\"fixed_spacings_cm\":";
    append_numbers(fixed_spacings, out);
    out += ",\"fixed\":";
    append_array(fixed, append_numbers, out);
    if (choices.has_map) {
        out += ",\"map_spacing_cm\":";
        append_plotted(map_spacing_cm, out);
        out += ",\"map\":";
        append_numbers(map_lods, out);
    }
    append_ticks("x_ticks", axis.ticks_cm, out);
    append_ticks("y_ticks", ticks_to(top), out);
    out += '}';
}

std::string csv_of(const std::vector<DesignRow>& rows, bool simulated) {
    const table::Schema<DesignRow> schema = table::design_schema(simulated ? table::kSimulated : 0);
    std::string csv;
    schema.append_header(Format::csv, csv);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        schema.append_row(Format::csv, rows[i], i, csv);
    }
    return csv;
}

std::string answer_of(const Request& request) {
    Choices choices;
    const std::vector<table::OptionError> errors = parse_request(request, choices);
    std::string out = "{\"errors\":[";
    for (std::size_t i = 0; i < errors.size(); ++i) {
        out += i == 0 ? "{\"field\":" : ",{\"field\":";
        append_string(errors[i].option, out);
        out += ",\"message\":";
        append_string(errors[i].message, out);
        out += '}';
    }
    out += ']';
    if (!errors.empty()) {
        out += '}';
        return out;
    }
    out += ",\"command\":";
    append_string(command_of(request, choices.has_map), out);
    out += ',';
    const Rows rows = rows_of(choices, request.map_name);
    append_rows(rows.rows, choices.has_map, choices.values.replicates > 0, out);
    if (choices.values.replicates > 0) {
        // The download of a simulated table is these rows, not a second
        // simulation that could stop elsewhere.
        out += ",\"csv\":";
        append_string(csv_of(rows.rows, true), out);
    }
    if (rows.simulation_stopped) {
        out += ",\"note\":";
        append_string("The simulation stopped at the page's limit of " +
                          table::shortest(kSimulationLimit.count() / 1000.0) +
                          " s: rows without its values have none. Ask for fewer scans, or run "
                          "the command shown, which has no limit and uses every CPU.",
                      out);
    }
    out += ",\"plots\":[";
    for (std::size_t i = 0; i < choices.values.designs.size(); ++i) {
        out += i == 0 ? "" : ",";
        append_plot(choices, choices.values.designs[i], out);
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
        return csv_of(rows_of(choices, request.map_name).rows, choices.values.replicates > 0);
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
    // A fault of the libraries (bad input is reported as field errors, not
    // thrown) reaches the page as a message, not as an aborted module.
    const auto fault = [](const std::string& message) {
        std::string out = "{\"errors\":[],\"fault\":";
        append_string(message, out);
        out += '}';
        return out;
    };
    try {
        return answer_of(request);
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
