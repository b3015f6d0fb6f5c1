#include "web/plot.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "table/shortest.h"
#include "threshold/design.h"
#include "threshold/finite_sample.h"
#include "threshold/units.h"
#include "web/json.h"

namespace lodthresh::web {

namespace {

using table::DesignChoice;

// The plots: the critical LOD from a dense map to markers 20 cM apart, beside
// the fixed fractions of the dense map's LOD that were used before nu. The
// curve falls fastest near the dense map, where its points are closest; 17
// points keep a redraw of four designs at three levels well within a frame
// budget of 50 ms.
constexpr double kPlotSpacingsCm[] = {0.0, 0.25, 0.5,  1.0,  1.5,  2.0,  3.0,  4.0, 5.0,
                                      6.0, 8.0,  10.0, 12.0, 14.0, 16.0, 18.0, 20.0};
constexpr double kPlotSpacingTickCm = 5.0;
// A map whose markers lie further apart widens the axis in at most this many
// ticks (of 5, 10, 20, 50, 100 ... cM), each with a point at its middle.
constexpr int kMostPlotTicks = 8;

// The critical LOD, or NaN where no threshold meets the level.
double lod_or_nan(const Scan& scan, const DesignChoice& design, double alpha) {
    try {
        return design_threshold(scan, design.tail, design.rate, alpha).lod;
    } catch (const std::exception&) {
        return std::nan("");
    }
}

// Ticks for an axis from 0 to at least `top`: steps of 1, 2 or 5 times a
// power of ten, four to ten of them. A tick below 1 is a whole number divided
// by a power of ten, so that it is the double nearest its decimal (0.6, not
// 3 * 0.2 = 0.6000000000000001) and its label is short.
std::vector<double> ticks_to(double top) {
    if (!(top > 0.0) || !std::isfinite(top)) {
        return {0.0, 1.0};
    }
    const int power = static_cast<int>(std::floor(std::log10(top / 4.0)));
    const double scale = std::pow(10.0, std::abs(power));
    const auto tick = [power, scale](int units) {
        return power >= 0 ? units * scale : units / scale;
    };
    int factor = 1;
    for (const int candidate : {1, 2, 5, 10}) {
        factor = candidate;
        if (top / tick(factor) <= 10.0) {
            break;
        }
    }
    std::vector<double> ticks;
    for (int i = 0;; ++i) {
        ticks.push_back(tick(i * factor));
        if (ticks.back() >= top) {
            break;
        }
    }
    return ticks;
}

// The values and their labels, as the shortest text that reads back.
void append_ticks(const char* name, const std::vector<double>& ticks, std::string& out) {
    out += ",\"";
    out += name;
    out += "\":";
    append_numbers(ticks, out);
    out += ",\"";
    out += name;
    out += "_labels\":";
    append_array(
        ticks, [](double value, std::string& text) { append_string(table::shortest(value), text); },
        out);
}

std::string design_label(const DesignChoice& design) {
    std::string label = design.name != nullptr ? std::string(design.name) + ": " : "rate ";
    label += design.name != nullptr ? "" : table::shortest(design.rate) + ", ";
    label += tail_name(design.tail);
    if (design.name != nullptr) {
        label += ", rate " + table::shortest(design.rate);
    }
    return label;
}

// The mean distance between neighbouring markers of a map, in cM.
double mean_spacing_cm(const Scan& scan) {
    double length = 0.0;
    for (const Stretch& stretch : scan.stretches) {
        length += stretch.length;
    }
    return scan.stretches.empty()
               ? 0.0
               : kCentimorgansPerMorgan * length / static_cast<double>(scan.stretches.size());
}

// The plot's spacing axis: 0 to 20 cM in ticks of 5, and where a map's mean
// spacing is wider, on to the first tick past it, the ticks then as wide as
// keeps them at most kMostPlotTicks. A mean that is no finite number widens
// nothing.
struct SpacingAxis {
    std::vector<double> spacings_cm;  // where the curves are computed
    std::vector<double> ticks_cm;
};

SpacingAxis spacing_axis(double widest_cm) {
    const double base_end = kPlotSpacingsCm[std::size(kPlotSpacingsCm) - 1];
    const double end = std::isfinite(widest_cm) ? std::max(base_end, widest_cm) : base_end;
    double tick = kPlotSpacingTickCm;
    for (int k = 0; std::ceil(end / tick) > kMostPlotTicks; ++k) {
        // 5, 10, 20, 50, 100 ...: whole multiples of a power of 10.
        const double power = std::pow(10.0, std::floor(k / 3.0) + 1.0);
        tick = (k % 3 == 0 ? 1.0 : k % 3 == 1 ? 2.0 : 5.0) * power;
    }
    const int ticks = static_cast<int>(std::ceil(end / tick));
    SpacingAxis axis{{std::begin(kPlotSpacingsCm), std::end(kPlotSpacingsCm)}, {}};
    for (int half = 1; half <= 2 * ticks; ++half) {
        const double spacing = half * (tick / 2.0);
        if (spacing > base_end) {
            axis.spacings_cm.push_back(spacing);
        }
    }
    for (int i = 0; i <= ticks; ++i) {
        axis.ticks_cm.push_back(i * tick);
    }
    return axis;
}

// The power plots: n on a logarithmic axis from 20 to 1000 individuals, the
// ends widened to the 1-2-5 values past any n of the rows, 6 points a
// decade (each n a power curve of its own threshold) (a whole number each) and each n of the rows,
// so that the curve passes through the table's powers.
constexpr double kPowerPlotLeast = 20.0;
constexpr double kPowerPlotMost = 1000.0;
constexpr int kPowerPlotPointsPerDecade = 6;
// Past this many decades the ticks are the powers of ten alone.
constexpr double kPowerPlotDecadesOf125 = 4.0;

// The 1-2-5 value at or below `value` (above 0), or at or above it.
double step_125(double value, bool up) {
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    const double steps[] = {1.0, 2.0, 5.0, 10.0};
    double below = decade;
    for (const double step : steps) {
        if (step * decade <= value) {
            below = step * decade;
        }
    }
    if (!up || below == value) {
        return below;
    }
    for (const double step : steps) {
        if (step * decade > value) {
            return step * decade;
        }
    }
    return 10.0 * decade;
}

// "20", "1000", "100000": whole numbers of individuals as people write them.
std::string whole_label(double value) {
    return std::to_string(static_cast<long long>(std::llround(value)));
}

bool same_design(const DesignChoice& a, const DesignChoice& b) {
    return a.name == b.name && a.tail == b.tail && a.rate == b.rate;
}

// The genome of the power plot: the first length and number of chromosomes
// at the first spacing, or the map's, and its words.
table::Genome power_plot_genome(const table::DesignValues& values, const GeneticMap* map,
                                std::string& words) {
    if (map != nullptr) {
        table::Genome genome = table::genomes_of(values, map).front();
        words = "the map's " + table::readable_number(genome.length) + " M on " +
                table::shortest(genome.chromosomes) + " chromosomes";
        return genome;
    }
    const double spacing_cm = values.spacings_cm.front();
    table::Genome genome = table::even_genome(values.lengths.front(), values.chromosomes.front(),
                                              {spacing_cm}, values.points);
    words = table::readable_number(genome.length) + " M on " + table::shortest(genome.chromosomes) +
            " chromosomes, " +
            (spacing_cm == 0.0 ? std::string("dense map")
                               : "markers " + table::shortest(spacing_cm) + " cM apart");
    return genome;
}

// The simulated thresholds of a plot: per level, at each spacing simulated,
// the table's sim_lod and the ends of its bar, sim_lod -+ 2 sim_se; NaN where
// a row has none.
struct SimulatedPoints {
    std::vector<double> spacings_cm;  // rising; a map's rows at its mean spacing
    std::vector<std::vector<double>> lods;
    std::vector<std::vector<double>> low;
    std::vector<std::vector<double>> high;
};

// The plot's points are the rows of its design on its genome (the first
// length and number of chromosomes, or the map) that are thresholds of the
// large sample, as its curves are: a cross's n individuals convert the
// simulated threshold to theirs.
SimulatedPoints simulated_points(const table::DesignValues& values, const DesignChoice& design,
                                 const std::vector<table::DesignRow>& rows, bool has_map,
                                 double length, double chromosomes, double map_spacing_cm) {
    SimulatedPoints points;
    if (values.replicates == 0) {
        return points;
    }
    const auto plotted = [&](const table::DesignRow& row) {
        return same_design(row.design, design) && row.peak == 0.0 && row.individuals == 0 &&
               (has_map || (row.length == length && row.chromosomes == chromosomes));
    };
    const auto spacing_of = [&](const table::DesignRow& row) {
        return has_map ? map_spacing_cm : row.spacing_cm;
    };
    for (const table::DesignRow& row : rows) {
        if (plotted(row)) {
            points.spacings_cm.push_back(spacing_of(row));
        }
    }
    std::sort(points.spacings_cm.begin(), points.spacings_cm.end());
    points.spacings_cm.erase(std::unique(points.spacings_cm.begin(), points.spacings_cm.end()),
                             points.spacings_cm.end());
    const std::vector<double> none(points.spacings_cm.size(), std::nan(""));
    points.lods.assign(values.alphas.size(), none);
    points.low.assign(values.alphas.size(), none);
    points.high.assign(values.alphas.size(), none);
    for (const table::DesignRow& row : rows) {
        if (!plotted(row) || !row.simulated.has_lod) {
            continue;
        }
        const std::size_t k =
            static_cast<std::size_t>(std::lower_bound(points.spacings_cm.begin(),
                                                      points.spacings_cm.end(), spacing_of(row)) -
                                     points.spacings_cm.begin());
        for (std::size_t a = 0; a < values.alphas.size(); ++a) {
            if (values.alphas[a] == row.alpha) {
                points.lods[a][k] = row.simulated.lod;
                points.low[a][k] = row.simulated.lod - 2.0 * row.simulated.lod_se;
                points.high[a][k] = row.simulated.lod + 2.0 * row.simulated.lod_se;
            }
        }
    }
    return points;
}

}  // namespace

void append_power_plot(const table::DesignValues& values, const table::PowerValues& power,
                       const GeneticMap* map, const DesignChoice& design,
                       const std::vector<table::PowerRow>& rows, std::string& out) {
    // The n of the design's rows: given, or solved for a target power.
    std::vector<double> row_counts;
    for (const table::PowerRow& row : rows) {
        if (same_design(row.design, design) && row.individuals > 0 &&
            (row.solve != table::Solve::individuals || row.status == table::Status::ok)) {
            row_counts.push_back(row.individuals);
        }
    }
    double least = kPowerPlotLeast;
    double most = kPowerPlotMost;
    for (const double n : row_counts) {
        least = std::min(least, n);
        most = std::max(most, n);
    }
    least = step_125(least, false);
    most = step_125(most, true);
    const double decades = std::log10(most / least);
    const int fewest = least_individuals(design.tail);
    std::vector<int> counts;
    const int points = static_cast<int>(std::ceil(decades * kPowerPlotPointsPerDecade));
    for (int k = 0; k <= points; ++k) {
        const double n = std::round(least * std::pow(10.0, decades * k / points));
        counts.push_back(static_cast<int>(std::max(n, static_cast<double>(fewest))));
    }
    for (const double n : row_counts) {
        counts.push_back(static_cast<int>(n));
    }
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());

    std::string genome_words;
    const table::Genome genome = power_plot_genome(values, map, genome_words);
    table::PowerValues at_counts;
    at_counts.individuals = counts;
    at_counts.pves = power.pves;
    at_counts.dominances = {power.dominances.empty() ? 0.0 : power.dominances.front()};
    // The rows vary the individuals, then the share, fastest within a level.
    const std::vector<table::PowerRow> at =
        table::solve_power_group(genome, nullptr, map, design, values.alphas, at_counts);
    std::vector<std::vector<double>> curves;
    std::vector<std::string> levels;
    std::vector<std::string> pves;
    const std::size_t n_counts = counts.size();
    const std::size_t n_pves = power.pves.size();
    for (std::size_t a = 0; a < values.alphas.size(); ++a) {
        for (std::size_t p = 0; p < n_pves; ++p) {
            std::vector<double> curve;
            for (std::size_t i = 0; i < n_counts; ++i) {
                const table::PowerRow& row = at[(a * n_counts + i) * n_pves + p];
                curve.push_back(row.status == table::Status::ok ? row.power.power : std::nan(""));
            }
            curves.push_back(std::move(curve));
            levels.push_back(table::shortest(values.alphas[a]));
            pves.push_back(table::shortest(power.pves[p]));
        }
    }
    // The 1-2-5 values from the least to the most, or past kPowerPlotDecadesOf125
    // decades every tenfold.
    std::vector<double> x_ticks{least};
    while (x_ticks.back() < most) {
        const double tick = x_ticks.back();
        x_ticks.push_back(decades > kPowerPlotDecadesOf125 ? tick * 10.0
                                                           : step_125(tick * 1.5, true));
    }
    std::vector<double> y_ticks;
    for (int i = 0; i <= 5; ++i) {
        y_ticks.push_back(i / 5.0);
    }
    out += "{\"kind\":\"power\",\"design\":";
    append_string(design_label(design), out);
    out += ",\"genome\":";
    append_string(genome_words, out);
    if (table::intercross_like(design)) {
        out += ",\"dominance\":";
        append_string(table::shortest(at_counts.dominances.front()), out);
    }
    Members members(out);
    members("individuals", std::vector<double>(counts.begin(), counts.end()))("levels", levels)(
        "pves", pves)("curves", curves)("targets", power.target_powers)("x_ticks", x_ticks);
    out += ",\"x_ticks_labels\":";
    append_array(
        x_ticks, [](double tick, std::string& text) { append_string(whole_label(tick), text); },
        out);
    append_ticks("y_ticks", y_ticks, out);
    out += '}';
}

void append_plot(const table::DesignValues& values, const GeneticMap* map,
                 const DesignChoice& design, const std::vector<table::DesignRow>& rows,
                 std::string& out) {
    const bool has_map = map != nullptr;
    const Scan scan = has_map ? map_scan(*map) : Scan{};
    const double length = has_map ? map_length(*map) : values.lengths.front();
    const double chromosomes = has_map ? scan.chromosomes : values.chromosomes.front();
    const double map_spacing_cm = has_map ? mean_spacing_cm(scan) : 0.0;
    const SimulatedPoints simulated =
        simulated_points(values, design, rows, has_map, length, chromosomes, map_spacing_cm);
    // The axis reaches the widest spacing simulated too.
    double widest_cm = map_spacing_cm;
    for (const double spacing_cm : simulated.spacings_cm) {
        widest_cm = std::max(widest_cm, spacing_cm);
    }
    const SpacingAxis axis = spacing_axis(widest_cm);
    const std::vector<double>& spacings = axis.spacings_cm;
    // Lander and Kruglyak's fixed fractions, from the densest map up.
    std::vector<double> fixed_spacings;
    std::vector<std::string> fixed_labels;
    for (auto rule = std::rbegin(kMapFractions); rule != std::rend(kMapFractions); ++rule) {
        fixed_spacings.push_back(rule->spacing_cm);
        fixed_labels.push_back(table::shortest(rule->fraction));
    }
    std::vector<std::vector<double>> curves;
    std::vector<std::vector<double>> fixed;
    std::vector<double> dense;
    std::vector<double> map_lods;
    std::vector<std::string> levels;
    double top = 0.0;
    for (const double alpha : values.alphas) {
        std::vector<double> curve;
        for (const double spacing_cm : spacings) {
            curve.push_back(
                lod_or_nan(even_scan(length, chromosomes, spacing_cm / kCentimorgansPerMorgan),
                           design, alpha));
            top = std::isfinite(curve.back()) && curve.back() > top ? curve.back() : top;
        }
        dense.push_back(curve.front());
        std::vector<double> points;
        for (auto rule = std::rbegin(kMapFractions); rule != std::rend(kMapFractions); ++rule) {
            points.push_back(rule->fraction * curve.front());
        }
        if (has_map) {
            map_lods.push_back(lod_or_nan(scan, design, alpha));
            top = std::isfinite(map_lods.back()) && map_lods.back() > top ? map_lods.back() : top;
        }
        curves.push_back(std::move(curve));
        fixed.push_back(std::move(points));
        levels.push_back(table::shortest(alpha));
    }
    // The simulated thresholds' bars within the plot.
    for (const std::vector<double>& level : simulated.high) {
        for (const double high : level) {
            top = std::isfinite(high) && high > top ? high : top;
        }
    }
    out += "{\"design\":";
    append_string(design_label(design), out);
    out += ",\"genome\":";
    append_string((has_map ? "the map's " : "") + table::readable_number(length) + " M on " +
                      table::shortest(chromosomes) + " chromosomes",
                  out);
    Members members(out);
    members("levels", levels)("spacings_cm", spacings)("curves", curves)("dense", dense)(
        "fixed_spacings_cm", fixed_spacings)("fixed", fixed)("fixed_labels", fixed_labels);
    if (has_map) {
        members("map_spacing_cm", map_spacing_cm)("map", map_lods);
    }
    if (values.replicates > 0) {
        members("sim_spacings_cm", simulated.spacings_cm)("sim", simulated.lods)(
            "sim_low", simulated.low)("sim_high", simulated.high);
    }
    append_ticks("x_ticks", axis.ticks_cm, out);
    append_ticks("y_ticks", ticks_to(top), out);
    out += '}';
}

}  // namespace lodthresh::web
