// Simulated thresholds for README tables and for checking the analytic
// formula: one scan per run, its thresholds at the suggestive (alpha = 1),
// significant (0.05) and highly significant (0.001) levels with standard
// errors, and for the dense map also the fine grid's and its subgrid's own.
//
//   lodthresh_simulation_table REPLICATES THREADS G C SPACING_CM TAIL RHO [GRID]
//
// TAIL is one-sided, two-sided or 2df; SPACING_CM 0 is the dense map, on a grid
// of fineness GRID = 4 rho delta (default kDenseGrid). Prints tab-separated
// lines: alpha, threshold, its standard error, and for the dense map the fine
// grid's and the subgrid's thresholds; then the run's seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8 && argc != 9) {
        std::fprintf(stderr, "usage: %s REPLICATES THREADS G C SPACING_CM TAIL RHO [GRID]\n",
                     argv[0]);
        return 2;
    }
    try {
        const std::uint64_t replicates = std::strtoull(argv[1], nullptr, 10);
        sim::Control control;
        control.threads = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
        const double length = std::strtod(argv[3], nullptr);
        const double chromosomes = std::strtod(argv[4], nullptr);
        const double spacing = std::strtod(argv[5], nullptr);
        const lodthresh::Tail tail = tail_of(argv[6]);
        const double rate = std::strtod(argv[7], nullptr);
        const sim::NullScan scan =
            argc == 9 ? sim::dense_null_scan(length, chromosomes, tail, rate,
                                             std::strtod(argv[8], nullptr))
                      : sim::even_null_scan(length, chromosomes, spacing, tail, rate);
        sim::Maxima maxima;
        const auto start = std::chrono::steady_clock::now();
        sim::simulate(scan, replicates, control, maxima);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        for (double alpha : {1.0, 0.05, 0.001}) {
            const sim::Estimate t = sim::simulated_threshold(maxima, alpha);
            std::printf("%g\t%.6f\t%.6f", alpha, t.value, t.se);
            if (maxima.dense()) {
                const sim::Estimate fine =
                    sim::simulated_threshold(sim::Maxima(tail, maxima.statistic()), alpha);
                const sim::Estimate coarse =
                    sim::simulated_threshold(sim::Maxima(tail, maxima.coarse_statistic()), alpha);
                std::printf("\t%.6f\t%.6f", fine.value, coarse.value);
            }
            std::printf("\n");
        }
        std::printf("seconds\t%.3f\tmarkers\t%llu\n", seconds.count(),
                    static_cast<unsigned long long>(sim::markers(scan)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
