// The formats of the command line's rows: aligned text for people; tsv, csv
// and json for programs, with every bit of each double. What a row holds is
// its kind's schema (table/schema.h); this is how one field is written.
#ifndef LODTHRESH_TABLE_FORMAT_H
#define LODTHRESH_TABLE_FORMAT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace lodthresh::table {

enum class Format { text, tsv, csv, json };

// "text", "tsv", "csv" or "json": "" and the format, or why the text names none.
std::string parse_format(const std::string& text, Format* format);

// Why a row has no result, or ok.
enum class Status {
    ok,
    precision_not_reached,
    calculation_failed,
    no_solution,
    individuals_beyond_bound,  // a target power that needs more than 10^8 individuals
};

// The status as the machine-readable formats write it ("precision-not-reached").
const char* status_name(Status status);
// The status as the text format says it in place of the results ("no result:
// the calculation failed"); "" for ok.
const char* status_reason(Status status);

// One field of a row: a number, a text, or empty. A text is one of the
// program's own names or a map's path as given, and lives as long as the row.
struct Field {
    enum class Kind : unsigned char { empty, number, text };
    Kind kind = Kind::empty;
    double number = 0.0;
    const char* text = nullptr;
};

constexpr Field number_field(double value) {
    return Field{Field::Kind::number, value, nullptr};
}
constexpr Field number_field_if(bool has, double value) {
    return has ? number_field(value) : Field{};
}
// A text field, empty for null.
constexpr Field text_field(const char* text) {
    return text != nullptr ? Field{Field::Kind::text, 0.0, text} : Field{};
}

// A JSON string (RFC 8259) of the text, quotes included.
void append_json_string(std::string_view text, std::string& out);

// The field as tsv, csv or json write it: a number as the shortest text that
// reads back as the same double; a text with tabs and line ends made spaces
// (tsv), quoted per RFC 4180 where needed (csv), as a JSON string (json); an
// empty field as nothing (tsv, csv) or null (json).
void append_machine_field(Format format, const Field& field, std::string& out);

// The field as the text format writes it: a number by the printf `layout`
// ("%.3e"), or as the shortest text that reads back when there is none; a
// text as it is; an empty field as a dash.
std::string text_of(const Field& field, const char* layout);

// Appends a text cell padded to `width` (negative: aligned left), two blanks
// before it unless it starts a line. A wider cell pushes the rest of its
// line to the right.
void append_text_cell(std::string_view cell, int width, std::string& line);

// The end of a table of `rows` rows: json closes its array.
void append_footer(Format format, std::size_t rows, std::string& out);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_FORMAT_H
