#include "threshold/designs.h"

namespace lodthresh {

const std::vector<Design>& designs() {
    // Meanings fit the 80 columns of --help.
    static const std::vector<Design> kDesigns = {
        {"lod-score", Tail::one_sided, 1.0, "LOD-score analysis of pedigrees"},
        {"sibs", Tail::one_sided, 2.0, "allele sharing, affected sib pairs"},
        {"grandparent-grandchild", Tail::one_sided, 1.0, "allele sharing of these pairs"},
        {"uncle-nephew", Tail::one_sided, 2.5, "allele sharing, avuncular pairs"},
        {"first-cousin", Tail::one_sided, 2.67, "allele sharing, first cousins"},
        {"first-cousin-once-removed", Tail::one_sided, 2.86, "allele sharing of these pairs"},
        {"second-cousin", Tail::one_sided, 3.2, "allele sharing, second cousins"},
        {"backcross", Tail::two_sided, 1.0, "backcross"},
        {"doubled-haploid", Tail::two_sided, 1.0, "doubled haploid lines"},
        {"intercross", Tail::two_df, 1.5, "F2, additive and dominance (2 df)"},
        {"intercross-additive", Tail::two_sided, 1.0, "F2, additive effect only"},
        {"intercross-dominance", Tail::two_sided, 2.0, "F2, dominance effect only"},
        {"ril-selfing", Tail::two_sided, 2.0, "RILs by selfing, on the F2 map"},
        {"ril-sibmating", Tail::two_sided, 4.0, "RILs by sib mating, on the F2 map"},
    };
    return kDesigns;
}

const Design* find_design(std::string_view name) {
    for (const Design& design : designs()) {
        if (name == design.name) {
            return &design;
        }
    }
    return nullptr;
}

}  // namespace lodthresh
