// The study designs of linkage scans: the test each makes at a locus and the
// cross-over rate of its statistic's process (Lander and Kruglyak, Nat Genet
// 11:241-247, 1995, table 1; Lander and Botstein, Genetics 121:185-199, 1989;
// Dupuis and Siegmund, Genetics 151:373-386, 1999).
#ifndef LODTHRESH_THRESHOLD_DESIGNS_H
#define LODTHRESH_THRESHOLD_DESIGNS_H

#include <cstddef>
#include <string_view>
#include <vector>

#include "threshold/pointwise.h"

namespace lodthresh {

// A study design by name: the tail of its test and the cross-over rate rho of
// its statistic's process.
struct Design {
    const char* name;
    Tail tail;
    double rate;
    const char* meaning;  // one line, for --help and the page
};

// Every design, the seven mapping methods of Lander and Kruglyak's table 1
// first, in their order, then the experimental crosses.
const std::vector<Design>& designs();
// The design of that name, or null.
const Design* find_design(std::string_view name);
// The number of mapping methods at the front of designs().
constexpr std::size_t kMappingMethodCount = 7;

// The two independent components of a 2-df statistic: rates 2 rho / 3 and
// 4 rho / 3, the F2 intercross's additive (1) and dominance (2) effects for
// rho = 1.5.
constexpr double kAdditiveShare = 2.0 / 3.0;
constexpr double kDominanceShare = 4.0 / 3.0;

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_DESIGNS_H
