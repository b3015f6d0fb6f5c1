#include "cli/designs.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/runner.h"
#include "cli/simulation_run.h"
#include "simulation/null_scan.h"
#include "table/design_request.h"
#include "table/design_rows.h"
#include "table/design_simulation.h"
#include "table/power_rows.h"
#include "table/values.h"
#include "threshold/genetic_map.h"

namespace lodthresh::cli {

namespace {

using table::DesignChoice;
using table::DesignRow;
using table::Format;
using table::Genome;

// The checked values of a run.
struct Plan {
    Format format = Format::text;
    table::DesignValues values;
    table::PowerValues power;
    bool power_rows = false;
    const char* map_path = nullptr;
    GeneticMap map;

    bool simulate() const { return values.replicates > 0; }
};

// The values of the options, checked; the status of a usage error otherwise.
std::optional<int> read_plan(const Options& options, Plan& plan, std::FILE* err) {
    Format format = Format::text;
    if (const std::string error = table::parse_format(options.format.value_or("text"), &format);
        !error.empty()) {
        return usage_error(err, "--format: " + error);
    }
    plan.format = format;
    const std::vector<table::OptionError> errors = table::read_design_options(options, plan.values);
    if (!errors.empty()) {
        return usage_error(err, errors.front().message);
    }
    const std::vector<table::OptionError> power_errors =
        table::read_power_options(options, plan.values, plan.power);
    if (!power_errors.empty()) {
        return usage_error(err, power_errors.front().message);
    }
    plan.power_rows = options.power_rows();
    if (!options.threads) {
        plan.values.control.threads = simulation::available_cpus();
    }
    return std::nullopt;
}

// The whole of a file, or why it cannot be read (errno).
int read_whole(const char* path, std::string& text, std::FILE* err) {
    const int fd = open_input(path, err);
    if (fd < 0) {
        return -1;
    }
    char block[65536];
    for (;;) {
        const ssize_t n = read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            std::fprintf(err, "lodthresh: %s: %s\n", path, std::strerror(errno));
            close(fd);
            return -1;
        }
        if (n == 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(n));
    }
    close(fd);
    return 0;
}

// Reads the map of --map into the plan, without the chromosomes it leaves out
// (X, --omit-chromosomes). Returns the exit status when it cannot: 2 for a
// file that cannot be read or holds no marker, or a usage error of
// --omit-chromosomes; 1 for bad lines (each reported as FILE:LINE).
std::optional<int> read_map(const char* path, const Options& options, Plan& plan, std::FILE* err) {
    std::string text;
    if (read_whole(path, text, err) != 0) {
        return 2;
    }
    MapReading reading = read_genetic_map(text);
    const std::vector<std::string> messages = table::map_messages(path, reading);
    for (const std::string& message : messages) {
        std::fprintf(err, "lodthresh: %s\n", message.c_str());
    }
    if (!messages.empty()) {
        return reading.errors.empty() ? 2 : 1;  // no marker, or bad lines
    }
    std::vector<std::string> warnings;
    if (const std::string error =
            table::map_to_scan(path, reading, options.omit_chromosomes, plan.map, warnings);
        !error.empty()) {
        return usage_error(err, error);
    }
    for (const std::string& warning : warnings) {
        std::fprintf(err, "lodthresh: %s\n", warning.c_str());
    }
    plan.map_path = path;
    return std::nullopt;
}

// The rows of each genome or map and design, as they are computed. With a
// simulation, each genome or map and design is simulated once per spacing,
// from the seed's own stream, and every level's row read from the same
// replicates.
class DesignGroups {
  public:
    DesignGroups(const Plan& plan, Runner& runner)
        : plan_(plan),
          schema_(table::rows_schema(plan.values)),
          power_schema_(table::power_schema(plan.simulate() ? table::kSimulated : 0U)),
          runner_(runner) {}

    void begin() {
        if (plan_.power_rows) {
            runner_.begin(power_schema_,
                          plan_.simulate()
                              ? "# simulated: " + std::to_string(plan_.values.replicates) +
                                    " scans of each row with its QTL, seed " +
                                    std::to_string(plan_.values.control.seed) + "\n"
                              : std::string());
            return;
        }
        runner_.begin(schema_, plan_.simulate()
                                   ? "# simulated: " + std::to_string(plan_.values.replicates) +
                                         " null scans of each design and spacing, seed " +
                                         std::to_string(plan_.values.control.seed) + "\n"
                                   : std::string());
    }

    // Simulations stop early when `stop` is set, and say how far they are.
    // `simulations` counts those of the whole run, or of each group when
    // `per_group` (a batch, whose lines are not known ahead).
    void watch(const std::atomic<bool>* stop, ProgressBar* progress, std::size_t simulations,
               bool per_group) {
        stop_ = stop;
        progress_ = progress;
        simulations_ = simulations;
        per_group_ = per_group;
    }

    // The rows of one genome or map and design: every level at every scan.
    void group(const Genome& genome, const DesignChoice& design,
               const std::vector<double>& alphas) {
        if (runner_.stopped()) {
            return;
        }
        if (plan_.power_rows) {
            power_group(genome, design, alphas);
            return;
        }
        rows_of_group_ = table::solve_design_group(genome, plan_.map_path, design, alphas,
                                                   plan_.values.lods, plan_.values.individuals);
        simulated_ = per_group_ ? 0 : simulated_;
        if (plan_.simulate() && !simulate(genome, design)) {
            return;  // interrupted: none of this group's rows
        }
        const std::string* reported = nullptr;
        for (const DesignRow& row : rows_of_group_) {
            if (!row.failure.empty() && (reported == nullptr || *reported != row.failure)) {
                runner_.report(row.failure);
                reported = &row.failure;
            }
            runner_.write(schema_, row);
        }
        if (plan_.simulate()) {
            runner_.flush();  // simulated rows come seconds apart: each group as it is done
        }
    }

  private:
    // Power rows: each level and spacing with each effect size, simulated row
    // by row under the row's own QTL.
    void power_group(const Genome& genome, const DesignChoice& design,
                     const std::vector<double>& alphas) {
        const GeneticMap* map = plan_.map_path != nullptr ? &plan_.map : nullptr;
        std::vector<table::PowerRow> rows =
            table::solve_power_group(genome, plan_.map_path, map, design, alphas, plan_.power);
        if (plan_.simulate()) {
            simulation::Control control = plan_.values.control;
            control.stop = stop_;
            const double replicates = static_cast<double>(plan_.values.replicates);
            const double before = static_cast<double>(simulated_);
            simulated_ = per_group_ ? rows.size() : simulated_ + rows.size();
            const auto progress = [&](std::size_t row, std::uint64_t done) {
                if (progress_ != nullptr) {
                    progress_->show(
                        before + static_cast<double>(row) + static_cast<double>(done) / replicates,
                        static_cast<double>(simulations_ * rows.size()),
                        table::simulation_subject(genome, plan_.map_path, design, rows[row].scan) +
                            ", power");
                }
            };
            try {
                if (!table::simulate_power_rows(genome, map, plan_.values.replicates, control,
                                                progress, rows)) {
                    runner_.mark_interrupted();
                    return;
                }
            } catch (const std::exception& error) {
                runner_.mark_without_result();
                runner_.report(std::string("simulation: ") + error.what());
            }
        }
        const std::string* reported = nullptr;
        for (const table::PowerRow& row : rows) {
            if (!row.failure.empty() && (reported == nullptr || *reported != row.failure)) {
                runner_.report(row.failure);
                reported = &row.failure;
            }
            runner_.write(power_schema_, row);
        }
        if (plan_.simulate()) {
            runner_.flush();
        }
    }

    // Simulates the group's scans and fills in its rows' simulated values.
    // False when interrupted.
    bool simulate(const Genome& genome, const DesignChoice& design) {
        simulation::Control control = plan_.values.control;
        control.stop = stop_;
        const double replicates = static_cast<double>(plan_.values.replicates);
        const double before = static_cast<double>(simulated_);
        simulated_ += genome.scans.size();
        table::GroupWatch watch;
        watch.progress = [&](std::size_t scan, std::uint64_t done) {
            if (progress_ != nullptr) {
                progress_->show(
                    before + static_cast<double>(scan) + static_cast<double>(done) / replicates,
                    static_cast<double>(simulations_),
                    table::simulation_subject(genome, plan_.map_path, design, scan));
            }
        };
        watch.failed = [&](const std::exception& error) {
            runner_.mark_without_result();
            runner_.report(std::string("simulation: ") + error.what());
        };
        if (table::simulate_group(genome, plan_.map_path != nullptr ? &plan_.map : nullptr, design,
                                  plan_.values.replicates, control, watch,
                                  rows_of_group_) < genome.scans.size()) {
            runner_.mark_interrupted();
            return false;
        }
        return true;
    }

    const Plan& plan_;
    table::Schema<DesignRow> schema_;
    table::Schema<table::PowerRow> power_schema_;
    Runner& runner_;
    std::vector<DesignRow> rows_of_group_;
    const std::atomic<bool>* stop_ = nullptr;
    ProgressBar* progress_ = nullptr;
    std::size_t simulations_ = 1;
    bool per_group_ = false;
    std::size_t simulated_ = 0;
};

void run_lists(const Plan& plan, Runner& runner, DesignGroups& groups) {
    if (plan.map_path == nullptr) {
        for (const std::string& warning : table::spacing_warnings(plan.values)) {
            runner.report("warning: " + warning);
        }
    }
    const std::vector<Genome> genomes =
        table::genomes_of(plan.values, plan.map_path != nullptr ? &plan.map : nullptr);
    for (const Genome& genome : genomes) {
        for (const DesignChoice& design : plan.values.designs) {
            groups.group(genome, design, plan.values.alphas);
        }
    }
}

// A batch line of this mode: "length chromosomes rate alpha [precision]",
// the rate a number (with --tail) or a design's name; a precision is only
// checked to be a number, so that one file serves every mode.
std::string run_batch_line(const std::string& line, const Plan& plan,
                           std::vector<std::string>& fields, DesignGroups& groups) {
    split_fields(line, fields);
    if (fields.size() != 4 && fields.size() != 5) {
        return "expected 4 or 5 fields (length chromosomes rate alpha [precision]), found " +
               std::to_string(fields.size());
    }
    double length = 0.0;
    double chromosomes = 0.0;
    double alpha = 0.0;
    double precision = 0.0;
    DesignChoice design{};
    const std::pair<const char*, std::string> errors[] = {
        {"length", table::parse_length(fields[0], &length)},
        {"chromosomes", table::parse_chromosomes(fields[1], &chromosomes)},
        {"rate", table::parse_design_or_rate(fields[2], plan.values.tail, &design)},
        {"alpha", table::parse_alpha(fields[3], &alpha)},
        {"precision", fields.size() == 5 ? table::parse_precision(fields[4], &precision) : ""},
    };
    for (const auto& [field, error] : errors) {
        if (!error.empty()) {
            return field + (": " + error);
        }
    }
    try {
        groups.group(
            table::even_genome(length, chromosomes, plan.values.spacings_cm, plan.values.points),
            design, {alpha});
    } catch (const std::invalid_argument& error) {
        return error.what();  // interval mapping of a genome it cannot lay out
    }
    return "";
}

}  // namespace

int run_designs(const Options& options, int in, RowOutput& output, std::FILE* err) {
    if (const std::optional<std::string> refused = table::refused_design_combination(options)) {
        return usage_error(err, *refused);
    }
    Plan plan;
    if (const std::optional<int> status = read_plan(options, plan, err)) {
        return *status;
    }
    if (options.map) {
        if (const std::optional<int> status = read_map(options.map->c_str(), options, plan, err)) {
            return *status;
        }
    }
    Runner runner(plan.format, output, err);
    DesignGroups groups(plan, runner);
    std::optional<InterruptWatch> interrupts;
    std::optional<ProgressBar> progress;
    if (plan.simulate()) {
        interrupts.emplace();
        progress.emplace(err, output);
        // A batch's simulations are counted line by line; a list's are known.
        const table::DesignValues& v = plan.values;
        // Power rows count their groups, each simulated row by row.
        const std::size_t spacings = plan.power_rows ? 1 : v.spacings_cm.size();
        const std::size_t simulations =
            options.batch ? spacings
            : plan.map_path != nullptr
                ? v.designs.size()
                : v.lengths.size() * v.chromosomes.size() * v.designs.size() * spacings;
        groups.watch(&interrupts->stop(), &*progress, simulations, options.batch.has_value());
    }
    std::vector<std::string> fields;
    return runner.run(
        options, in, [&] { groups.begin(); },
        RowSource{
            [&] { run_lists(plan, runner, groups); },
            [&](const std::string& line) { return run_batch_line(line, plan, fields, groups); }});
}

}  // namespace lodthresh::cli
