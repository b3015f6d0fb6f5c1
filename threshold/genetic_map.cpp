#include "threshold/genetic_map.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "threshold/text.h"
#include "threshold/units.h"

namespace lodthresh {

namespace {

enum class Layout { qtl2, plink };

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A csv field without the white space and double quotes around it.
std::string_view unquoted(std::string_view field) {
    field = trimmed(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = field.substr(1, field.size() - 2);
    }
    return field;
}

std::vector<std::string_view> split_csv(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(unquoted(line.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(comma + 1);
    }
}

std::vector<std::string_view> split_whitespace(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while ((start = line.find_first_not_of(" \t", start)) != std::string_view::npos) {
        const std::size_t end = line.find_first_of(" \t", start);
        fields.push_back(line.substr(start, end - start));
        start = end;
    }
    return fields;
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

bool skipped(std::string_view line) {
    const std::string_view content = trimmed(line);
    return content.empty() || content.front() == '#';
}

// One marker of a line: "" and its chromosome and position (cM), or why the
// line is no marker. `keep` is false for a PLINK marker that is to be skipped.
std::string read_marker(Layout layout, std::string_view line, std::string_view* chromosome,
                        double* position, bool* keep) {
    *keep = true;
    if (layout == Layout::qtl2) {
        const std::vector<std::string_view> fields = split_csv(line);
        if (fields.size() != 3) {
            return "expected 3 fields (marker,chr,pos), found " + std::to_string(fields.size());
        }
        if (fields[1].empty()) {
            return "the chromosome is empty";
        }
        *chromosome = fields[1];
        return read_number(fields[2], "position", position);
    }
    const std::vector<std::string_view> fields = split_whitespace(line);
    if (fields.size() != 4) {
        return "expected 4 fields (chr id cM bp), found " + std::to_string(fields.size());
    }
    *chromosome = fields[0];
    double bp = 0.0;
    if (std::string error = read_number(fields[3], "bp", &bp); !error.empty()) {
        return error;
    }
    if (bp < 0.0) {
        *keep = false;  // PLINK's mark of a marker to leave out
        return "";
    }
    return read_number(fields[2], "position", position);
}

}  // namespace

MapReading read_genetic_map(std::string_view text) {
    MapReading reading;
    std::unordered_map<std::string, std::size_t> index;  // chromosome name -> its place
    std::vector<double> last_position;                   // cM, per chromosome
    bool layout_known = false;
    Layout layout = Layout::plink;
    long number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // a line end written as CR LF
        }
        if (skipped(line)) {
            continue;
        }
        if (!layout_known) {
            layout_known = true;
            if (line.find(',') != std::string_view::npos) {
                layout = Layout::qtl2;
                const std::vector<std::string_view> header = split_csv(line);
                if (header.size() != 3 || header[0] != "marker" || header[1] != "chr" ||
                    header[2] != "pos") {
                    reading.errors.push_back(
                        {number, "a comma-separated map starts with the header 'marker,chr,pos'"});
                }
                continue;
            }
        }
        std::string_view chromosome;
        double position = 0.0;
        bool keep = true;
        std::string error = read_marker(layout, line, &chromosome, &position, &keep);
        if (error.empty() && keep) {
            const auto [place, added] =
                index.try_emplace(std::string(chromosome), reading.map.chromosomes.size());
            if (added) {
                reading.map.chromosomes.push_back(MapChromosome{std::string(chromosome), {}});
                last_position.push_back(position);
            } else if (position < last_position[place->second]) {
                char text_of[96];
                std::snprintf(text_of, sizeof text_of, "%.10g cM is below the %.10g cM", position,
                              last_position[place->second]);
                error = "position " + std::string(text_of) +
                        " of the marker before it on chromosome " + quoted(chromosome);
            }
            if (error.empty()) {
                last_position[place->second] = position;
                reading.map.chromosomes[place->second].positions.push_back(position /
                                                                           kCentimorgansPerMorgan);
            }
        }
        if (!error.empty()) {
            reading.errors.push_back({number, std::move(error)});
        }
    }
    if (!reading.errors.empty()) {
        reading.map.chromosomes.clear();
    }
    return reading;
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
