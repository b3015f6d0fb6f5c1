// The scales the threshold library works on: LOD scores and the chi-square
// scale of the statistic, Morgan and centimorgans, and Lander and Kruglyak's
// fixed fractions of the dense-map LOD score for sparser maps.
#ifndef LODTHRESH_THRESHOLD_UNITS_H
#define LODTHRESH_THRESHOLD_UNITS_H

namespace lodthresh {

constexpr double kLn10 = 2.302585092994045684018;  // ln 10, the double nearest it

// The LOD score of a statistic T on the chi-square scale: T / (2 ln 10).
// Every LOD score of the library, analytic or simulated, is this division, so
// that a threshold and its simulated counterpart agree to the last bit where
// their statistics do.
constexpr double lod_of_chi_square(double t) {
    return t / (2.0 * kLn10);
}

// The chi-square-scale statistic of a LOD score: LOD times 2 ln 10.
constexpr double chi_square_of_lod(double lod) {
    return lod * (2.0 * kLn10);
}

constexpr double kCentimorgansPerMorgan = 100.0;

// Lander and Kruglyak's rule for maps of a given marker spacing: a fixed
// fraction of the dense map's LOD score, in the order of the report lines.
struct MapFraction {
    double spacing_cm;
    double fraction;
};
constexpr MapFraction kMapFractions[] = {{10.0, 0.8}, {5.0, 0.85}, {2.0, 0.9}, {1.0, 0.93}};

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_UNITS_H
