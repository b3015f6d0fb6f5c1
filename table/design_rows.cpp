#include "table/design_rows.h"

#include <cmath>
#include <stdexcept>

#include "table/shortest.h"
#include "threshold/finite_sample.h"
#include "threshold/interval.h"
#include "threshold/level.h"
#include "threshold/units.h"

namespace lodthresh::table {

namespace {

// Nominal levels to four significant digits, LOD scores and their standard
// errors to three decimals, simulated levels to four.
constexpr const char* kLevel = "%.3e";
constexpr const char* kLod = "%.3f";
constexpr const char* kSimulatedLevel = "%.4f";
constexpr const char* kPValue = "%#.4g";

using DesignColumn = Column<DesignRow>;

// Each field once; the two kinds of row list those they have.
// A map's length, the sum of its intervals, is read in text to 6 digits.
constexpr DesignColumn kLength{"length",
                               [](const DesignRow& r) { return number_field(r.length); },
                               8,
                               kReadable,
                               Placement::shown,
                               false,
                               kAlways};
constexpr DesignColumn kChromosomes{"chromosomes",
                                    [](const DesignRow& r) { return number_field(r.chromosomes); },
                                    11,
                                    nullptr,
                                    Placement::shown,
                                    false,
                                    kAlways};
// The one field of any width stands last in the text.
constexpr DesignColumn kMap{"map",
                            [](const DesignRow& r) { return text_field(r.map); },
                            -1,
                            nullptr,
                            Placement::trailing,
                            false,
                            kAlways,
                            true};
// As wide as the longest design's name, first-cousin-once-removed.
constexpr DesignColumn kDesign{"design",
                               [](const DesignRow& r) { return text_field(r.design.name); },
                               -25,
                               nullptr,
                               Placement::shown,
                               false,
                               kAlways,
                               true};
constexpr DesignColumn kTail{
    "tail",
    [](const DesignRow& r) { return text_field(tail_name(r.design.tail)); },
    -9,
    nullptr,
    Placement::shown,
    false,
    kAlways,
    true};
constexpr DesignColumn kRate{"rate",
                             [](const DesignRow& r) { return number_field(r.design.rate); },
                             5,
                             nullptr,
                             Placement::shown,
                             false,
                             kAlways};
constexpr DesignColumn kIndividuals{
    "individuals",
    [](const DesignRow& r) { return number_field(static_cast<double>(r.individuals)); },
    11,
    nullptr,
    Placement::shown,
    false,
    table::kIndividuals};
constexpr DesignColumn kAlpha{"alpha",
                              [](const DesignRow& r) { return number_field(r.alpha); },
                              6,
                              nullptr,
                              Placement::shown,
                              false,
                              kAlways};
constexpr DesignColumn kSpacing{
    "spacing_cm",
    [](const DesignRow& r) { return number_field_if(r.map == nullptr, r.spacing_cm); },
    10,
    nullptr,
    Placement::shown,
    false,
    kAlways};
constexpr DesignColumn kScan{
    "scan",
    [](const DesignRow& r) { return text_field(r.points.interval ? "interval" : "markers"); },
    -8,
    nullptr,
    Placement::shown,
    false,
    kScanPoints,
    true};
constexpr DesignColumn kStep{"step_cm",
                             [](const DesignRow& r) {
                                 return number_field_if(r.points.interval && r.points.step_cm > 0.0,
                                                        r.points.step_cm);
                             },
                             7,
                             nullptr,
                             Placement::shown,
                             false,
                             kScanPoints};
constexpr DesignColumn kStatus{"status",
                               [](const DesignRow& r) { return text_field(status_name(r.status)); },
                               0,
                               nullptr,
                               Placement::hidden,
                               false,
                               kAlways,
                               true};

constexpr DesignColumn kDesignColumns[] = {
    kLength,
    kChromosomes,
    kMap,
    kDesign,
    kTail,
    kRate,
    kIndividuals,
    kAlpha,
    kSpacing,
    kScan,
    kStep,
    kStatus,
    {"nominal_alpha", [](const DesignRow& r) { return number_field(r.result.nominal_alpha); }, 13,
     kLevel, Placement::shown, true, kAlways},
    {"lod", [](const DesignRow& r) { return number_field(r.result.lod); }, 7, kLod,
     Placement::shown, true, kAlways},
    {"sim_lod",
     [](const DesignRow& r) { return number_field_if(r.simulated.has_lod, r.simulated.lod); }, 7,
     kLod, Placement::shown, false, kSimulated},
    {"sim_se",
     [](const DesignRow& r) { return number_field_if(r.simulated.has_lod, r.simulated.lod_se); }, 6,
     kLod, Placement::shown, false, kSimulated},
    {"sim_level",
     [](const DesignRow& r) { return number_field_if(r.simulated.has_level, r.simulated.level); },
     9, kSimulatedLevel, Placement::shown, false, kSimulated},
    {"sim_level_se",
     [](const DesignRow& r) {
         return number_field_if(r.simulated.has_level, r.simulated.level_se);
     },
     12, kSimulatedLevel, Placement::shown, false, kSimulated},
};

constexpr DesignColumn kPValueColumns[] = {
    kLength,
    kChromosomes,
    kMap,
    kDesign,
    kTail,
    kRate,
    kIndividuals,
    kSpacing,
    kScan,
    kStep,
    {"lod", [](const DesignRow& r) { return number_field(r.peak); }, 7, nullptr, Placement::shown,
     false, kAlways},
    kStatus,
    {"nominal_p", [](const DesignRow& r) { return number_field(r.p_value.nominal_p); }, 10, kPValue,
     Placement::shown, true, kAlways},
    {"expected", [](const DesignRow& r) { return number_field(r.p_value.expected); }, 10, kPValue,
     Placement::shown, true, kAlways},
    {"p_genome", [](const DesignRow& r) { return number_field(r.p_value.p_genome); }, 10, kPValue,
     Placement::shown, true, kAlways},
    {"sim_p", [](const DesignRow& r) { return number_field_if(r.simulated.has_p, r.simulated.p); },
     10, kPValue, Placement::shown, false, kSimulated},
    {"sim_p_se",
     [](const DesignRow& r) { return number_field_if(r.simulated.has_p, r.simulated.p_se); }, 10,
     kPValue, Placement::shown, false, kSimulated},
};

void solve_p_value_row(const Scan& scan, const IntervalScan* between, DesignRow& row) {
    PeakPValue& p = row.p_value;
    double t = chi_square_of_lod(row.peak);
    if (row.individuals > 0) {
        // The large-sample peak of the same pointwise p-value.
        p.nominal_p = finite_sample_p(row.design.tail, row.peak, row.individuals);
        t = chi_square_of_level(row.design.tail, p.nominal_p);
        row.large_sample_lod = lod_of_chi_square(t);
    } else {
        p.nominal_p = pointwise_level(row.design.tail, t);
    }
    p.expected = between != nullptr
                     ? interval_expected_peaks(*between, row.design.tail, row.design.rate, t)
                     : expected_peaks(scan, row.design.tail, row.design.rate, t);
    p.p_genome = -std::expm1(-p.expected);
    row.status = std::isfinite(p.nominal_p) && std::isfinite(p.expected)
                     ? Status::ok
                     : Status::calculation_failed;
}

}  // namespace

void solve_design_row(const Scan& scan, DesignRow& row, const IntervalScan* between) {
    try {
        if (row.peak > 0.0) {
            solve_p_value_row(scan, between, row);
            return;
        }
        row.result = between != nullptr
                         ? interval_threshold(*between, row.design.tail, row.design.rate, row.alpha)
                         : design_threshold(scan, row.design.tail, row.design.rate, row.alpha);
        if (row.individuals > 0) {
            row.large_sample_lod = row.result.lod;
            row.result.lod =
                finite_sample_lod(row.design.tail, row.result.nominal_alpha, row.individuals);
        }
        row.status = std::isfinite(row.result.nominal_alpha) && std::isfinite(row.result.lod)
                         ? Status::ok
                         : Status::calculation_failed;
    } catch (const NoSolution&) {
        row.status = Status::no_solution;
    } catch (const std::invalid_argument& error) {
        row.status = Status::calculation_failed;
        row.failure = error.what();
    } catch (const std::exception&) {
        row.status = Status::calculation_failed;  // NominalLevelOutOfRange, say
    }
}

Schema<DesignRow> design_schema(unsigned present) {
    return Schema<DesignRow>(kDesignColumns, present);
}

Schema<DesignRow> p_value_schema(unsigned present) {
    return Schema<DesignRow>(kPValueColumns, present);
}

}  // namespace lodthresh::table
