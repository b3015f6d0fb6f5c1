#include "simulation/interior.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "simulation/checks.h"

namespace lodthresh::simulation {

namespace {

// The parts of an interval of `distance` Morgan on a grid of `grid` Morgan:
// ceil(distance / grid), a quotient that lands a rounding error above a whole
// number being that number; 1 for an empty interval.
double grid_parts(double distance, double grid) {
    return std::max(1.0, std::ceil(distance / grid * (1 - 1e-12)));
}

bool two_df_grid(const NullScan& scan) {
    return scan.between.kind == ScanKind::continuous && scan.tail == Tail::two_df;
}

}  // namespace

void interior_offsets(const NullScan& scan, double left, double distance,
                      std::vector<double>& offsets) {
    offsets.clear();
    if (scan.between.kind == ScanKind::pseudomarkers) {
        const double step = scan.between.step_cm / 100.0;
        const double right = left + distance;
        // The first multiple of the step past the left marker, then on while
        // short of the right one.
        for (auto k = static_cast<long long>(std::floor((left + kCoincident) / step)) + 1;; ++k) {
            const double x = static_cast<double>(k) * step;
            if (!(x < right - kCoincident)) {
                break;
            }
            if (x > left + kCoincident) {
                offsets.push_back(x - left);
            }
        }
    } else if (two_df_grid(scan) && distance > 0) {
        const double grid = scan.between.grid_cm / 100.0;
        const double parts = grid_parts(distance, grid);
        const auto count = static_cast<long long>(parts);
        for (long long i = 1; i < count; ++i) {
            offsets.push_back(distance * static_cast<double>(i) / parts);
        }
    }
}

Step interior_direction(double distance, double offset, double rate) {
    // tan psi = r (exp(4 rho x) - 1) / s (kernel.h), each factor exact also in
    // short intervals.
    const double r = std::exp(-2.0 * rate * distance);
    const double s = std::sqrt(-std::expm1(-4.0 * rate * distance));
    const double t = r * std::expm1(4.0 * rate * offset);
    const double h = std::hypot(s, t);
    return {s / h, t / h};
}

std::uint64_t interior_points(const NullScan& scan) {
    std::uint64_t count = 0;
    std::vector<double> offsets;
    for (const auto& chromosome : scan.chromosomes) {
        double left = 0;
        for (double d : chromosome) {
            interior_offsets(scan, left, d, offsets);
            count += offsets.size();
            left += d;
        }
    }
    return count;
}

void check_between(const NullScan& scan) {
    const IntervalMapping& between = scan.between;
    switch (between.kind) {
        case ScanKind::markers:
            return;
        case ScanKind::continuous:
        case ScanKind::pseudomarkers:
            break;
    }
    if (scan.dense) {
        invalid(
            "the dense map has nothing between its markers: interval mapping needs markers "
            "apart");
    }
    // An upper bound of the points, counted before any is placed: a step's
    // multiples along each chromosome, a grid's parts of each interval.
    double points = 0;
    if (between.kind == ScanKind::pseudomarkers) {
        if (!finite_positive(between.step_cm)) {
            invalid("the step between pseudomarkers must be finite and above 0 cM, not " +
                    number_text(between.step_cm));
        }
        const double step = between.step_cm / 100.0;
        for (const auto& chromosome : scan.chromosomes) {
            double length = 0;
            for (double d : chromosome) {
                length += d;
            }
            points += std::floor(length / step);
        }
    } else if (two_df_grid(scan)) {
        if (!finite_positive(between.grid_cm)) {
            invalid("the grid inside the intervals must be finite and above 0 cM, not " +
                    number_text(between.grid_cm));
        }
        const double grid = between.grid_cm / 100.0;
        for (const auto& chromosome : scan.chromosomes) {
            for (double d : chromosome) {
                points += grid_parts(d, grid) - 1;
            }
        }
    }
    if (!(points <= static_cast<double>(kMaxInteriorPoints))) {
        invalid(
            "interval mapping would evaluate the statistic at more than 2^26 points between "
            "markers");
    }
}

}  // namespace lodthresh::simulation
