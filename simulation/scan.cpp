#include "simulation/scan.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>

#include "simulation/checks.h"
#include "simulation/interior.h"

namespace lodthresh::simulation {

namespace {

// The most marker intervals an even or dense scan may have in all: its
// distances alone then take 512 MiB.
constexpr double kMaxSteps = 67108864.0;  // 2^26

// G and C of an evenly spaced scan; returns L = G / C.
double chromosome_length(double length_morgan, double chromosomes) {
    if (!finite_positive(length_morgan)) {
        invalid("the genome length must be finite and above 0 Morgan, not " +
                number_text(length_morgan));
    }
    if (!(chromosomes >= 1 && chromosomes <= 1e6 && chromosomes == std::floor(chromosomes))) {
        invalid("the number of chromosomes must be a whole number from 1 to 1000000, not " +
                number_text(chromosomes));
    }
    return length_morgan / chromosomes;
}

// ceil(x) for a count of intervals computed in floating point: a quotient such
// as 100 * (33 / 23) / 1 that lands a rounding error above a whole number
// is that whole number.
double whole_steps(double x) {
    return std::max(1.0, std::ceil(x * (1 - 1e-12)));
}

void check_steps(double steps, double chromosomes) {
    if (!(steps * chromosomes <= kMaxSteps)) {
        invalid("the scan would need more than 2^26 marker intervals");
    }
}

NullScan even_chromosomes(double length, double chromosomes, double steps, Tail tail, double rate,
                          bool dense) {
    NullScan scan{tail, rate, {}, dense};
    const auto count = static_cast<std::size_t>(chromosomes);
    const auto n = static_cast<std::size_t>(steps);
    scan.chromosomes.assign(count, std::vector<double>(n, length / steps));
    return scan;
}

// Markers at most `spacing_cm` apart on chromosomes of `length` Morgan.
NullScan even_markers(double length, double chromosomes, double spacing_cm, Tail tail,
                      double rate) {
    const double steps = whole_steps(100.0 * length / spacing_cm);
    check_steps(steps, chromosomes);
    return even_chromosomes(length, chromosomes, steps, tail, rate, false);
}

// The fastest component's rate, which sets how fine a dense grid must be.
double fastest_rate(Tail tail, double rate) {
    return tail == Tail::two_df ? kDominanceShare * rate : rate;
}

}  // namespace

NullScan even_null_scan(double length_morgan, double chromosomes, double spacing_cm, Tail tail,
                        double rate, const IntervalMapping& between) {
    const double length = chromosome_length(length_morgan, chromosomes);
    check_rate(rate);
    if (!(std::isfinite(spacing_cm) && spacing_cm >= 0)) {
        invalid("the marker spacing must be finite and >= 0 cM, not " + number_text(spacing_cm));
    }
    NullScan scan = spacing_cm == 0
                        ? dense_null_scan(length_morgan, chromosomes, tail, rate, kDenseGrid)
                        : even_markers(length, chromosomes, spacing_cm, tail, rate);
    scan.between = between;
    check_between(scan);
    return scan;
}

NullScan dense_null_scan(double length_morgan, double chromosomes, Tail tail, double rate,
                         double grid) {
    const double length = chromosome_length(length_morgan, chromosomes);
    check_rate(rate);
    if (!finite_positive(grid)) {
        invalid("the dense map's grid (4 rho delta) must be finite and above 0, not " +
                number_text(grid));
    }
    const double delta = grid / (4.0 * fastest_rate(tail, rate));
    // Whole groups of four steps, so that the subgrid ends at the chromosome's end.
    const double steps = 4.0 * whole_steps(length / delta / 4.0);
    check_steps(steps, chromosomes);
    return even_chromosomes(length, chromosomes, steps, tail, rate, true);
}

NullScan map_null_scan(const GeneticMap& map, Tail tail, double rate,
                       const IntervalMapping& between) {
    check_rate(rate);
    if (map.chromosomes.empty()) {
        invalid("the genetic map has no chromosome");
    }
    NullScan scan{tail, rate, {}, false};
    for (const MapChromosome& chromosome : map.chromosomes) {
        const auto& positions = chromosome.positions;
        if (positions.empty()) {
            invalid("chromosome " + chromosome.name + " of the genetic map has no marker");
        }
        std::vector<double> distances;
        for (std::size_t j = 0; j < positions.size(); ++j) {
            if (!std::isfinite(positions[j])) {
                invalid("chromosome " + chromosome.name + " has a position that is not finite");
            }
            if (j > 0) {
                if (positions[j] < positions[j - 1]) {
                    invalid("the positions of chromosome " + chromosome.name + " decrease");
                }
                distances.push_back(positions[j] - positions[j - 1]);
            }
        }
        scan.chromosomes.push_back(std::move(distances));
    }
    scan.between = between;
    check_between(scan);
    return scan;
}

}  // namespace lodthresh::simulation
