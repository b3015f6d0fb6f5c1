#include "threshold/genetic_map.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "threshold/text.h"
#include "threshold/units.h"

namespace lodthresh {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A chromosome of a genome is far shorter than this: a PLINK .map of three
// columns with larger positions holds base pairs (PLINK's --map3), not cM.
constexpr double kMostCentimorgans = 10000.0;

constexpr char kLayouts[] =
    "the line fits no layout of map that is read: qtl2 gmap (comma-separated, header "
    "marker,chr,pos), R/qtl csv (a header of names, a row of chromosomes, a row of positions), "
    "R/qtl csvr (a row per marker: name,chr,pos, then genotypes), PLINK .map (chr id cM bp, or "
    "chr id cM, no header) or three columns (marker chr pos, separated by blanks or tabs, with "
    "or without that header)";

// A line that is neither blank nor a comment, without its line end.
struct Line {
    long number;
    std::string_view text;
};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<Line> content_lines(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<Line> lines;
    long number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // a line end written as CR LF
        }
        const std::string_view content = trimmed(line);
        if (!content.empty() && content.front() != '#') {
            lines.push_back({number, line});
        }
    }
    return lines;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The field quoted at the start of `text` (its opening quote first), and in
// `length` how much of `text` it takes: its closing quote and the blanks
// after it. A doubled quote inside is one quote, and so is \" where
// `backslash` (R's write.table escapes so). False when the quote is not closed
// or something other than blanks follows it before `separator` (or the end;
// any blank for a separator of blanks, ' ').
bool read_quoted(std::string_view text, char separator, bool backslash, std::string* field,
                 std::size_t* length) {
    field->clear();
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const bool escaped_quote =
            i + 1 < text.size() && text[i + 1] == '"' && (c == '"' || (backslash && c == '\\'));
        if (escaped_quote) {
            field->push_back('"');
            ++i;
        } else if (c == '"') {
            break;
        } else {
            field->push_back(c);
        }
    }
    if (i == text.size()) {
        return false;  // never closed
    }
    ++i;
    if (separator == ' ') {
        if (i < text.size() && !is_blank(text[i])) {
            return false;
        }
        *length = i;
        return true;
    }
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] != separator) {
        return false;
    }
    *length = i;
    return true;
}

// The fields of a comma-separated line, each without the blanks around it and
// without its quotes when it is quoted whole; a quoted field may hold commas.
std::vector<std::string> split_csv(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    for (;;) {
        const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
        std::size_t length = 0;
        if (start < line.size() && line[start] == '"' &&
            read_quoted(line.substr(start), ',', false, &field, &length)) {
            fields.push_back(field);
            line.remove_prefix(start + length);
        } else {
            // Not quoted whole: up to the next comma, with a quote at each end
            // taken off.
            const std::size_t comma = line.find(',');
            std::string_view raw = trimmed(line.substr(0, comma));
            if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
                raw = raw.substr(1, raw.size() - 2);
            }
            fields.emplace_back(raw);
            line.remove_prefix(comma == std::string_view::npos ? line.size() : comma);
        }
        if (line.empty()) {
            return fields;
        }
        line.remove_prefix(1);  // the comma
    }
}

// The fields of a line separated by runs of blanks and tabs, a quoted field
// (R's write.table quotes names) without its quotes and possibly with blanks.
std::vector<std::string> split_blanks(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    std::size_t start = 0;
    while ((start = line.find_first_not_of(" \t", start)) != std::string_view::npos) {
        std::size_t length = 0;
        if (line[start] == '"' && read_quoted(line.substr(start), ' ', true, &field, &length)) {
            fields.push_back(field);
            start += length;
        } else {
            const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
            fields.emplace_back(line.substr(start, end - start));
            start = end;
        }
    }
    return fields;
}

// The fields of a line of PLINK's .map, as PLINK reads them: runs of
// characters other than blanks and tabs.
std::vector<std::string> split_plain(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while ((start = line.find_first_not_of(" \t", start)) != std::string_view::npos) {
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        fields.emplace_back(line.substr(start, end - start));
        start = end;
    }
    return fields;
}

bool same_name(std::string_view field, std::string_view lower_case) {
    if (field.size() != lower_case.size()) {
        return false;
    }
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower_case[i]) {
            return false;
        }
    }
    return true;
}

// A finite number that is the whole field; "" or why not.
std::string read_number(std::string_view field, const char* what, double* value) {
    double number = 0.0;
    if (!read_decimal(field, &number)) {
        return std::string(what) + " " + quoted(field) + " is not a number";
    }
    if (!std::isfinite(number)) {
        return std::string(what) + " " + quoted(field) + " is not a finite number";
    }
    *value = number;
    return "";
}

// The map as its markers are added, each chromosome's positions sorted at the
// end.
class MapBuilder {
  public:
    void add(const std::string& chromosome, double position_cm) {
        const auto [place, added] = index_.try_emplace(chromosome, map_.chromosomes.size());
        if (added) {
            map_.chromosomes.push_back(MapChromosome{chromosome, {}});
        }
        map_.chromosomes[place->second].positions.push_back(position_cm / kCentimorgansPerMorgan);
    }

    // The markers of a chromosome in the order of their positions, as the
    // scan takes its intervals. A stable sort: a map already in order keeps
    // every double where it was.
    GeneticMap finish() {
        for (MapChromosome& chromosome : map_.chromosomes) {
            std::stable_sort(chromosome.positions.begin(), chromosome.positions.end());
        }
        index_.clear();
        return std::move(map_);
    }

  private:
    GeneticMap map_;
    std::unordered_map<std::string, std::size_t> index_;  // chromosome name -> its place
};

// Where a table of one marker a line has its values.
struct Columns {
    MapLayout layout;
    std::size_t fields;      // on every line
    std::size_t chromosome;  // the fields' places
    std::size_t position;
    bool bp;            // a fourth field of base pairs, negative for a marker left out
    bool plain;         // PLINK's fields, without quotes
    bool csv;           // comma-separated
    const char* names;  // the columns as a message names them
    std::size_t named;  // how many of them `names` names
};

std::string expected_fields(const Columns& columns, std::size_t found) {
    std::string text = "expected " + std::to_string(columns.fields) + " fields (" + columns.names;
    if (columns.fields > columns.named) {
        text += " and " + std::to_string(columns.fields - columns.named) + " more, as the header";
    }
    return text + "), found " + std::to_string(found);
}

// One marker a line, from `first` on.
void read_table(const std::vector<Line>& lines, std::size_t first, const Columns& columns,
                MapBuilder& builder, std::vector<MapError>& errors) {
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::vector<std::string> fields = columns.csv     ? split_csv(lines[i].text)
                                                : columns.plain ? split_plain(lines[i].text)
                                                                : split_blanks(lines[i].text);
        std::string error;
        double position = 0.0;
        bool keep = true;
        if (fields.size() != columns.fields) {
            error = expected_fields(columns, fields.size());
        } else if (fields[columns.chromosome].empty()) {
            error = "the chromosome is empty";
        } else if (columns.bp) {
            double bp = 0.0;
            error = read_number(fields[3], "bp", &bp);
            keep = bp >= 0.0;  // a negative bp: PLINK's mark of a marker to leave out
        }
        if (error.empty() && keep) {
            error = read_number(fields[columns.position], "position", &position);
        }
        if (error.empty() && keep && columns.layout == MapLayout::plink_map && !columns.bp &&
            position > kMostCentimorgans) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "position %.10g cM is above %g cM: base pairs (PLINK's --map3 layout, "
                          "chr id bp), which give no genetic map",
                          position, kMostCentimorgans);
            error = text;
        }
        if (!error.empty()) {
            errors.push_back({lines[i].number, std::move(error)});
        } else if (keep) {
            builder.add(fields[columns.chromosome], position);
        }
    }
}

// R/qtl's csv: the header of phenotype and marker names, a row of chromosomes
// and a row of positions, both empty in the phenotype columns, which come
// first. The genotypes below are not read.
void read_rqtl_csv(const std::vector<Line>& lines, MapBuilder& builder,
                   std::vector<MapError>& errors) {
    const std::vector<std::string> names = split_csv(lines[0].text);
    const std::vector<std::string> chromosomes = split_csv(lines[1].text);
    const std::size_t count = names.size();
    const auto column = [&](std::size_t j) {
        return "column " + std::to_string(j + 1) + " (" + quoted(names[j]) + ")";
    };
    const auto fields_of_header = [&](std::size_t found) {
        return "expected " + std::to_string(count) + " fields, as the header of names, found " +
               std::to_string(found);
    };
    if (chromosomes.size() != count) {
        errors.push_back({lines[1].number, fields_of_header(chromosomes.size())});
        return;
    }
    std::size_t phenotypes = 0;
    while (phenotypes < count && chromosomes[phenotypes].empty()) {
        ++phenotypes;
    }
    if (phenotypes == count) {
        return;  // phenotypes alone: no marker
    }
    for (std::size_t j = phenotypes; j < count; ++j) {
        if (chromosomes[j].empty()) {
            errors.push_back({lines[1].number, "the chromosome of the marker in " + column(j) +
                                                   " is empty (the phenotypes come first)"});
            break;
        }
    }
    if (lines.size() < 3) {
        if (errors.empty()) {
            errors.push_back({lines[1].number, "no row of positions follows the chromosomes"});
        }
        return;
    }
    const std::vector<std::string> positions = split_csv(lines[2].text);
    if (positions.size() != count) {
        errors.push_back({lines[2].number, fields_of_header(positions.size())});
        return;
    }
    std::vector<double> cm(count, 0.0);
    std::string error;
    for (std::size_t j = 0; j < count && error.empty(); ++j) {
        if (j < phenotypes) {
            if (!positions[j].empty()) {
                error = "this is no row of positions: the phenotype's cell in " + column(j) +
                        " holds " + quoted(positions[j]) +
                        " (a file without positions gives no map)";
            }
        } else if (std::string why = read_number(positions[j], "position", &cm[j]); !why.empty()) {
            error = "the marker in " + column(j) + ": " + why;
        }
    }
    if (!error.empty()) {
        errors.push_back({lines[2].number, std::move(error)});
    }
    if (!errors.empty()) {
        return;
    }
    for (std::size_t j = phenotypes; j < count; ++j) {
        builder.add(chromosomes[j], cm[j]);
    }
}

// R/qtl's csvr: a row per phenotype (name, two empty cells, values) and per
// marker (name, chromosome, position, genotypes).
void read_rqtl_csvr(const std::vector<Line>& lines, MapBuilder& builder,
                    std::vector<MapError>& errors) {
    for (const Line& line : lines) {
        const std::vector<std::string> fields = split_csv(line.text);
        std::string error;
        double position = 0.0;
        if (fields.size() < 3) {
            error = "expected at least 3 fields (name,chr,pos, then genotypes), found " +
                    std::to_string(fields.size());
        } else if (fields[1].empty()) {
            if (!fields[2].empty()) {
                error = quoted(fields[0]) +
                        " has a position but no chromosome (a phenotype's row has neither)";
            }
        } else {
            error = read_number(fields[2], "position", &position);
            if (error.empty()) {
                builder.add(fields[1], position);
            }
        }
        if (!error.empty()) {
            errors.push_back({line.number, std::move(error)});
        }
    }
}

// Whether a field reads as a chromosome's name: a number of one or two digits,
// or X, Y, XY, MT, M, W, Z, each perhaps after "chr".
bool looks_like_chromosome(std::string_view name) {
    if (name.size() > 3 && same_name(name.substr(0, 3), "chr")) {
        name.remove_prefix(3);
    }
    if (!name.empty() && name.size() <= 2 &&
        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return true;
    }
    for (const char* code : {"x", "y", "xy", "mt", "m", "w", "z"}) {
        if (same_name(name, code)) {
            return true;
        }
    }
    return false;
}

// Of three columns without a header, whether the first holds the chromosomes
// (PLINK's chr id cM) rather than the second (marker chr pos). A map's
// markers come chromosome by chromosome, so the chromosome column is the one
// whose values repeat on consecutive lines; marker names do not. When the
// repeats tie (a chromosome a line), the column of fewer distinct values
// holds the chromosomes, then the column that reads more often as chromosome
// names, and at last the first, as in PLINK's .map.
bool chromosomes_first(const std::vector<Line>& lines) {
    std::size_t repeats[2] = {0, 0};
    std::vector<std::string> previous;
    for (const Line& line : lines) {
        std::vector<std::string> fields = split_blanks(line.text);
        if (fields.size() < 2) {
            continue;
        }
        for (std::size_t c = 0; c < 2; ++c) {
            repeats[c] += !previous.empty() && fields[c] == previous[c] ? 1 : 0;
        }
        previous = std::move(fields);
    }
    if (repeats[0] != repeats[1]) {
        return repeats[0] > repeats[1];
    }
    std::size_t names[2] = {0, 0};
    std::unordered_set<std::string> distinct[2];
    for (const Line& line : lines) {
        const std::vector<std::string> fields = split_blanks(line.text);
        if (fields.size() < 2) {
            continue;
        }
        for (std::size_t c = 0; c < 2; ++c) {
            names[c] += looks_like_chromosome(fields[c]) ? 1 : 0;
            distinct[c].insert(fields[c]);
        }
    }
    if (distinct[0].size() != distinct[1].size()) {
        return distinct[0].size() < distinct[1].size();
    }
    return names[0] >= names[1];
}

bool is_number(const std::string& field) {
    double number = 0.0;
    return read_decimal(field, &number);
}

// A header names the columns: none of its fields is a number (a PLINK marker
// on chromosome "chr" called "pos" is a line of numbers after them).
bool is_header(const std::vector<std::string>& fields) {
    return std::none_of(fields.begin(), fields.end(), is_number);
}

// marker,chr,pos in any capitalisation, the first perhaps empty (the row
// names of write.csv), perhaps with further columns.
bool is_gmap_header(const std::vector<std::string>& fields) {
    return fields.size() >= 3 && (same_name(fields[0], "marker") || fields[0].empty()) &&
           same_name(fields[1], "chr") && same_name(fields[2], "pos") && is_header(fields);
}

// write.table's header of a data frame with row names: chr pos, a name less
// than the lines have fields.
bool is_row_names_header(const std::vector<std::string>& fields) {
    return fields.size() >= 2 && same_name(fields[0], "chr") && same_name(fields[1], "pos") &&
           is_header(fields);
}

}  // namespace

const char* map_layout_name(MapLayout layout) {
    switch (layout) {
        case MapLayout::qtl2_gmap:
            return "qtl2 gmap";
        case MapLayout::rqtl_csv:
            return "R/qtl csv";
        case MapLayout::rqtl_csvr:
            return "R/qtl csvr";
        case MapLayout::plink_map:
            return "PLINK .map";
        case MapLayout::three_columns:
            return "three columns";
        case MapLayout::none:
            break;
    }
    return "none";
}

MapReading read_genetic_map(std::string_view text) {
    MapReading reading;
    const std::vector<Line> lines = content_lines(text);
    if (lines.empty()) {
        return reading;
    }
    MapBuilder builder;
    const std::string_view first = lines[0].text;
    const std::vector<std::string> csv = split_csv(first);
    if (csv.size() > 1) {
        if (is_gmap_header(csv)) {
            reading.layout = MapLayout::qtl2_gmap;
            read_table(lines, 1,
                       Columns{MapLayout::qtl2_gmap, csv.size(), 1, 2, false, false, true,
                               "marker,chr,pos", 3},
                       builder, reading.errors);
        } else if (csv.size() >= 4 && !csv[0].empty() && csv[1].empty() && csv[2].empty()) {
            reading.layout = MapLayout::rqtl_csvr;
            read_rqtl_csvr(lines, builder, reading.errors);
        } else if (lines.size() >= 2 && split_csv(lines[1].text).front().empty()) {
            reading.layout = MapLayout::rqtl_csv;
            read_rqtl_csv(lines, builder, reading.errors);
        } else {
            reading.errors.push_back({lines[0].number, kLayouts});
        }
    } else {
        const std::vector<std::string> fields = split_blanks(first);
        if (is_gmap_header(fields)) {
            reading.layout = MapLayout::three_columns;
            read_table(lines, 1,
                       Columns{MapLayout::three_columns, fields.size(), 1, 2, false, false, false,
                               "marker chr pos", 3},
                       builder, reading.errors);
        } else if (is_row_names_header(fields)) {
            reading.layout = MapLayout::three_columns;
            read_table(lines, 1,
                       Columns{MapLayout::three_columns, fields.size() + 1, 1, 2, false, false,
                               false, "marker chr pos", 3},
                       builder, reading.errors);
        } else if (split_plain(first).size() == 4) {
            reading.layout = MapLayout::plink_map;
            read_table(lines, 0,
                       Columns{MapLayout::plink_map, 4, 0, 2, true, true, false, "chr id cM bp", 4},
                       builder, reading.errors);
        } else if (fields.size() == 3 && chromosomes_first(lines)) {
            reading.layout = MapLayout::plink_map;
            read_table(lines, 0,
                       Columns{MapLayout::plink_map, 3, 0, 2, false, true, false, "chr id cM", 3},
                       builder, reading.errors);
        } else if (fields.size() == 3) {
            reading.layout = MapLayout::three_columns;
            read_table(lines, 0,
                       Columns{MapLayout::three_columns, 3, 1, 2, false, false, false,
                               "marker chr pos", 3},
                       builder, reading.errors);
        } else {
            reading.errors.push_back({lines[0].number, kLayouts});
        }
    }
    if (reading.errors.empty()) {
        reading.map = builder.finish();
    }
    return reading;
}

bool is_x_chromosome(const std::string& name, MapLayout layout) {
    std::string_view code = name;
    if (code.size() > 3 && same_name(code.substr(0, 3), "chr")) {
        code.remove_prefix(3);
    }
    return code == "X" || code == "x" || (layout == MapLayout::plink_map && code == "23");
}

GeneticMap without_chromosomes(const GeneticMap& map, const std::vector<std::string>& names,
                               std::vector<std::string>* missing) {
    const std::unordered_set<std::string> left_out(names.begin(), names.end());
    GeneticMap kept;
    std::unordered_set<std::string> present;
    for (const MapChromosome& chromosome : map.chromosomes) {
        present.insert(chromosome.name);
        if (left_out.count(chromosome.name) == 0) {
            kept.chromosomes.push_back(chromosome);
        }
    }
    if (missing != nullptr) {
        std::unordered_set<std::string> named;
        for (const std::string& name : names) {
            if (present.count(name) == 0 && named.insert(name).second) {
                missing->push_back(name);
            }
        }
    }
    return kept;
}

Scan map_scan(const GeneticMap& map) {
    Scan scan{static_cast<double>(map.chromosomes.size()), {}};
    for (const MapChromosome& chromosome : map.chromosomes) {
        for (std::size_t i = 1; i < chromosome.positions.size(); ++i) {
            const double interval = chromosome.positions[i] - chromosome.positions[i - 1];
            scan.stretches.push_back(Stretch{interval, interval});
        }
    }
    return scan;
}

double map_length(const GeneticMap& map) {
    double length = 0.0;
    for (const MapChromosome& chromosome : map.chromosomes) {
        for (std::size_t i = 1; i < chromosome.positions.size(); ++i) {
            length += chromosome.positions[i] - chromosome.positions[i - 1];
        }
    }
    return length;
}

}  // namespace lodthresh
