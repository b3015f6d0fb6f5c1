#include "table/request.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <future>
#include <iostream>
#include <limits>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "simulation/null_scan.h"
#include "table/design_request.h"
#include "table/design_rows.h"
#include "table/design_simulation.h"
#include "table/power_rows.h"
#include "table/schema.h"
#include "table/shortest.h"
#include "table/standard_rows.h"
#include "table/values.h"
#include "threshold/genetic_map.h"

namespace lodthresh::table {

// ---- The arguments

bool is_request_option(const OptionEntry& entry) {
    for (const char* own : {"format", "batch", "help", "version"}) {
        if (std::strcmp(entry.name, own) == 0) {
            return false;
        }
    }
    return true;
}

std::string argument_name(const OptionEntry& entry) {
    std::string name = entry.name;
    for (char& c : name) {
        c = c == '-' ? '_' : c;
    }
    return name;
}

namespace {

// A number as a user types it: a whole number as its digits ("100000", which
// a count such as --simulate takes, where the shortest text is "1e+05"), any
// other as its shortest round-trip text. Both read back as the same double.
void append_number(double number, std::string& out) {
    constexpr double kWholeDoubles = 9007199254740992.0;  // 2^53: every whole double below is exact
    if (std::floor(number) == number && std::fabs(number) < kWholeDoubles) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.0f", number);
        out += digits;
        return;
    }
    append_shortest(number, out);
}

}  // namespace

std::optional<OptionError> set_argument(const std::string& name, const ArgumentValue& value,
                                        Options& options) {
    std::string option_name = name;
    for (char& c : option_name) {
        c = c == '_' ? '-' : c;
    }
    const OptionEntry* entry = find_option(option_name);
    if (entry == nullptr || !is_request_option(*entry)) {
        return OptionError{"", "unrecognized argument '" + name + "'"};
    }
    const std::string option = std::string("--") + entry->name;
    if (entry->flag != nullptr) {
        if (!value.flag || value.items.size() != 1) {
            return OptionError{entry->name,
                               option + ": a flag, given one logical value (true or false)"};
        }
        options.*(entry->flag) = *value.flag;
        return std::nullopt;
    }
    if (value.items.empty()) {
        return OptionError{entry->name, option + ": needs a value"};
    }
    std::string text;
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        text += i == 0 ? "" : ",";
        if (value.items[i].is_number) {
            append_number(value.items[i].number, text);
        } else {
            text += value.items[i].text;
        }
    }
    options.*(entry->value) = std::move(text);
    return std::nullopt;
}

// ---- The map

std::string read_map_file(const std::string& path, std::string& text) {
    const auto failure = [&path](int error) { return path + ": " + std::strerror(error); };
    errno = 0;
    std::FILE* const file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return failure(errno != 0 ? errno : ENOENT);
    }
    char block[65536];
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file);
        text.append(block, n);
        if (n < sizeof block) {
            break;
        }
    }
    const int error = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(file);
    return error != 0 ? failure(error) : "";
}

namespace {

// A name as qtl2's gmap.csv quotes it: a quote inside doubled.
void append_quoted(const std::string& name, std::string& out) {
    out += '"';
    for (const char c : name) {
        out += c == '"' ? "\"\"" : std::string(1, c);
    }
    out += '"';
}

}  // namespace

std::string map_text_of(const std::vector<std::string>& markers,
                        const std::vector<std::string>& chromosomes,
                        const std::vector<double>& positions_cm) {
    if (markers.size() != chromosomes.size() || markers.size() != positions_cm.size()) {
        throw std::invalid_argument("a map's marker, chr and pos columns differ in length");
    }
    std::string text = "marker,chr,pos\n";
    for (std::size_t i = 0; i < markers.size(); ++i) {
        append_quoted(markers[i], text);
        text += ',';
        append_quoted(chromosomes[i], text);
        text += ',';
        if (std::isnan(positions_cm[i])) {
            text += "NA";
        } else {
            append_shortest(positions_cm[i], text);
        }
        text += '\n';
    }
    return text;
}

// ---- The rows

namespace {

// The rows of a schema gathered into columns, each field as tsv writes it.
template <class Row>
class TableBuilder {
  public:
    explicit TableBuilder(const Schema<Row>& schema) : schema_(schema) {
        schema_.for_each_column([this](const Column<Row>& column) {
            TableColumn added;
            added.name = column.name;
            added.text = column.text;
            table_.columns.push_back(std::move(added));
        });
    }

    void add(const Row& row) {
        std::size_t i = 0;
        schema_.for_each_column([&](const Column<Row>& column) {
            append(schema_.field_of(column, row), table_.columns[i++]);
        });
        ++table_.rows;
    }

    Table take() { return std::move(table_); }

  private:
    static void append(const Field& field, TableColumn& column) {
        if (!column.text) {
            column.numbers.push_back(field.kind == Field::Kind::number
                                         ? field.number
                                         : std::numeric_limits<double>::quiet_NaN());
            return;
        }
        column.empty.push_back(field.kind == Field::Kind::empty ? 1 : 0);
        switch (field.kind) {
            case Field::Kind::empty:
                column.texts.emplace_back();
                break;
            case Field::Kind::text:
                column.texts.emplace_back(field.text);
                break;
            case Field::Kind::number:
                column.texts.push_back(shortest(field.number));
                break;
        }
    }

    Schema<Row> schema_;
    Table table_;
};

// A message without the line end that the command line writes after it.
std::string without_line_end(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

void run_standard(const Options& options, RequestAnswer& answer) {
    StandardValues lists;
    if (const std::optional<OptionError> error = read_standard_options(options, lists)) {
        answer.errors.push_back(*error);
        return;
    }
    TableBuilder<Row> builder(standard_schema(options.exact));
    std::stringbuf diagnostics;
    for (const double length : lists.lengths) {
        for (const double chromosomes : lists.chromosomes) {
            for (const Rate& rate : lists.rates) {
                for (const double alpha : lists.alphas) {
                    for (const double precision : lists.precisions) {
                        Row row{
                            ThresholdParameters{length, chromosomes, rate.value, alpha, precision},
                            rate.mapping, options.exact, Status::ok, ThresholdResult{}};
                        {
                            const CerrRedirect redirect(&diagnostics);
                            solve_standard_row(row);
                        }
                        if (diagnostics.in_avail() > 0) {
                            answer.messages.push_back(without_line_end(diagnostics.str()));
                            diagnostics.str("");
                        }
                        builder.add(row);
                    }
                }
            }
        }
    }
    answer.table = builder.take();
}

// The map of the request, without the chromosomes it leaves out (X,
// --omit-chromosomes), into `map`; false with the errors in the answer.
bool read_request_map(const Options& options, const std::optional<MapText>& given, GeneticMap& map,
                      std::string& name, RequestAnswer& answer) {
    MapText source;
    if (given) {
        source = *given;
    } else {
        source.name = *options.map;
        if (const std::string error = read_map_file(source.name, source.text); !error.empty()) {
            answer.errors.push_back({"map", error});
            return false;
        }
    }
    MapReading reading = read_genetic_map(source.text);
    for (const std::string& message : map_messages(source.name, reading)) {
        answer.errors.push_back({"map", message});
    }
    if (!answer.errors.empty()) {
        return false;
    }
    std::vector<std::string> warnings;
    if (const std::string error =
            map_to_scan(source.name, reading, options.omit_chromosomes, map, warnings);
        !error.empty()) {
        answer.errors.push_back({"map", error});
        return false;
    }
    answer.messages.insert(answer.messages.end(), warnings.begin(), warnings.end());
    name = source.name;
    return true;
}

// Power rows of each genome or map and design, as the command line's; with a
// simulation, each row's scans under its own QTL.
void run_power_rows(const std::vector<Genome>& genomes, const GeneticMap* map, const char* map_path,
                    const DesignValues& values, const PowerValues& power, const RequestWatch& watch,
                    RequestAnswer& answer) {
    TableBuilder<PowerRow> builder(power_schema(values.replicates > 0 ? kSimulated : 0U));
    const double groups = static_cast<double>(genomes.size() * values.designs.size());
    double done_groups = 0.0;
    for (const Genome& genome : genomes) {
        for (const DesignChoice& design : values.designs) {
            std::vector<PowerRow> rows =
                solve_power_group(genome, map_path, map, design, values.alphas, power);
            if (values.replicates > 0) {
                simulation::Control control = values.control;
                control.stop = watch.stop;
                const double replicates = static_cast<double>(values.replicates);
                const double count = static_cast<double>(rows.size());
                const auto progress = [&](std::size_t row, std::uint64_t done) {
                    if (watch.progress) {
                        watch.progress(
                            (done_groups +
                             (static_cast<double>(row) + static_cast<double>(done) / replicates) /
                                 count) /
                                groups,
                            simulation_subject(genome, map_path, design, rows[row].scan) +
                                ", power");
                    }
                };
                try {
                    if (!simulate_power_rows(genome, map, values.replicates, control, progress,
                                             rows)) {
                        answer.stopped = true;
                        return;
                    }
                } catch (const std::exception& error) {
                    answer.messages.push_back(std::string("simulation: ") + error.what());
                }
            }
            done_groups += 1.0;
            const std::string* reported = nullptr;
            for (const PowerRow& row : rows) {
                if (!row.failure.empty() && (reported == nullptr || *reported != row.failure)) {
                    answer.messages.push_back(row.failure);
                    reported = &row.failure;
                }
                builder.add(row);
            }
        }
    }
    answer.table = builder.take();
}

// The rows of each genome or map and design in the command line's order;
// simulated, each group's scans one after another, when asked for.
void run_designs(const Options& options, const std::optional<MapText>& given,
                 const RequestWatch& watch, RequestAnswer& answer) {
    if (const std::optional<std::string> refused = refused_design_combination(options)) {
        answer.errors.push_back({"", *refused});
        return;
    }
    DesignValues values;
    answer.errors = read_design_options(options, values);
    PowerValues power;
    if (answer.errors.empty()) {
        answer.errors = read_power_options(options, values, power);
    }
    if (!answer.errors.empty()) {
        answer.errors.resize(1);  // the first, as the command line reports it
        return;
    }
    if (!options.threads) {
        values.control.threads = simulation::available_cpus();
    }
    GeneticMap map;
    std::string map_name;
    const bool has_map = options.map.has_value() || given.has_value();
    if (has_map && !read_request_map(options, given, map, map_name, answer)) {
        return;
    }
    if (!has_map) {
        for (const std::string& warning : spacing_warnings(values)) {
            answer.messages.push_back("warning: " + warning);
        }
    }
    const char* const map_path = has_map ? map_name.c_str() : nullptr;
    const std::vector<Genome> genomes = genomes_of(values, has_map ? &map : nullptr);
    std::size_t simulations = 0;
    for (const Genome& genome : genomes) {
        simulations += genome.scans.size() * values.designs.size();
    }
    if (options.power_rows()) {
        run_power_rows(genomes, has_map ? &map : nullptr, map_path, values, power, watch, answer);
        return;
    }
    TableBuilder<DesignRow> builder(rows_schema(values));
    std::size_t simulated = 0;
    for (const Genome& genome : genomes) {
        for (const DesignChoice& design : values.designs) {
            std::vector<DesignRow> rows = solve_design_group(
                genome, map_path, design, values.alphas, values.lods, values.individuals);
            if (values.replicates > 0) {
                simulation::Control control = values.control;
                control.stop = watch.stop;
                const double replicates = static_cast<double>(values.replicates);
                GroupWatch group_watch;
                group_watch.progress = [&](std::size_t scan, std::uint64_t done) {
                    if (watch.progress) {
                        watch.progress((static_cast<double>(simulated + scan) +
                                        static_cast<double>(done) / replicates) /
                                           static_cast<double>(simulations),
                                       simulation_subject(genome, map_path, design, scan));
                    }
                };
                group_watch.failed = [&](const std::exception& error) {
                    answer.messages.push_back(std::string("simulation: ") + error.what());
                };
                if (simulate_group(genome, has_map ? &map : nullptr, design, values.replicates,
                                   control, group_watch, rows) < genome.scans.size()) {
                    answer.stopped = true;
                    return;
                }
                simulated += genome.scans.size();
            }
            const std::string* reported = nullptr;
            for (const DesignRow& row : rows) {
                if (!row.failure.empty() && (reported == nullptr || *reported != row.failure)) {
                    answer.messages.push_back(row.failure);
                    reported = &row.failure;
                }
                builder.add(row);
            }
        }
    }
    answer.table = builder.take();
}

}  // namespace

RequestAnswer run_request(const Options& options, const std::optional<MapText>& map,
                          const RequestWatch& watch) {
    RequestAnswer answer;
    for (const OptionMember own : {&Options::format, &Options::batch}) {
        if (options.*own) {
            answer.errors.push_back(
                {name_of(own), long_name(own) + ": the command line's own, not a request's"});
            return answer;
        }
    }
    if (const std::optional<std::string> refused = refused_combination(options)) {
        answer.errors.push_back({"", *refused});
        return answer;
    }
    Options request = options;
    if (map && !request.map) {
        request.map = map->name;
    }
    if (request.designs_mode()) {
        run_designs(request, map, watch, answer);
    } else {
        run_standard(request, answer);
    }
    if (answer.stopped || !answer.errors.empty()) {
        answer.table = Table{};
    }
    return answer;
}

RequestAnswer run_request_watched(
    const Options& options, const std::optional<MapText>& map,
    const std::function<bool()>& interrupted,
    const std::function<void(double fraction, const std::string& what)>& show,
    std::chrono::milliseconds period) {
    std::atomic<bool> stop{false};
    // The latest progress, written by a simulation's thread, read here.
    std::mutex progress_mutex;
    double fraction = -1.0;
    std::string what;
    RequestWatch watch;
    watch.stop = &stop;
    watch.progress = [&](double done, const std::string& subject) {
        const std::lock_guard<std::mutex> lock(progress_mutex);
        fraction = done;
        what = subject;
    };
    std::future<RequestAnswer> answer =
        std::async(std::launch::async, [&] { return run_request(options, map, watch); });
    try {
        while (answer.wait_for(period) != std::future_status::ready) {
            if (!stop.load() && interrupted && interrupted()) {
                stop.store(true);
            }
            double latest = -1.0;
            std::string subject;
            {
                const std::lock_guard<std::mutex> lock(progress_mutex);
                latest = fraction;
                subject = what;
            }
            if (show && latest >= 0.0 && !stop.load()) {
                show(latest, subject);
            }
        }
    } catch (...) {
        // A caller's callback failed: the request stops before it passes on.
        stop.store(true);
        answer.wait();
        throw;
    }
    RequestAnswer result = answer.get();  // rethrows the request's exception
    if (stop.load()) {
        result.stopped = true;
        result.table = Table{};
    }
    return result;
}

}  // namespace lodthresh::table
