// The values of a calculation as a script gives them: numbers, mapping
// methods and level names, checked field by field.
#ifndef LODTHRESH_TABLE_VALUES_H
#define LODTHRESH_TABLE_VALUES_H

#include <string>
#include <vector>

#include "threshold/design.h"

namespace lodthresh::table {

// A cross-over rate, with the mapping method's name when it was given by one.
struct Rate {
    double value;
    const char* mapping;  // null for a rate given as a number
};

// Each parser takes one value as text. It returns "" and stores the value, or
// returns why the text is no valid value ("'2.5' is not a whole number").
std::string parse_length(const std::string& text, double* value);
std::string parse_chromosomes(const std::string& text, double* value);
std::string parse_rate(const std::string& text, Rate* rate);
std::string parse_alpha(const std::string& text, double* value);
std::string parse_precision(const std::string& text, double* value);

// A comma-separated list of values, "all" expanding to every mapping method
// (for rates) or every level name (for levels).
std::string parse_lengths(const std::string& text, std::vector<double>* values);
std::string parse_chromosome_list(const std::string& text, std::vector<double>* values);
std::string parse_rates(const std::string& text, std::vector<Rate>* rates);
std::string parse_alphas(const std::string& text, std::vector<double>* values);
std::string parse_precisions(const std::string& text, std::vector<double>* values);

// Why a precision is too coarse for a level, or "" when epsilon < alpha.
std::string check_precision_below(double precision, double alpha);

// ---------------------------------------------------------------------------
// Values of the designs mode.

// A design by name, or a custom rate with its tail (name null).
struct DesignChoice {
    const char* name;
    Tail tail;
    double rate;
};

// A comma-separated list of designs ("backcross", say); "all" is every design.
std::string parse_designs(const std::string& text, std::vector<DesignChoice>* designs);
// A rate field of this mode: a design's name (with its own tail) or a number
// above 0 (with `tail`); a list, "all" being every design.
std::string parse_design_or_rate(const std::string& text, Tail tail, DesignChoice* design);
std::string parse_designs_or_rates(const std::string& text, Tail tail,
                                   std::vector<DesignChoice>* designs);
// "one-sided", "two-sided" or "2df".
std::string parse_tail(const std::string& text, Tail* tail);
// LOD scores of peaks: finite numbers above 0.
std::string parse_lods(const std::string& text, std::vector<double>* lods);
// Where a scan evaluates the statistic: "markers" (false) or "interval"
// (true: between the markers too).
std::string parse_scan(const std::string& text, bool* interval);
// The step of pseudomarkers in cM: a finite number above 0.
std::string parse_step(const std::string& text, double* step_cm);
// Effect sizes of power rows: shares of variance and target powers strictly
// between 0 and 1, noncentralities above 0, dominance ratios finite.
std::string parse_shares(const std::string& text, std::vector<double>* shares);
std::string parse_noncentralities(const std::string& text, std::vector<double>* values);
std::string parse_dominances(const std::string& text, std::vector<double>* ratios);
// Marker spacings in cM: finite numbers >= 0, 0 being the dense map.
std::string parse_spacings(const std::string& text, std::vector<double>* spacings_cm);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_VALUES_H
