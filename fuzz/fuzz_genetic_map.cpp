// libFuzzer target: a genetic map from arbitrary text, and the thresholds of
// its scan.
//
// A map is either read whole or refused with at least one numbered error;
// errors come in the order of their lines, one a line at most; a file of no
// layout is refused with one error; every position kept is finite and, sorted
// on its chromosome, non-decreasing; leaving out a chromosome leaves the
// others, and a name that is no chromosome (never the empty one) is missing;
// and a map's threshold is a finite LOD score or NoSolution, for each tail.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "threshold/threshold.h"

namespace {

void require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const lodthresh::MapReading reading =
        lodthresh::read_genetic_map(std::string_view(reinterpret_cast<const char*>(data), size));
    require(reading.errors.empty() || reading.map.chromosomes.empty());
    long previous_line = 0;
    for (const lodthresh::MapError& error : reading.errors) {
        require(error.line > previous_line && !error.reason.empty());
        previous_line = error.line;
    }
    for (const lodthresh::MapChromosome& chromosome : reading.map.chromosomes) {
        require(!chromosome.positions.empty());
        for (std::size_t i = 0; i < chromosome.positions.size(); ++i) {
            require(std::isfinite(chromosome.positions[i]));
            require(i == 0 || chromosome.positions[i] >= chromosome.positions[i - 1]);
        }
    }
    if (reading.layout == lodthresh::MapLayout::none) {
        require(reading.map.chromosomes.empty() && reading.errors.size() <= 1);
    }
    if (reading.map.chromosomes.empty()) {
        return 0;
    }
    std::vector<std::string> missing;
    const lodthresh::GeneticMap rest = lodthresh::without_chromosomes(
        reading.map, {reading.map.chromosomes[0].name, ""}, &missing);
    require(rest.chromosomes.size() + 1 == reading.map.chromosomes.size());
    require(missing.size() == 1 && missing[0].empty());
    const lodthresh::Scan scan = lodthresh::map_scan(reading.map);
    for (const lodthresh::Tail tail :
         {lodthresh::Tail::one_sided, lodthresh::Tail::two_sided, lodthresh::Tail::two_df}) {
        try {
            const lodthresh::DesignThreshold result =
                lodthresh::design_threshold(scan, tail, 1.0, 0.05);
            require(std::isfinite(result.lod) && result.lod > 0.0);
            require(result.nominal_alpha > 0.0 && result.nominal_alpha <= 1.0);
        } catch (const lodthresh::NoSolution&) {
        } catch (const std::invalid_argument&) {
            // A map that spans more than the doubles hold: intervals of inf.
        }
    }
    return 0;
}
