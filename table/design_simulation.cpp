#include "table/design_simulation.h"

#include <algorithm>
#include <cmath>

#include "table/shortest.h"

#include "threshold/finite_sample.h"
#include "threshold/units.h"

namespace lodthresh::table {

bool simulate_scan(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                   std::size_t s, std::uint64_t replicates, const simulation::Control& control,
                   std::vector<DesignRow>& rows) {
    simulation::IntervalMapping between;
    if (genome.points.interval) {
        between.kind = genome.points.step_cm > 0.0 ? simulation::ScanKind::pseudomarkers
                                                   : simulation::ScanKind::continuous;
        between.step_cm = genome.points.step_cm;
    }
    const simulation::NullScan scan =
        map != nullptr
            ? simulation::map_null_scan(*map, design.tail, design.rate, between)
            : simulation::even_null_scan(genome.length, genome.chromosomes, genome.spacings_cm[s],
                                         design.tail, design.rate, between);
    simulation::Maxima maxima;
    if (!simulation::simulate(scan, replicates, control, maxima)) {
        return false;
    }
    for (DesignRow& row : rows) {
        if (row.scan != s) {
            continue;
        }
        // The maxima are on the large-sample scale: a cross's LOD scores are
        // compared with them through the large-sample LOD of the same level.
        const bool cross = row.individuals > 0;
        if (row.peak > 0.0) {
            if (row.status != Status::ok) {
                continue;
            }
            const simulation::Estimate p =
                simulation::simulated_level(maxima, cross ? row.large_sample_lod : row.peak);
            row.simulated.has_p = p.has_value;
            row.simulated.p = p.value;
            row.simulated.p_se = p.se;
            continue;
        }
        const simulation::Estimate threshold = simulation::simulated_threshold(maxima, row.alpha);
        row.simulated.has_lod = threshold.has_value;
        row.simulated.lod = threshold.value;
        row.simulated.lod_se = threshold.se;
        if (cross && threshold.has_value) {
            // The LOD of n individuals is monotone in the large-sample one:
            // the threshold converts, its standard error by the ends of +-1 se.
            const auto convert = [&row](double lod) {
                const double level = pointwise_level(row.design.tail, chi_square_of_lod(lod));
                return finite_sample_lod(row.design.tail, level, row.individuals);
            };
            row.simulated.lod = convert(threshold.value);
            row.simulated.lod_se = 0.5 * (convert(threshold.value + threshold.se) -
                                          convert(std::max(threshold.value - threshold.se, 0.0)));
        }
        if (row.status == Status::ok) {
            const simulation::Estimate level =
                simulation::simulated_level(maxima, cross ? row.large_sample_lod : row.result.lod);
            row.simulated.has_level = level.has_value;
            row.simulated.level = level.value;
            row.simulated.level_se = level.se;
        }
    }
    return true;
}

std::size_t simulate_group(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                           std::uint64_t replicates, simulation::Control control,
                           const GroupWatch& watch, std::vector<DesignRow>& rows) {
    for (std::size_t s = 0; s < genome.scans.size(); ++s) {
        if (watch.progress) {
            control.progress = [&watch, s](std::uint64_t done) { watch.progress(s, done); };
        }
        try {
            if (!simulate_scan(genome, map, design, s, replicates, control, rows)) {
                return s;
            }
        } catch (const std::exception& error) {
            if (!watch.failed) {
                throw;
            }
            watch.failed(error);
        }
    }
    return genome.scans.size();
}

std::string simulation_subject(const Genome& genome, const char* map, const DesignChoice& design,
                               std::size_t s) {
    std::string what = design.name != nullptr
                           ? std::string(design.name)
                           : "rate " + shortest(design.rate) + ", " + tail_name(design.tail);
    if (map != nullptr) {
        return what + " on " + map;
    }
    const double spacing = genome.spacings_cm[s];
    return what + (spacing == 0.0 ? ", dense map" : " at " + shortest(spacing) + " cM");
}

std::string progress_text(double fraction, double elapsed, const std::string& what) {
    constexpr int kBarWidth = 30;
    // One line of an 80-column terminal: a line that wrapped could not be
    // erased by returning to its start.
    constexpr std::size_t kLineWidth = 79;
    // The time left is estimated once the run has lasted this long (seconds).
    constexpr double kEstimateAfter = 5.0;
    fraction = std::min(1.0, std::max(0.0, fraction));
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar = " [";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    bar += "] " + std::to_string(static_cast<int>(fraction * 100.0)) + "%";
    if (elapsed >= kEstimateAfter && fraction > 0.0) {
        const long left = std::lround(elapsed * (1.0 - fraction) / fraction);
        bar += left >= 60 ? ", " + std::to_string(left / 60) + " min " + std::to_string(left % 60) +
                                " s left"
                          : ", " + std::to_string(left) + " s left";
    }
    std::string label = "simulating " + what;
    if (label.size() + bar.size() > kLineWidth) {
        label.resize(kLineWidth > bar.size() ? kLineWidth - bar.size() : 0);
    }
    return label + bar;
}

}  // namespace lodthresh::table
