#include "table/format.h"

#include <cstdio>
#include <iterator>
#include <utility>

#include "table/design_rows.h"
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

// A tsv field cannot hold a tab or a line end: each becomes a space.
void append_tsv(const char* text, std::string& out) {
    for (const char* c = text; *c != '\0'; ++c) {
        out += *c == '\t' || *c == '\n' || *c == '\r' ? ' ' : *c;
    }
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
// that JSON escapes; a map's path, the one text from outside, is escaped.
void append_delimited(Format format, const Field* fields, std::size_t count, std::string& out) {
    const char separator = format == Format::csv ? ',' : '\t';
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += separator;
        }
        if (fields[i].kind == Field::number) {
            append_shortest(fields[i].value, out);
        } else if (fields[i].kind == Field::text) {
            format == Format::csv ? append_csv(fields[i].name, out)
                                  : append_tsv(fields[i].name, out);
        }
    }
    out += '\n';
}

void append_json(const Field* fields, const char* const* names, std::size_t count,
                 std::size_t index, std::string& out) {
    out += index == 0 ? "\n  {" : ",\n  {";
    for (std::size_t i = 0; i < count; ++i) {
        out += i == 0 ? "\"" : ", \"";
        out += names[i];
        out += "\": ";
        if (fields[i].kind == Field::number) {
            append_shortest(fields[i].value, out);
        } else if (fields[i].kind == Field::text) {
            append_json_string(fields[i].name, out);
        } else {
            out += "null";
        }
    }
    out += '}';
}

void append_names(Format format, const char* const* names, std::size_t count, std::string& out) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += format == Format::csv ? ',' : '\t';
        }
        out += names[i];
    }
    out += '\n';
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

// ---------------------------------------------------------------------------
// Rows of the designs mode.

constexpr std::size_t kDesignFields = 15;
constexpr std::size_t kUnsimulatedFields = 11;

constexpr const char* kDesignNames[kDesignFields] = {
    "length", "chromosomes", "map",        "design",    "tail",
    "rate",   "alpha",       "spacing_cm", "status",    "nominal_alpha",
    "lod",    "sim_lod",     "sim_se",     "sim_level", "sim_level_se",
};

void design_fields_of(const DesignRow& row, Field (&fields)[kDesignFields]) {
    const bool ok = row.status == Status::ok;
    const auto number = [](double value) { return Field{Field::number, value, nullptr}; };
    const auto text = [](const char* name) {
        return name != nullptr ? Field{Field::text, 0.0, name} : Field{Field::empty, 0.0, nullptr};
    };
    const auto number_if = [&](bool has, double value) {
        return has ? number(value) : text(nullptr);
    };
    const Simulated& sim = row.simulated;
    fields[0] = number(row.length);
    fields[1] = number(row.chromosomes);
    fields[2] = text(row.map);
    fields[3] = text(row.design.name);
    fields[4] = text(tail_name(row.design.tail));
    fields[5] = number(row.design.rate);
    fields[6] = number(row.alpha);
    fields[7] = number_if(row.map == nullptr, row.spacing_cm);
    fields[8] = text(status_name(row.status));
    fields[9] = number_if(ok, row.result.nominal_alpha);
    fields[10] = number_if(ok, row.result.lod);
    fields[11] = number_if(sim.has_lod, sim.lod);
    fields[12] = number_if(sim.has_lod, sim.lod_se);
    fields[13] = number_if(sim.has_level, sim.level);
    fields[14] = number_if(sim.has_level, sim.level_se);
}

// The text table of this mode: the map's path, the one field of any width,
// stands last.
constexpr Column kDesignColumns[] = {
    {"length", 8}, {"chromosomes", 11}, {"design", -22},       {"tail", -9}, {"rate", 5},
    {"alpha", 6},  {"spacing_cm", 10},  {"nominal_alpha", 13}, {"lod", 7},   {"sim_lod", 7},
    {"sim_se", 6}, {"sim_level", 9},    {"sim_level_se", 12},  {"map", -1},
};
// The fields of the columns above, in their order.
constexpr std::size_t kDesignColumnFields[] = {0, 1, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 2};

bool column_shown(std::size_t column, bool simulated) {
    const std::size_t field = kDesignColumnFields[column];
    return simulated || field < kUnsimulatedFields;
}

void append_design_text(bool simulated, const DesignRow& row, std::string& out) {
    Field fields[kDesignFields];
    design_fields_of(row, fields);
    for (std::size_t c = 0; c < std::size(kDesignColumns); ++c) {
        if (!column_shown(c, simulated)) {
            continue;
        }
        const std::size_t i = kDesignColumnFields[c];
        if (row.status != Status::ok && i == 9) {
            out += "  ";
            out += reason(row.status);
            break;
        }
        std::string cell = "-";
        if (fields[i].kind == Field::text) {
            cell = fields[i].name;
        } else if (fields[i].kind == Field::number) {
            // LOD scores and their errors to three decimals, levels to four digits.
            const char* layout = i == 9 ? "%.3e" : i >= 13 ? "%.4f" : i >= 10 ? "%.3f" : nullptr;
            if (layout == nullptr) {
                cell = shortest(fields[i].value);
            } else {
                char value[64];
                std::snprintf(value, sizeof value, layout, fields[i].value);
                cell = value;
            }
        }
        if (i == 2 && fields[i].kind != Field::text) {
            continue;  // no map: nothing after the last column
        }
        append_cell(kDesignColumns[c], cell, out);
    }
    out += '\n';
}

}  // namespace

std::string parse_format(const std::string& text, Format* format) {
    const std::pair<const char*, Format> formats[] = {
        {"text", Format::text}, {"tsv", Format::tsv}, {"csv", Format::csv}, {"json", Format::json}};
    for (const auto& [name, named] : formats) {
        if (text == name) {
            *format = named;
            return "";
        }
    }
    return "'" + text + "' is not one of text, tsv, csv, json";
}

void append_json_string(std::string_view text, std::string& out) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

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
            append_names(format, kNames, kFields, out);
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
        case Format::json: {
            Field fields[kFields];
            fields_of(row, fields);
            format == Format::json ? append_json(fields, kNames, kFields, index, out)
                                   : append_delimited(format, fields, kFields, out);
            return;
        }
    }
}

void append_footer(Format format, std::size_t rows, std::string& out) {
    if (format == Format::json) {
        out += rows == 0 ? "]\n" : "\n]\n";
    }
}

}  // namespace lodthresh::table

namespace lodthresh::table {

void append_design_header(Format format, bool simulated, std::string& out) {
    const std::size_t count = simulated ? kDesignFields : kUnsimulatedFields;
    switch (format) {
        case Format::text:
            for (std::size_t c = 0; c < std::size(kDesignColumns); ++c) {
                if (column_shown(c, simulated)) {
                    append_cell(kDesignColumns[c], kDesignColumns[c].heading, out);
                }
            }
            out += '\n';
            return;
        case Format::tsv:
        case Format::csv:
            append_names(format, kDesignNames, count, out);
            return;
        case Format::json:
            out += '[';
            return;
    }
}

void append_design_row(Format format, bool simulated, const DesignRow& row, std::size_t index,
                       std::string& out) {
    if (format == Format::text) {
        append_design_text(simulated, row, out);
        return;
    }
    Field fields[kDesignFields];
    design_fields_of(row, fields);
    const std::size_t count = simulated ? kDesignFields : kUnsimulatedFields;
    format == Format::json ? append_json(fields, kDesignNames, count, index, out)
                           : append_delimited(format, fields, count, out);
}

}  // namespace lodthresh::table
