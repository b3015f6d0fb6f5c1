#include "table/design_request.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "table/shortest.h"
#include "table/values.h"
#include "threshold/finite_sample.h"
#include "threshold/text.h"
#include "threshold/threshold.h"
#include "threshold/units.h"

namespace lodthresh::table {

namespace {

// The most marker intervals that interval mapping's rows take: each is kept.
constexpr double kMostIntervals = 1e7;

// A whole number of at least `least` that is the whole text.
std::string parse_whole(const std::string& text, std::uint64_t least, std::uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return quoted(text) + " is not a whole number";
    }
    errno = 0;
    const unsigned long long number = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) {
        return quoted(text) + " is too large";
    }
    if (number < least) {
        return quoted(text) + " is not at least " + std::to_string(least);
    }
    *value = number;
    return "";
}

// Each parser takes the option's text: "" and the value, or why not.
std::string parse_replicates(const std::string& text, std::uint64_t* replicates) {
    return parse_whole(text, kLeastReplicates, replicates);
}

std::string parse_seed(const std::string& text, std::uint64_t* seed) {
    return parse_whole(text, 0, seed);
}

std::string parse_threads(const std::string& text, unsigned* threads) {
    std::uint64_t value = 0;
    std::string error = parse_whole(text, 1, &value);
    if (error.empty() && value > 1024) {
        error = quoted(text) + " is more than 1024";
    }
    *threads = static_cast<unsigned>(value);
    return error;
}

// n individuals of crosses: each design's test a regression with n - k - 1 >= 1
// residual degrees of freedom. A list only for power rows, which vary them.
std::string parse_individuals(const std::string& text, bool list, DesignValues& values) {
    std::vector<int> counts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', start);
        if (comma != std::string::npos && !list) {
            return quoted(text) +
                   ": a list of individuals only with power rows (--pve, --noncentrality or "
                   "--target-power)";
        }
        const std::string element = text.substr(start, comma - start);
        std::uint64_t n = 0;
        if (std::string error = parse_whole(element, 1, &n); !error.empty()) {
            return error;
        }
        if (n > 100000000) {
            return quoted(element) + " is more than 10^8";
        }
        for (const DesignChoice& design : values.designs) {
            const std::string name = design.name != nullptr ? std::string(design.name)
                                                            : "of rate " + shortest(design.rate);
            if (regression_df(design.tail) == 0) {
                return "applies to regression LOD scores of crosses (two-sided and 2df tests), "
                       "not to the one-sided design " +
                       name;
            }
            if (n < static_cast<std::uint64_t>(least_individuals(design.tail))) {
                return quoted(element) +
                       " individuals leave no residual degree of freedom for the " +
                       tail_name(design.tail) + " test of " + name + " (at least " +
                       std::to_string(least_individuals(design.tail)) + ")";
            }
        }
        counts.push_back(static_cast<int>(n));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    values.individuals = counts.front();
    values.individual_counts = std::move(counts);
    return "";
}

// --scan and --step. Interval mapping needs markers to scan between: not a
// dense map, and at most 10^7 intervals.
std::string read_scan_points(const Options& options, DesignValues& values) {
    if (!options.scan) {
        return "";
    }
    values.scan_given = true;
    if (std::string error = parse_scan(*options.scan, &values.points.interval); !error.empty()) {
        return error;
    }
    if (!values.points.interval || options.map) {
        return "";
    }
    for (const double spacing : values.spacings_cm) {
        if (spacing == 0.0) {
            return "interval: not with the dense map (--spacing 0), which has nothing between "
                   "markers";
        }
    }
    for (const double chromosomes : values.chromosomes) {
        for (const double length : values.lengths) {
            for (const double spacing : values.spacings_cm) {
                const double intervals = length / chromosomes * kCentimorgansPerMorgan / spacing;
                if (!(intervals * chromosomes <= kMostIntervals)) {
                    return "interval: " + readable_number(intervals * chromosomes) +
                           " marker intervals (--length / --spacing) are more than 10^7";
                }
            }
        }
    }
    return "";
}

std::string check_replicates(std::uint64_t replicates, bool dense) {
    // The maxima of one simulation are all it keeps: 16 bytes a replicate for
    // the dense map's two grids, 8 for markers.
    const simulation::NullScan widest{Tail::one_sided, 1.0, {}, dense};
    const std::uint64_t per_replicate = simulation::bytes_per_replicate(widest);
    if (replicates <= simulation::kMemoryBound / per_replicate) {
        return "";
    }
    return std::to_string(replicates) + " replicates of " + std::to_string(per_replicate) +
           " bytes are above the bound of " + std::to_string(simulation::kMemoryBound >> 20) +
           " MiB";
}

}  // namespace

std::optional<std::string> refused_design_combination(const Options& options) {
    if (options.precision) {
        return "--precision: not with --design, --tail, --spacing or --map, which solve without "
               "one";
    }
    if (options.design && options.batch) {
        return "--design: not with --batch, whose lines give it";
    }
    if (options.omit_chromosomes && !options.map) {
        return "--omit-chromosomes: only with --map";
    }
    if (options.lod && options.batch) {
        return "--lod: not with --batch, whose lines give levels";
    }
    if (options.individuals && options.batch) {
        return "--individuals: not with --batch, whose lines may name designs of any test";
    }
    if (options.map) {
        return refused_with(
            options, {&Options::length, &Options::chromosomes, &Options::spacing, &Options::batch},
            "--map, whose markers give it");
    }
    return std::nullopt;
}

std::vector<OptionError> read_design_options(const Options& options, DesignValues& values) {
    std::vector<OptionError> errors;
    const auto check = [&errors](const char* option, const std::string& error) {
        if (!error.empty()) {
            errors.push_back({option, std::string("--") + option + ": " + error});
        }
    };
    // The defaults of the standard mode's calculation, and of this mode's values.
    const ThresholdParameters defaults;
    const DesignValues unset;
    const auto given_or = [](const std::optional<std::string>& option, double default_value) {
        return option ? *option : shortest(default_value);
    };
    if (options.design && options.tail) {
        errors.push_back({"tail", "--tail: not with --design, whose designs have their own tails"});
    } else {
        check("tail",
              parse_tail(options.tail ? *options.tail : tail_name(unset.tail), &values.tail));
    }
    check("length",
          parse_lengths(given_or(options.length, defaults.genome_length), &values.lengths));
    check("chromosomes", parse_chromosome_list(given_or(options.chromosomes, defaults.chromosomes),
                                               &values.chromosomes));
    if (options.design && options.rate) {
        errors.push_back({"design",
                          "--design: not with --rate; a design of one's own is a --rate with a "
                          "--tail"});
    } else if (options.design) {
        check("design", parse_designs(*options.design, &values.designs));
    } else {
        check("rate", parse_designs_or_rates(given_or(options.rate, defaults.crossover_rate),
                                             values.tail, &values.designs));
    }
    if (options.lod && options.alpha) {
        errors.push_back({"lod", "--lod: not with --alpha; a peak's p-value needs no level"});
    } else if (options.lod) {
        check("lod", parse_lods(*options.lod, &values.lods));
    } else {
        check("alpha",
              parse_alphas(given_or(options.alpha, defaults.significance), &values.alphas));
    }
    check("spacing",
          parse_spacings(given_or(options.spacing, kDenseSpacingCm), &values.spacings_cm));
    check("scan", read_scan_points(options, values));
    if (options.step) {
        check("step", parse_step(*options.step, &values.points.step_cm));
    }
    if (options.individuals) {
        check("individuals", parse_individuals(*options.individuals, options.power_rows(), values));
    }
    if (!options.simulate) {
        for (const auto& [option, name] :
             {std::pair{&options.seed, "seed"}, std::pair{&options.threads, "threads"}}) {
            if (*option) {
                errors.push_back({name, std::string("--") + name + ": only with --simulate"});
            }
        }
        return errors;
    }
    if (!(options.design || options.tail || options.spacing || options.map)) {
        errors.push_back({"simulate",
                          "--simulate: simulates the designs mode's rows: add --design or "
                          "--spacing"});
    } else if (const std::string error = parse_replicates(*options.simulate, &values.replicates);
               !error.empty()) {
        check("simulate", error);
    } else {
        bool dense = false;
        for (const double spacing : values.spacings_cm) {
            dense = dense || (spacing == 0.0 && !options.map);
        }
        check("simulate", check_replicates(values.replicates, dense));
    }
    if (options.seed) {
        check("seed", parse_seed(*options.seed, &values.control.seed));
    }
    if (options.threads) {
        check("threads", parse_threads(*options.threads, &values.control.threads));
    }
    return errors;
}

std::vector<std::string> map_messages(const std::string& name, const MapReading& reading) {
    std::vector<std::string> messages;
    for (const MapError& error : reading.errors) {
        messages.push_back(name + ":" + std::to_string(error.line) + ": " + error.reason);
    }
    if (messages.empty() && reading.map.chromosomes.empty()) {
        messages.push_back(name + ": no marker");
    }
    return messages;
}

std::vector<std::string> spacing_warnings(const DesignValues& values) {
    std::vector<std::string> warnings;
    for (const double length : values.lengths) {
        for (const double chromosomes : values.chromosomes) {
            const double chromosome_cm = length / chromosomes * kCentimorgansPerMorgan;
            for (const double spacing : values.spacings_cm) {
                if (spacing > chromosome_cm) {
                    warnings.push_back("--spacing " + shortest(spacing) +
                                       " cM exceeds the chromosome length G/C = " +
                                       readable_number(chromosome_cm) +
                                       " cM: each chromosome has markers only at its ends");
                }
            }
        }
    }
    return warnings;
}

std::string map_to_scan(const std::string& name, MapReading& reading,
                        const std::optional<std::string>& omit, GeneticMap& map,
                        std::vector<std::string>& warnings) {
    std::vector<std::string> left_out;
    if (omit) {
        std::string::size_type start = 0;
        for (;;) {
            const std::string::size_type comma = omit->find(',', start);
            left_out.push_back(omit->substr(start, comma - start));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
    }
    std::vector<std::string> missing;
    GeneticMap kept = without_chromosomes(reading.map, left_out, &missing);
    if (!missing.empty()) {
        return "--omit-chromosomes: " + quoted(missing.front()) + " is no chromosome of " + name;
    }
    std::vector<std::string> x;
    for (const MapChromosome& chromosome : kept.chromosomes) {
        if (is_x_chromosome(chromosome.name, reading.layout)) {
            x.push_back(chromosome.name);
        }
    }
    if (!x.empty()) {
        kept = without_chromosomes(kept, x, nullptr);
        for (const std::string& chromosome : x) {
            std::string warning = "warning: " + name;
            warning += ": chromosome " + chromosome;
            warning +=
                " is left out and its threshold not computed: the X chromosome's test differs "
                "by design and cross direction";
            warnings.push_back(std::move(warning));
        }
    }
    if (kept.chromosomes.empty()) {
        return "--map: " + name + " has no chromosome left to scan";
    }
    map = std::move(kept);
    return "";
}

Genome even_genome(double length, double chromosomes, const std::vector<double>& spacings_cm,
                   const ScanPoints& points) {
    Genome genome{length, chromosomes, spacings_cm, {}, points, {}};
    genome.scans.reserve(spacings_cm.size());
    for (const double spacing : spacings_cm) {
        if (!points.interval) {
            genome.scans.push_back(
                even_scan(length, chromosomes, spacing / kCentimorgansPerMorgan));
            continue;
        }
        if (spacing == 0.0 || chromosomes != std::floor(chromosomes) ||
            !(length / spacing * kCentimorgansPerMorgan <= kMostIntervals)) {
            throw std::invalid_argument(
                "interval mapping needs markers on a whole number of chromosomes, at most 10^7 "
                "intervals");
        }
        genome.between.push_back(even_interval_scan(length, static_cast<int>(chromosomes),
                                                    spacing / kCentimorgansPerMorgan,
                                                    points.step_cm / kCentimorgansPerMorgan));
        genome.scans.push_back(marker_scan(genome.between.back()));
    }
    return genome;
}

std::vector<Genome> genomes_of(const DesignValues& values, const GeneticMap* map) {
    if (map != nullptr) {
        const Scan scan = map_scan(*map);
        Genome genome{map_length(*map), scan.chromosomes, {0.0}, {scan}, values.points, {}};
        if (values.points.interval) {
            genome.between.push_back(
                map_interval_scan(*map, values.points.step_cm / kCentimorgansPerMorgan));
        }
        return {genome};
    }
    std::vector<Genome> genomes;
    for (const double length : values.lengths) {
        for (const double chromosomes : values.chromosomes) {
            genomes.push_back(even_genome(length, chromosomes, values.spacings_cm, values.points));
        }
    }
    return genomes;
}

std::vector<DesignRow> solve_design_group(const Genome& genome, const char* map,
                                          const DesignChoice& design,
                                          const std::vector<double>& alphas,
                                          const std::vector<double>& lods, int individuals) {
    std::vector<DesignRow> rows;
    const auto add = [&](std::size_t scan, double alpha, double peak) {
        DesignRow row{genome.length, genome.chromosomes,
                      map,           design,
                      alpha,         genome.spacings_cm[scan],
                      Status::ok,    DesignThreshold{},
                      Simulated{},   scan,
                      peak,          PeakPValue{},
                      individuals,   0.0,
                      genome.points, {}};
        solve_design_row(genome.scans[scan], row,
                         genome.between.empty() ? nullptr : &genome.between[scan]);
        rows.push_back(row);
    };
    if (!lods.empty()) {
        rows.reserve(genome.scans.size() * lods.size());
        for (std::size_t s = 0; s < genome.scans.size(); ++s) {
            for (const double lod : lods) {
                add(s, 0.0, lod);
            }
        }
        return rows;
    }
    rows.reserve(alphas.size() * genome.scans.size());
    for (const double alpha : alphas) {
        for (std::size_t s = 0; s < genome.scans.size(); ++s) {
            add(s, alpha, 0.0);
        }
    }
    return rows;
}

Schema<DesignRow> rows_schema(const DesignValues& values) {
    const unsigned present = (values.replicates > 0 ? kSimulated : 0U) |
                             (values.individuals > 0 ? kIndividuals : 0U) |
                             (values.scan_given ? kScanPoints : 0U);
    return values.lods.empty() ? design_schema(present) : p_value_schema(present);
}

}  // namespace lodthresh::table
