#include "table/standard_rows.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "numerics/numerics.h"
#include "table/shortest.h"
#include "threshold/exact.h"

namespace lodthresh::table {

namespace {

// The standard method's LOD scores are good to about five decimals (its AS 111
// quantile), the exact method's to many more.
constexpr const char* kStandardLod = "%.4f";
constexpr const char* kExactLod = "%.6f";

constexpr Column<Row> value_column(const char* name, Field (*value)(const Row&), int width) {
    return Column<Row>{name, value, width, nullptr, Placement::shown, false, kAlways};
}
constexpr Column<Row> result_column(const char* name, Field (*value)(const Row&), int width,
                                    const char* layout) {
    return Column<Row>{name, value, width, layout, Placement::shown, true, kAlways};
}

constexpr std::array<Column<Row>, 13> columns(const char* lod) {
    return {{
        value_column(
            "length", [](const Row& r) { return number_field(r.parameters.genome_length); }, 8),
        value_column(
            "chromosomes", [](const Row& r) { return number_field(r.parameters.chromosomes); }, 11),
        value_column(
            "rate", [](const Row& r) { return number_field(r.parameters.crossover_rate); }, 5),
        Column<Row>{"mapping", [](const Row& r) { return text_field(r.mapping); }, -25, nullptr,
                    Placement::shown, false, kAlways, true},
        value_column(
            "alpha", [](const Row& r) { return number_field(r.parameters.significance); }, 6),
        value_column(
            "precision",
            [](const Row& r) { return number_field_if(!r.exact, r.parameters.precision); }, 9),
        Column<Row>{"status", [](const Row& r) { return text_field(status_name(r.status)); }, 0,
                    nullptr, Placement::hidden, false, kAlways, true},
        result_column(
            "nominal_alpha", [](const Row& r) { return number_field(r.result.nominal_alpha); }, 13,
            "%.3e"),
        result_column(
            "lod_dense", [](const Row& r) { return number_field(r.result.lod_dense); }, 9, lod),
        result_column(
            "lod_10cm", [](const Row& r) { return number_field(r.result.lod_10cm); }, 9, lod),
        result_column(
            "lod_5cm", [](const Row& r) { return number_field(r.result.lod_5cm); }, 9, lod),
        result_column(
            "lod_2cm", [](const Row& r) { return number_field(r.result.lod_2cm); }, 9, lod),
        result_column(
            "lod_1cm", [](const Row& r) { return number_field(r.result.lod_1cm); }, 9, lod),
    }};
}

constexpr std::array<Column<Row>, 13> kStandardColumns = columns(kStandardLod);
constexpr std::array<Column<Row>, 13> kExactColumns = columns(kExactLod);

}  // namespace

void solve_standard_row(Row& row) {
    ThresholdResult& result = row.result;
    try {
        result = row.exact ? compute_thresholds_exact(row.parameters)
                           : compute_thresholds(row.parameters);
    } catch (const PrecisionNotReached&) {
        row.status = Status::precision_not_reached;
        return;
    } catch (const NoSolution&) {
        row.status = Status::no_solution;
        return;
    } catch (const Numerics_1_1::Exception&) {
        row.status = Status::calculation_failed;
        return;
    } catch (const std::exception&) {
        row.status = Status::calculation_failed;  // NominalLevelOutOfRange, say
        return;
    }
    const double values[] = {result.nominal_alpha, result.lod_dense, result.lod_10cm,
                             result.lod_5cm,       result.lod_2cm,   result.lod_1cm};
    row.status = Status::ok;
    for (const double value : values) {
        if (!std::isfinite(value)) {
            row.status = Status::calculation_failed;
        }
    }
}

std::optional<OptionError> read_standard_options(const Options& options, StandardValues& values) {
    const ThresholdParameters defaults;
    const auto given_or = [](const std::optional<std::string>& option, double default_value) {
        return option ? *option : shortest(default_value);
    };
    const std::pair<OptionMember, std::string> errors[] = {
        {&Options::length,
         parse_lengths(given_or(options.length, defaults.genome_length), &values.lengths)},
        {&Options::chromosomes,
         parse_chromosome_list(given_or(options.chromosomes, defaults.chromosomes),
                               &values.chromosomes)},
        {&Options::rate,
         parse_rates(given_or(options.rate, defaults.crossover_rate), &values.rates)},
        {&Options::alpha,
         parse_alphas(given_or(options.alpha, defaults.significance), &values.alphas)},
        {&Options::precision,
         parse_precisions(given_or(options.precision, defaults.precision), &values.precisions)},
    };
    for (const auto& [option, error] : errors) {
        if (!error.empty()) {
            return OptionError{name_of(option), long_name(option) + ": " + error};
        }
    }
    if (options.exact) {
        values.precisions = {0.0};  // not used
        return std::nullopt;
    }
    for (const double precision : values.precisions) {
        for (const double alpha : values.alphas) {
            const std::string error = check_precision_below(precision, alpha);
            if (!error.empty()) {
                return OptionError{"precision", "--precision: " + error +
                                                    (options.precision ? "" : " (the default)")};
            }
        }
    }
    return std::nullopt;
}

Schema<Row> standard_schema(bool exact) {
    return Schema<Row>(exact ? kExactColumns.data() : kStandardColumns.data(),
                       kStandardColumns.size(), kAlways);
}

}  // namespace lodthresh::table
