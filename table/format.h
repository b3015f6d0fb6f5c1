// Rows of results in the formats of the command line: aligned text for
// people; tsv, csv and json for programs, with every bit of each double.
#ifndef LODTHRESH_TABLE_FORMAT_H
#define LODTHRESH_TABLE_FORMAT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "threshold/threshold.h"

namespace lodthresh::table {

enum class Format { text, tsv, csv, json };

// "text", "tsv", "csv" or "json": "" and the format, or why the text names none.
std::string parse_format(const std::string& text, Format* format);

// Why a row has no result, or ok.
enum class Status { ok, precision_not_reached, calculation_failed, no_solution };

struct Row {
    ThresholdParameters parameters;
    const char* mapping;  // the mapping method's name when the rate was given by one
    bool exact;           // the exact method, which uses no precision
    Status status;
    ThresholdResult result;  // only with Status::ok
};

// A JSON string (RFC 8259) of the text, quotes included.
void append_json_string(std::string_view text, std::string& out);

// The status as the machine-readable formats write it ("precision-not-reached").
const char* status_name(Status status);

// Appends to `out`: the header before the first row; row number `index`
// (from 0); the end after the last of `rows` rows. The text format gives the
// LOD scores of the exact method to six decimals, the standard method's to four.
void append_header(Format format, std::string& out);
void append_row(Format format, const Row& row, std::size_t index, std::string& out);
void append_footer(Format format, std::size_t rows, std::string& out);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_FORMAT_H
