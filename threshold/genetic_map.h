// Genetic maps as users keep them: R/qtl2's gmap.csv and PLINK's .map.
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

struct MapReading {
    GeneticMap map;                // empty when there are errors
    std::vector<MapError> errors;  // in the order of the lines
};

// Reads a map from the text of its file. The layout is told from the first
// line that is neither blank nor a comment ('#'): "marker,chr,pos" (qtl2,
// comma-separated, positions in cM) or else PLINK's whitespace-separated
// "chr id cM bp" without a header, where a negative bp marks a marker to
// skip. Chromosome names are plain strings; positions must be finite and, on
// each chromosome, non-decreasing. A line of another chromosome may come
// between two of one chromosome. A map is one whole: any bad line empties it.
MapReading read_genetic_map(std::string_view text);

// C and the intervals between neighbouring markers of a chromosome, each a
// stretch of its own length and spacing.
Scan map_scan(const GeneticMap& map);

// G: the sum of the intervals, in Morgan.
double map_length(const GeneticMap& map);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_GENETIC_MAP_H
