#include "table/standard_rows.h"

#include <array>

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
        value_column(
            "mapping", [](const Row& r) { return text_field(r.mapping); }, -25),
        value_column(
            "alpha", [](const Row& r) { return number_field(r.parameters.significance); }, 6),
        value_column(
            "precision",
            [](const Row& r) { return number_field_if(!r.exact, r.parameters.precision); }, 9),
        Column<Row>{"status", [](const Row& r) { return text_field(status_name(r.status)); }, 0,
                    nullptr, Placement::hidden, false, kAlways},
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

Schema<Row> standard_schema(bool exact) {
    return Schema<Row>(exact ? kExactColumns.data() : kStandardColumns.data(),
                       kStandardColumns.size(), kAlways);
}

}  // namespace lodthresh::table
