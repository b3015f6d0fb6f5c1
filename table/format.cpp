#include "table/format.h"

#include <cstdio>

#include "table/shortest.h"

namespace lodthresh::table {

namespace {

constexpr std::size_t kFields = 13;

constexpr const char* kNames[kFields] = {
    "length",        "chromosomes", "rate",     "mapping", "alpha",   "precision", "status",
    "nominal_alpha", "lod_dense",   "lod_10cm", "lod_5cm", "lod_2cm", "lod_1cm",
};

// One field of a row: a number, a fixed text, or empty.
struct Field {
    enum Kind { empty, number, text } kind;
    double value;
    const char* name;
};

void fields_of(const Row& row, Field (&fields)[kFields]) {
    const ThresholdParameters& p = row.parameters;
    const ThresholdResult& r = row.result;
    const bool ok = row.status == Status::ok;
    const auto number = [](double value) { return Field{Field::number, value, nullptr}; };
    const auto text = [](const char* name) {
        return name != nullptr ? Field{Field::text, 0.0, name} : Field{Field::empty, 0.0, nullptr};
    };
    const auto result = [&](double value) { return ok ? number(value) : text(nullptr); };
    fields[0] = number(p.genome_length);
    fields[1] = number(p.chromosomes);
    fields[2] = number(p.crossover_rate);
    fields[3] = text(row.mapping);
    fields[4] = number(p.significance);
    fields[5] = row.exact ? text(nullptr) : number(p.precision);
    fields[6] = text(status_name(row.status));
    fields[7] = result(r.nominal_alpha);
    fields[8] = result(r.lod_dense);
    fields[9] = result(r.lod_10cm);
    fields[10] = result(r.lod_5cm);
    fields[11] = result(r.lod_2cm);
    fields[12] = result(r.lod_1cm);
}

// RFC 4180: a field with a comma, a double quote or a line end is quoted,
// its double quotes doubled.
void append_csv(const char* text, std::string& out) {
    const std::string field(text);
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

// Every text of a row is one of the program's own names, with no character
// that JSON escapes.
void append_delimited(Format format, const Row& row, std::string& out) {
    Field fields[kFields];
    fields_of(row, fields);
    const char separator = format == Format::csv ? ',' : '\t';
    for (std::size_t i = 0; i < kFields; ++i) {
        if (i > 0) {
            out += separator;
        }
        if (fields[i].kind == Field::number) {
            append_shortest(fields[i].value, out);
        } else if (fields[i].kind == Field::text) {
            format == Format::csv ? append_csv(fields[i].name, out) : void(out += fields[i].name);
        }
    }
    out += '\n';
}

void append_json(const Row& row, std::size_t index, std::string& out) {
    Field fields[kFields];
    fields_of(row, fields);
    out += index == 0 ? "\n  {" : ",\n  {";
    for (std::size_t i = 0; i < kFields; ++i) {
        out += i == 0 ? "\"" : ", \"";
        out += kNames[i];
        out += "\": ";
        if (fields[i].kind == Field::number) {
            append_shortest(fields[i].value, out);
        } else if (fields[i].kind == Field::text) {
            out += '"';
            out += fields[i].name;
            out += '"';
        } else {
            out += "null";
        }
    }
    out += '}';
}

// The text table: fixed widths, so that rows can be written as they come;
// a wider value only pushes the rest of its row to the right.
struct Column {
    const char* heading;
    int width;
};
constexpr Column kColumns[] = {
    {"length", 8},   {"chromosomes", 11}, {"rate", 5},           {"mapping", -25},
    {"alpha", 6},    {"precision", 9},    {"nominal_alpha", 13}, {"lod_dense", 9},
    {"lod_10cm", 9}, {"lod_5cm", 9},      {"lod_2cm", 9},        {"lod_1cm", 9},
};

void append_cell(const Column& column, const std::string& text, std::string& out) {
    char cell[64];
    std::snprintf(cell, sizeof cell, "%*s", column.width, text.c_str());
    out += out.empty() || out.back() == '\n' ? "" : "  ";
    out += cell;
}

const char* reason(Status status) {
    switch (status) {
        case Status::precision_not_reached:
            return "no result: the precision cannot be reached";
        case Status::calculation_failed:
            return "no result: the calculation failed";
        case Status::no_solution:
            return "no result: no nominal level reaches this alpha";
        case Status::ok:
            break;
    }
    return "";
}

// Columns 0 to 5 are the row's values, then the fields after the status.
void append_text(const Row& row, std::string& out) {
    Field fields[kFields];
    fields_of(row, fields);
    for (std::size_t i = 0; i < 6; ++i) {
        append_cell(kColumns[i],
                    fields[i].kind == Field::number ? shortest(fields[i].value)
                    : fields[i].kind == Field::text ? fields[i].name
                                                    : "-",
                    out);
    }
    if (row.status != Status::ok) {
        out += "  ";
        out += reason(row.status);
        out += '\n';
        return;
    }
    // The standard method's LOD scores are good to about five decimals (its
    // AS 111 quantile), the exact method's to many more.
    const char* lod_format = row.exact ? "%.6f" : "%.4f";
    for (std::size_t i = 7; i < kFields; ++i) {
        char value[64];
        std::snprintf(value, sizeof value, i == 7 ? "%.3e" : lod_format, fields[i].value);
        append_cell(kColumns[i - 1], value, out);
    }
    out += '\n';
}

}  // namespace

const char* status_name(Status status) {
    switch (status) {
        case Status::ok:
            return "ok";
        case Status::precision_not_reached:
            return "precision-not-reached";
        case Status::calculation_failed:
            return "calculation-failed";
        case Status::no_solution:
            return "no-solution";
    }
    return "";
}

void append_header(Format format, std::string& out) {
    switch (format) {
        case Format::text:
            for (const Column& column : kColumns) {
                append_cell(column, column.heading, out);
            }
            out += '\n';
            return;
        case Format::tsv:
        case Format::csv:
            for (std::size_t i = 0; i < kFields; ++i) {
                if (i > 0) {
                    out += format == Format::csv ? ',' : '\t';
                }
                out += kNames[i];
            }
            out += '\n';
            return;
        case Format::json:
            out += '[';
            return;
    }
}

void append_row(Format format, const Row& row, std::size_t index, std::string& out) {
    switch (format) {
        case Format::text:
            append_text(row, out);
            return;
        case Format::tsv:
        case Format::csv:
            append_delimited(format, row, out);
            return;
        case Format::json:
            append_json(row, index, out);
            return;
    }
}

void append_footer(Format format, std::size_t rows, std::string& out) {
    if (format == Format::json) {
        out += rows == 0 ? "]\n" : "\n]\n";
    }
}

}  // namespace lodthresh::table
