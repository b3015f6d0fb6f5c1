// Simulated thresholds of interval-mapping scans, for checking the analytic
// interval formula: the scans of one map and statistic, each from the same
// seed (and so from the same draws at the markers), their thresholds at
// alpha = 1, 0.05 and 0.001 with standard errors, and how far each scan's
// replicates lie above the first scan's.
//
//   lodthresh_interval_table REPLICATES THREADS TAIL RHO MAP SCAN...
//
// TAIL is one-sided, two-sided or 2df. MAP is even:G:C:SPACING_CM (C
// chromosomes of G / C Morgan, markers at most SPACING_CM apart) or test (the
// uneven map of the simulation tests: 20 chromosomes of 12 to 30 markers,
// spaced 0.5 + (7 (j + c) mod 20) cM apart). A SCAN is markers, continuous,
// continuous:GRID_CM (the 2-df grid inside each interval) or step:S_CM
// (pseudomarkers every S cM). The seed is kDefaultSeed. Prints tab-separated
// lines: scan, alpha, threshold, its standard error, the threshold less the
// first scan's; then per scan the mean and the largest amount by which a
// replicate's maximum LOD lies above the first scan's, and the seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "simulation/null_scan.h"

namespace {

namespace sim = lodthresh::simulation;

lodthresh::Tail tail_of(const std::string& name) {
    if (name == "one-sided") {
        return lodthresh::Tail::one_sided;
    }
    if (name == "two-sided") {
        return lodthresh::Tail::two_sided;
    }
    if (name == "2df") {
        return lodthresh::Tail::two_df;
    }
    throw std::invalid_argument("unknown tail " + name);
}

lodthresh::GeneticMap test_map() {
    lodthresh::GeneticMap map;
    for (int c = 0; c < 20; ++c) {
        const int markers = 12 + (c * 7) % 19;
        std::vector<double> positions{0.0};
        for (int j = 1; j < markers; ++j) {
            positions.push_back(positions.back() + (0.5 + (7 * (j + c)) % 20) / 100);
        }
        map.chromosomes.push_back({std::to_string(c + 1), positions});
    }
    return map;
}

sim::IntervalMapping between_of(const std::string& scan) {
    sim::IntervalMapping between;
    if (scan == "markers") {
        return between;
    }
    if (scan == "continuous") {
        between.kind = sim::ScanKind::continuous;
        return between;
    }
    const std::size_t colon = scan.find(':');
    const std::string kind = scan.substr(0, colon);
    if (colon == std::string::npos || (kind != "continuous" && kind != "step")) {
        throw std::invalid_argument("unknown scan " + scan);
    }
    const double value = std::strtod(scan.c_str() + colon + 1, nullptr);
    if (kind == "continuous") {
        between.kind = sim::ScanKind::continuous;
        between.grid_cm = value;
    } else {
        between.kind = sim::ScanKind::pseudomarkers;
        between.step_cm = value;
    }
    return between;
}

sim::NullScan scan_of(const std::string& map, lodthresh::Tail tail, double rate,
                      const sim::IntervalMapping& between) {
    if (map == "test") {
        return sim::map_null_scan(test_map(), tail, rate, between);
    }
    double length = 0;
    double chromosomes = 0;
    double spacing = 0;
    if (std::sscanf(map.c_str(), "even:%lf:%lf:%lf", &length, &chromosomes, &spacing) != 3) {
        throw std::invalid_argument("unknown map " + map);
    }
    return sim::even_null_scan(length, chromosomes, spacing, tail, rate, between);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s REPLICATES THREADS TAIL RHO MAP SCAN...\n", argv[0]);
        return 2;
    }
    try {
        const std::uint64_t replicates = std::strtoull(argv[1], nullptr, 10);
        sim::Control control;
        control.threads = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
        const lodthresh::Tail tail = tail_of(argv[3]);
        const double rate = std::strtod(argv[4], nullptr);
        const std::string map = argv[5];
        sim::Maxima first;
        std::vector<double> first_thresholds;
        for (int a = 6; a < argc; ++a) {
            const sim::NullScan scan = scan_of(map, tail, rate, between_of(argv[a]));
            sim::Maxima maxima;
            const auto start = std::chrono::steady_clock::now();
            sim::simulate(scan, replicates, control, maxima);
            const std::chrono::duration<double> seconds =
                std::chrono::steady_clock::now() - start;
            if (a == 6) {
                first = maxima;
            }
            int row = 0;
            for (double alpha : {1.0, 0.05, 0.001}) {
                const sim::Estimate t = sim::simulated_threshold(maxima, alpha);
                if (a == 6) {
                    first_thresholds.push_back(t.value);
                }
                std::printf("%s\t%g\t%.4f\t%.4f\t%+.4f\n", argv[a], alpha, t.value, t.se,
                            t.value - first_thresholds[row++]);
            }
            double sum = 0;
            double most = -std::numeric_limits<double>::infinity();
            for (std::uint64_t i = 0; i < maxima.size(); ++i) {
                const double above = maxima.lod(i) - first.lod(i);
                sum += above;
                most = std::max(most, above);
            }
            std::printf("%s\tabove first: mean %.6f, most %.6f\tseconds %.2f\n", argv[a],
                        sum / static_cast<double>(maxima.size()), most, seconds.count());
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
