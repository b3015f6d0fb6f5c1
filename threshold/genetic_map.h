// Genetic maps as users keep them: R/qtl2's gmap.csv, R/qtl's csv and csvr
// cross files, PLINK's .map, and tables of three columns.
#ifndef LODTHRESH_THRESHOLD_GENETIC_MAP_H
#define LODTHRESH_THRESHOLD_GENETIC_MAP_H

#include <string>
#include <string_view>
#include <vector>

#include "threshold/design.h"

namespace lodthresh {

struct MapChromosome {
    std::string name;
    std::vector<double> positions;  // Morgan, non-decreasing, at least one
};

// The chromosomes in the order of their first marker in the file.
struct GeneticMap {
    std::vector<MapChromosome> chromosomes;
};

// A line that is no marker of the map, numbered from 1.
struct MapError {
    long line;
    std::string reason;
};

// The layouts of the map files that are read, told apart by their content.
enum class MapLayout {
    none,           // no line that is not blank or a comment, or none that is read
    qtl2_gmap,      // comma-separated marker,chr,pos with its header
    rqtl_csv,       // R/qtl's cross: marker names, a row of chromosomes and one of positions
    rqtl_csvr,      // R/qtl's rotated cross: a row per marker (name,chr,pos,genotypes...)
    plink_map,      // chr id cM [bp], blank- or tab-separated, no header
    three_columns,  // marker chr pos, blank- or tab-separated, header optional
};

// The layout as a message names it: "qtl2 gmap", "R/qtl csv", "R/qtl csvr",
// "PLINK .map", "three columns" (and "none").
const char* map_layout_name(MapLayout layout);

struct MapReading {
    GeneticMap map;                      // empty when there are errors
    std::vector<MapError> errors;        // in the order of the lines, one a line at most
    MapLayout layout = MapLayout::none;  // the layout the file was read in
};

// Reads a map from the text of its file (a UTF-8 byte-order mark, blank lines,
// '#' comments and CR LF line ends allowed). The layout is told from the first
// line that is neither blank nor a comment:
// - comma-separated with the header marker,chr,pos (any capitalisation; an
//   empty first name for write.csv's row names; further columns ignored):
//   qtl2 gmap;
// - comma-separated of four fields or more, a name then two empty fields (a
//   phenotype's row): R/qtl csvr, each marker a row of name, chr, pos and
//   genotypes, each phenotype a row with empty chr and pos;
// - comma-separated followed by a line whose first field is empty: R/qtl csv,
//   a header of names, a row of chromosomes and a row of positions, empty in
//   the phenotype columns, that come first;
// - blank- or tab-separated with the header marker chr pos (or write.table's
//   chr pos over rows that start with the marker names): three columns;
// - four fields: PLINK's chr id cM bp, where a negative bp marks a marker to
//   leave out;
// - three fields: marker chr pos when the second column holds the
//   chromosomes, PLINK's chr id cM when the first does; the chromosome column
//   is the one whose values repeat on consecutive lines.
// Any other first line is one error that names the layouts read. Fields may be
// quoted ("rs1"); positions are in cM and must be finite. The markers of a
// chromosome need not be in the order of their positions: they are sorted, as
// a scan sees them. A map is one whole: any bad line empties it.
MapReading read_genetic_map(std::string_view text);

// Whether a chromosome of a map read in `layout` is the X: X, x, chrX and
// ChrX in every layout, and 23, PLINK's code for it, in PLINK's.
bool is_x_chromosome(const std::string& name, MapLayout layout);

// The map without the chromosomes named. The names that are no chromosome of
// the map are appended to `missing` (when given), each once, in their order.
GeneticMap without_chromosomes(const GeneticMap& map, const std::vector<std::string>& names,
                               std::vector<std::string>* missing);

// C and the intervals between neighbouring markers of a chromosome, each a
// stretch of its own length and spacing.
Scan map_scan(const GeneticMap& map);

// G: the sum of the intervals, in Morgan.
double map_length(const GeneticMap& map);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_GENETIC_MAP_H
