#include "web/plot.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "table/shortest.h"
#include "threshold/design.h"
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

}  // namespace

void append_plot(const table::DesignValues& values, const GeneticMap* map,
                 const DesignChoice& design, std::string& out) {
    const bool has_map = map != nullptr;
    const Scan scan = has_map ? map_scan(*map) : Scan{};
    const double length = has_map ? map_length(*map) : values.lengths.front();
    const double chromosomes = has_map ? scan.chromosomes : values.chromosomes.front();
    const double map_spacing_cm = has_map ? mean_spacing_cm(scan) : 0.0;
    const SpacingAxis axis = spacing_axis(map_spacing_cm);
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
    append_ticks("x_ticks", axis.ticks_cm, out);
    append_ticks("y_ticks", ticks_to(top), out);
    out += '}';
}

}  // namespace lodthresh::web
