// A kind of row as one table of columns. Every format is written from it: the
// header and fields of tsv, csv and json, the aligned text table, and the
// page's cells, which are the text table's before padding. A new kind of row
// or a new column is one more table or one more entry.
#ifndef LODTHRESH_TABLE_SCHEMA_H
#define LODTHRESH_TABLE_SCHEMA_H

#include <cstddef>
#include <string>
#include <vector>

#include "table/format.h"

namespace lodthresh::table {

// Where the text format puts a column.
enum class Placement : unsigned char {
    shown,     // in the schema's order
    hidden,    // not at all: the status, which the text says in words
    trailing,  // after every other column, and only in rows that have a value: a map's path
};

// Columns that exist only with an option (`needs`): a schema is written with
// the set of them that its rows have.
constexpr unsigned kAlways = 0;
constexpr unsigned kSimulated = 1u << 0;    // --simulate
constexpr unsigned kIndividuals = 1u << 1;  // --individuals
constexpr unsigned kScanPoints = 1u << 2;   // --scan

// Its members in the order that a schema's table of columns reads them; a
// schema has a few dozen columns, whose padding is of no weight.
template <class Row>
struct Column {                  // NOLINT(clang-analyzer-optin.performance.Padding)
    const char* name;            // the field's name, and the text format's heading
    Field (*value)(const Row&);  // its value in a row
    int width;                   // its text width; negative aligns it left
    const char* layout;          // printf layout of its numbers in text, or null: shortest
    Placement placement;
    // A result: empty unless the row's status is ok. In the text format the
    // reason stands in place of the first result column and everything after.
    bool result;
    unsigned needs;  // the options it needs (kSimulated, say); kAlways for every row
    // Its values are texts (a name, the status), else numbers: the kind of
    // a column of a table of values even where every field is empty.
    bool text = false;
};

// A row's text cells: one per column shown, up to the first result of a row
// without one, whose reason is then `reason`.
struct TextCells {
    std::vector<std::string> cells;
    std::string reason;
};

// The columns of a kind of row, with the options the rows have. `Row` has a
// member `status`.
template <class Row>
class Schema {
  public:
    constexpr Schema(const Column<Row>* columns, std::size_t count, unsigned present)
        : columns_(columns), count_(count), present_(present) {}
    template <std::size_t N>
    constexpr Schema(const Column<Row> (&columns)[N], unsigned present)
        : Schema(columns, N, present) {}

    void append_header(Format format, std::string& out) const {
        if (format == Format::json) {
            out += '[';
            return;
        }
        if (format == Format::text) {
            for_text_columns([&](const Column<Row>& column) {
                append_text_cell(column.name, column.width, out);
                return true;
            });
        } else {
            for_delimited_columns(format, out,
                                  [&](const Column<Row>& column) { out += column.name; });
        }
        out += '\n';
    }

    // Row number `index` (from 0) of the table.
    void append_row(Format format, const Row& row, std::size_t index, std::string& out) const {
        switch (format) {
            case Format::text:
                append_text_row(row, out);
                return;
            case Format::json:
                append_json_row(row, index, out);
                return;
            case Format::tsv:
            case Format::csv:
                append_delimited_row(format, row, out);
                return;
        }
    }

    // The text format's headings and cells, unpadded: the page's table.
    std::vector<std::string> text_headings() const {
        std::vector<std::string> headings;
        for_text_columns([&](const Column<Row>& column) {
            headings.emplace_back(column.name);
            return true;
        });
        return headings;
    }
    TextCells text_cells(const Row& row) const {
        TextCells cells;
        for_text_cells(row, [&](const Column<Row>& column, const Field& field) {
            cells.cells.push_back(text_of(field, column.layout));
        });
        if (row.status != Status::ok) {
            cells.reason = status_reason(row.status);
        }
        return cells;
    }

    // The columns of tsv, csv and json in their order, each with `visit`.
    template <class Visit>
    void for_each_column(Visit visit) const {
        for_machine_columns(visit);
    }
    // A column's field as tsv, csv and json write it: empty for a result of a
    // row without one.
    Field field_of(const Column<Row>& column, const Row& row) const {
        return column.result && row.status != Status::ok ? Field{} : column.value(row);
    }

  private:
    bool present(const Column<Row>& column) const {
        return (column.needs & present_) == column.needs;
    }

    template <class Visit>
    void for_machine_columns(Visit visit) const {
        for (std::size_t i = 0; i < count_; ++i) {
            if (present(columns_[i])) {
                visit(columns_[i]);
            }
        }
    }

    // The text columns in their order: those shown, then the trailing ones.
    // `visit` returns false to stop.
    template <class Visit>
    void for_text_columns(Visit visit) const {
        for (const Placement placement : {Placement::shown, Placement::trailing}) {
            for (std::size_t i = 0; i < count_; ++i) {
                const Column<Row>& column = columns_[i];
                if (column.placement == placement && present(column) && !visit(column)) {
                    return;
                }
            }
        }
    }

    // The cells of a row in the text columns' order, up to the first result of
    // a row without one; a trailing column only where it has a value.
    template <class Visit>
    void for_text_cells(const Row& row, Visit visit) const {
        const bool ok = row.status == Status::ok;
        for_text_columns([&](const Column<Row>& column) {
            if (column.result && !ok) {
                return false;
            }
            const Field field = column.value(row);
            if (column.placement != Placement::trailing || field.kind != Field::Kind::empty) {
                visit(column, field);
            }
            return true;
        });
    }

    void append_text_row(const Row& row, std::string& out) const {
        std::string line;
        for_text_cells(row, [&](const Column<Row>& column, const Field& field) {
            append_text_cell(text_of(field, column.layout), column.width, line);
        });
        if (row.status != Status::ok) {
            line += "  ";
            line += status_reason(row.status);
        }
        out += line;
        out += '\n';
    }

    // The columns of tsv or csv, each after its separator.
    template <class Visit>
    void for_delimited_columns(Format format, std::string& out, Visit visit) const {
        const char separator = format == Format::csv ? ',' : '\t';
        bool first = true;
        for_machine_columns([&](const Column<Row>& column) {
            if (!first) {
                out += separator;
            }
            first = false;
            visit(column);
        });
    }

    void append_delimited_row(Format format, const Row& row, std::string& out) const {
        for_delimited_columns(format, out, [&](const Column<Row>& column) {
            append_machine_field(format, field_of(column, row), out);
        });
        out += '\n';
    }

    void append_json_row(const Row& row, std::size_t index, std::string& out) const {
        out += index == 0 ? "\n  {" : ",\n  {";
        bool first = true;
        for_machine_columns([&](const Column<Row>& column) {
            out += first ? "\"" : ", \"";
            first = false;
            out += column.name;
            out += "\": ";
            append_machine_field(Format::json, field_of(column, row), out);
        });
        out += '}';
    }

    const Column<Row>* columns_;
    std::size_t count_;
    unsigned present_;
};

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_SCHEMA_H
