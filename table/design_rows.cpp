#include "table/design_rows.h"

#include <cmath>
#include <stdexcept>

#include "threshold/level.h"

namespace lodthresh::table {

namespace {

// Nominal levels to four significant digits, LOD scores and their standard
// errors to three decimals, simulated levels to four.
constexpr const char* kLevel = "%.3e";
constexpr const char* kLod = "%.3f";
constexpr const char* kSimulatedLevel = "%.4f";

using DesignColumn = Column<DesignRow>;

constexpr DesignColumn kDesignColumns[] = {
    {"length", [](const DesignRow& r) { return number_field(r.length); }, 8, nullptr,
     Placement::shown, false, kAlways},
    {"chromosomes", [](const DesignRow& r) { return number_field(r.chromosomes); }, 11, nullptr,
     Placement::shown, false, kAlways},
    // The one field of any width stands last in the text.
    {"map", [](const DesignRow& r) { return text_field(r.map); }, -1, nullptr, Placement::trailing,
     false, kAlways},
    {"design", [](const DesignRow& r) { return text_field(r.design.name); }, -22, nullptr,
     Placement::shown, false, kAlways},
    {"tail", [](const DesignRow& r) { return text_field(tail_name(r.design.tail)); }, -9, nullptr,
     Placement::shown, false, kAlways},
    {"rate", [](const DesignRow& r) { return number_field(r.design.rate); }, 5, nullptr,
     Placement::shown, false, kAlways},
    {"alpha", [](const DesignRow& r) { return number_field(r.alpha); }, 6, nullptr,
     Placement::shown, false, kAlways},
    {"spacing_cm",
     [](const DesignRow& r) { return number_field_if(r.map == nullptr, r.spacing_cm); }, 10,
     nullptr, Placement::shown, false, kAlways},
    {"status", [](const DesignRow& r) { return text_field(status_name(r.status)); }, 0, nullptr,
     Placement::hidden, false, kAlways},
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

}  // namespace

void solve_design_row(const Scan& scan, DesignRow& row) {
    try {
        row.result = design_threshold(scan, row.design.tail, row.design.rate, row.alpha);
        row.status = std::isfinite(row.result.nominal_alpha) && std::isfinite(row.result.lod)
                         ? Status::ok
                         : Status::calculation_failed;
    } catch (const NoSolution&) {
        row.status = Status::no_solution;
    } catch (const std::exception&) {
        row.status = Status::calculation_failed;  // NominalLevelOutOfRange, say
    }
}

Schema<DesignRow> design_schema(unsigned present) {
    return Schema<DesignRow>(kDesignColumns, present);
}

}  // namespace lodthresh::table
