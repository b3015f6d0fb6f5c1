#include "table/design_simulation.h"

#include <cerrno>
#include <cstdlib>

namespace lodthresh::table {

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

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

}  // namespace

std::string parse_replicates(const std::string& text, std::uint64_t* replicates) {
    return parse_whole(text, 1, replicates);
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

bool simulate_scan(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                   std::size_t s, std::uint64_t replicates, const simulation::Control& control,
                   std::vector<DesignRow>& rows) {
    const simulation::NullScan scan =
        map != nullptr
            ? simulation::map_null_scan(*map, design.tail, design.rate)
            : simulation::even_null_scan(genome.length, genome.chromosomes, genome.spacings_cm[s],
                                         design.tail, design.rate);
    simulation::Maxima maxima;
    if (!simulation::simulate(scan, replicates, control, maxima)) {
        return false;
    }
    for (std::size_t r = s; r < rows.size(); r += genome.scans.size()) {
        DesignRow& row = rows[r];
        const simulation::Estimate threshold = simulation::simulated_threshold(maxima, row.alpha);
        row.simulated.has_lod = threshold.has_value;
        row.simulated.lod = threshold.value;
        row.simulated.lod_se = threshold.se;
        if (row.status == Status::ok) {
            const simulation::Estimate level = simulation::simulated_level(maxima, row.result.lod);
            row.simulated.has_level = level.has_value;
            row.simulated.level = level.value;
            row.simulated.level_se = level.se;
        }
    }
    return true;
}

}  // namespace lodthresh::table
