#include "table/design_request.h"

#include "table/values.h"

namespace lodthresh::table {

namespace {

// Centimorgan per Morgan.
constexpr double kCentimorgan = 100.0;

}  // namespace

std::vector<OptionError> read_design_options(const DesignOptions& options, DesignValues& values) {
    std::vector<OptionError> errors;
    const auto check = [&errors](const char* option, const std::string& error) {
        if (!error.empty()) {
            errors.push_back({option, std::string("--") + option + ": " + error});
        }
    };
    const auto given_or = [](const std::optional<std::string>& option, const char* default_text) {
        return option ? *option : std::string(default_text);
    };
    if (options.design && options.tail) {
        errors.push_back({"tail", "--tail: not with --design, whose designs have their own tails"});
    } else {
        check("tail", parse_tail(given_or(options.tail, "one-sided"), &values.tail));
    }
    check("length", parse_lengths(given_or(options.length, "33"), &values.lengths));
    check("chromosomes",
          parse_chromosome_list(given_or(options.chromosomes, "23"), &values.chromosomes));
    if (options.design && options.rate) {
        errors.push_back({"design",
                          "--design: not with --rate; a design of one's own is a --rate with a "
                          "--tail"});
    } else if (options.design) {
        check("design", parse_designs(*options.design, &values.designs));
    } else {
        check("rate",
              parse_designs_or_rates(given_or(options.rate, "2"), values.tail, &values.designs));
    }
    check("alpha", parse_alphas(given_or(options.alpha, "0.05"), &values.alphas));
    check("spacing", parse_spacings(given_or(options.spacing, "0"), &values.spacings_cm));
    return errors;
}

Genome even_genome(double length, double chromosomes, const std::vector<double>& spacings_cm) {
    Genome genome{length, chromosomes, spacings_cm, {}};
    genome.scans.reserve(spacings_cm.size());
    for (const double spacing : spacings_cm) {
        genome.scans.push_back(even_scan(length, chromosomes, spacing / kCentimorgan));
    }
    return genome;
}

std::vector<Genome> genomes_of(const DesignValues& values) {
    std::vector<Genome> genomes;
    for (const double length : values.lengths) {
        for (const double chromosomes : values.chromosomes) {
            genomes.push_back(even_genome(length, chromosomes, values.spacings_cm));
        }
    }
    return genomes;
}

Genome map_genome(const GeneticMap& map) {
    const Scan scan = map_scan(map);
    return Genome{map_length(map), scan.chromosomes, {0.0}, {scan}};
}

std::vector<DesignRow> solve_design_group(const Genome& genome, const char* map,
                                          const DesignChoice& design,
                                          const std::vector<double>& alphas) {
    std::vector<DesignRow> rows;
    rows.reserve(alphas.size() * genome.scans.size());
    for (const double alpha : alphas) {
        for (std::size_t s = 0; s < genome.scans.size(); ++s) {
            DesignRow row{genome.length, genome.chromosomes,    map,        design,
                          alpha,         genome.spacings_cm[s], Status::ok, DesignThreshold{},
                          Simulated{}};
            solve_design_row(genome.scans[s], row);
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace lodthresh::table
