#include "table/format.h"

#include <cstdio>
#include <utility>

#include "table/shortest.h"

namespace lodthresh::table {

namespace {

// A tsv field cannot hold a tab or a line end: each becomes a space.
void append_tsv(std::string_view text, std::string& out) {
    for (const char c : text) {
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    }
}

// RFC 4180: a field with a comma, a double quote or a line end is quoted,
// its double quotes doubled.
void append_csv(std::string_view text, std::string& out) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
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

namespace {

// Each status's name in the machine formats and its words in the text.
struct StatusWords {
    Status status;
    const char* name;
    const char* reason;
};
constexpr StatusWords kStatusWords[] = {
    {Status::ok, "ok", ""},
    {Status::precision_not_reached, "precision-not-reached",
     "no result: the precision cannot be reached"},
    {Status::calculation_failed, "calculation-failed", "no result: the calculation failed"},
    {Status::no_solution, "no-solution", "no result: no nominal level reaches this alpha"},
    {Status::individuals_beyond_bound, "individuals-beyond-bound",
     "no result: the target power needs more than 10^8 individuals"},
};

const StatusWords& words_of(Status status) {
    for (const StatusWords& words : kStatusWords) {
        if (words.status == status) {
            return words;
        }
    }
    return kStatusWords[0];
}

}  // namespace

const char* status_name(Status status) {
    return words_of(status).name;
}

const char* status_reason(Status status) {
    return words_of(status).reason;
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

void append_machine_field(Format format, const Field& field, std::string& out) {
    switch (field.kind) {
        case Field::Kind::number:
            append_shortest(field.number, out);
            return;
        case Field::Kind::text:
            format == Format::json  ? append_json_string(field.text, out)
            : format == Format::csv ? append_csv(field.text, out)
                                    : append_tsv(field.text, out);
            return;
        case Field::Kind::empty:
            if (format == Format::json) {
                out += "null";
            }
            return;
    }
}

std::string text_of(const Field& field, const char* layout) {
    switch (field.kind) {
        case Field::Kind::number: {
            if (layout == nullptr) {
                return shortest(field.number);
            }
            char text[64];
            std::snprintf(text, sizeof text, layout, field.number);
            return text;
        }
        case Field::Kind::text:
            return field.text;
        case Field::Kind::empty:
            break;
    }
    return "-";
}

void append_text_cell(std::string_view cell, int width, std::string& line) {
    if (!line.empty() && line.back() != '\n') {
        line += "  ";
    }
    const std::size_t room = static_cast<std::size_t>(width < 0 ? -width : width);
    const std::size_t padding = cell.size() < room ? room - cell.size() : 0;
    if (width > 0) {
        line.append(padding, ' ');
    }
    line += cell;
    if (width < 0) {
        line.append(padding, ' ');
    }
}

void append_footer(Format format, std::size_t rows, std::string& out) {
    if (format == Format::json) {
        out += rows == 0 ? "]\n" : "\n]\n";
    }
}

}  // namespace lodthresh::table
