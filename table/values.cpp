#include "table/values.h"

#include <cmath>
#include <cstdlib>
#include <iterator>

#include "table/shortest.h"
#include "threshold/text.h"

namespace lodthresh::table {

namespace {

struct Named {
    const char* name;
    double value;
};

// Their guidelines' levels. In the method's formula alpha is the expected
// number of false positives per scan, which is the level for small values:
// the suggestive level expects one.
constexpr Named kLevels[] = {
    {"suggestive", 1.0},
    {"significant", 0.05},
    {"highly-significant", 0.001},
};

// A finite number that is the whole text, as strtod reads it. `or_name`, if
// given, says what else the text could have been ("a mapping method").
std::string parse_number(const std::string& text, double* value, const char* or_name = nullptr) {
    double number = 0.0;
    if (!read_decimal(text, &number)) {
        return or_name == nullptr
                   ? quoted(text) + " is not a number"
                   : quoted(text) + " is neither a number nor " + or_name + " (see --help)";
    }
    if (!std::isfinite(number)) {
        return quoted(text) + " is not a finite number";
    }
    *value = number;
    return "";
}

std::string parse_above_zero(const std::string& text, double* value,
                             const char* or_name = nullptr) {
    std::string error = parse_number(text, value, or_name);
    if (error.empty() && !(*value > 0.0)) {
        error = quoted(text) + " is not above 0";
    }
    return error;
}

const Named* find(const Named* begin, const Named* end, const std::string& name) {
    for (const Named* entry = begin; entry != end; ++entry) {
        if (name == entry->name) {
            return entry;
        }
    }
    return nullptr;
}

// Splits a comma-separated list and parses each element with `parse`, which
// may append several values (for "all").
template <class T, class Parse>
std::string parse_list(const std::string& text, std::vector<T>* values, Parse parse) {
    values->clear();
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', start);
        const std::string element = text.substr(start, comma - start);
        std::string error = parse(element, values);
        if (!error.empty()) {
            return error;
        }
        if (comma == std::string::npos) {
            return "";
        }
        start = comma + 1;
    }
}

template <class T, class Parse>
std::string parse_single(const std::string& text, std::vector<T>* values, Parse parse) {
    return parse_list(text, values, [&](const std::string& element, std::vector<T>* out) {
        T value{};
        std::string error = parse(element, &value);
        if (error.empty()) {
            out->push_back(value);
        }
        return error;
    });
}

}  // namespace

std::string parse_length(const std::string& text, double* value) {
    return parse_above_zero(text, value);
}

std::string parse_chromosomes(const std::string& text, double* value) {
    std::string error = parse_number(text, value);
    if (error.empty() && std::fmod(*value, 1.0) != 0.0) {
        error = quoted(text) + " is not a whole number";
    } else if (error.empty() && *value < 1.0) {
        error = quoted(text) + " is not at least 1";
    }
    return error;
}

namespace {

// The mapping methods of Lander and Kruglyak's table 1: the first designs.
const Design* find_mapping_method(const std::string& name) {
    const Design* design = find_design(name);
    return design != nullptr && design < designs().data() + kMappingMethodCount ? design : nullptr;
}

}  // namespace

std::string parse_rate(const std::string& text, Rate* rate) {
    if (const Design* method = find_mapping_method(text)) {
        *rate = Rate{method->rate, method->name};
        return "";
    }
    rate->mapping = nullptr;
    return parse_above_zero(text, &rate->value, "a mapping method");
}

std::string parse_alpha(const std::string& text, double* value) {
    if (const Named* level = find(std::begin(kLevels), std::end(kLevels), text)) {
        *value = level->value;
        return "";
    }
    std::string error = parse_number(text, value, "a level name");
    if (error.empty() && !(*value > 0.0 && *value < 1.0)) {
        error = quoted(text) + " is not between 0 and 1 (for 1, say 'suggestive')";
    }
    return error;
}

std::string parse_precision(const std::string& text, double* value) {
    std::string error = parse_number(text, value);
    if (error.empty() && *value < 0.0) {
        error = quoted(text) + " is below 0";
    }
    return error;
}

std::string check_precision_below(double precision, double alpha) {
    if (precision < alpha) {
        return "";
    }
    return shortest(precision) + " is not below the alpha " + shortest(alpha);
}

std::string parse_lengths(const std::string& text, std::vector<double>* values) {
    return parse_single(text, values, parse_length);
}

std::string parse_chromosome_list(const std::string& text, std::vector<double>* values) {
    return parse_single(text, values, parse_chromosomes);
}

std::string parse_precisions(const std::string& text, std::vector<double>* values) {
    return parse_single(text, values, parse_precision);
}

std::string parse_rates(const std::string& text, std::vector<Rate>* rates) {
    return parse_list(text, rates, [](const std::string& element, std::vector<Rate>* out) {
        if (element == "all") {
            for (std::size_t i = 0; i < kMappingMethodCount; ++i) {
                out->push_back(Rate{designs()[i].rate, designs()[i].name});
            }
            return std::string();
        }
        Rate rate{};
        std::string error = parse_rate(element, &rate);
        if (error.empty()) {
            out->push_back(rate);
        }
        return error;
    });
}

std::string parse_alphas(const std::string& text, std::vector<double>* values) {
    return parse_list(text, values, [](const std::string& element, std::vector<double>* out) {
        if (element == "all") {
            for (const Named& level : kLevels) {
                out->push_back(level.value);
            }
            return std::string();
        }
        double value = 0.0;
        std::string error = parse_alpha(element, &value);
        if (error.empty()) {
            out->push_back(value);
        }
        return error;
    });
}

// ---------------------------------------------------------------------------
// Values of the designs mode.

namespace {

DesignChoice choice_of(const Design& design) {
    return DesignChoice{design.name, design.tail, design.rate};
}

template <class Parse>
std::string parse_design_list(const std::string& text, std::vector<DesignChoice>* designs,
                              Parse parse) {
    return parse_list(text, designs,
                      [&](const std::string& element, std::vector<DesignChoice>* out) {
                          if (element == "all") {
                              for (const Design& design : lodthresh::designs()) {
                                  out->push_back(choice_of(design));
                              }
                              return std::string();
                          }
                          DesignChoice design{};
                          std::string error = parse(element, &design);
                          if (error.empty()) {
                              out->push_back(design);
                          }
                          return error;
                      });
}

// One design: "backcross", say. Says why a text names none.
std::string parse_design(const std::string& text, DesignChoice* design) {
    if (const Design* named = find_design(text)) {
        *design = choice_of(*named);
        return "";
    }
    return quoted(text) + " is not a design (see --help)";
}

}  // namespace

std::string parse_designs(const std::string& text, std::vector<DesignChoice>* designs) {
    return parse_design_list(text, designs, parse_design);
}

std::string parse_design_or_rate(const std::string& text, Tail tail, DesignChoice* design) {
    if (const Design* named = find_design(text)) {
        *design = choice_of(*named);
        return "";
    }
    *design = DesignChoice{nullptr, tail, 0.0};
    return parse_above_zero(text, &design->rate, "a design");
}

std::string parse_designs_or_rates(const std::string& text, Tail tail,
                                   std::vector<DesignChoice>* designs) {
    return parse_design_list(text, designs, [tail](const std::string& element, DesignChoice* out) {
        return parse_design_or_rate(element, tail, out);
    });
}

std::string parse_tail(const std::string& text, Tail* tail) {
    for (const Tail candidate : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
        if (text == tail_name(candidate)) {
            *tail = candidate;
            return "";
        }
    }
    return quoted(text) + " is not one of one-sided, two-sided, 2df";
}

namespace {

// A marker spacing in cM: a finite number >= 0, 0 being the dense map.
std::string parse_spacing(const std::string& text, double* spacing_cm) {
    std::string error = parse_number(text, spacing_cm);
    if (error.empty() && *spacing_cm < 0.0) {
        error = quoted(text) + " is below 0";
    }
    return error;
}

}  // namespace

std::string parse_lods(const std::string& text, std::vector<double>* lods) {
    return parse_single(text, lods, [](const std::string& element, double* lod) {
        return parse_above_zero(element, lod);
    });
}

std::string parse_scan(const std::string& text, bool* interval) {
    if (text != "markers" && text != "interval") {
        return quoted(text) + " is not one of markers, interval";
    }
    *interval = text == "interval";
    return "";
}

std::string parse_step(const std::string& text, double* step_cm) {
    return parse_above_zero(text, step_cm);
}

std::string parse_shares(const std::string& text, std::vector<double>* shares) {
    return parse_single(text, shares, [](const std::string& element, double* share) {
        std::string error = parse_number(element, share);
        if (error.empty() && !(*share > 0.0 && *share < 1.0)) {
            error = quoted(element) + " is not between 0 and 1";
        }
        return error;
    });
}

std::string parse_noncentralities(const std::string& text, std::vector<double>* values) {
    return parse_single(text, values, [](const std::string& element, double* value) {
        return parse_above_zero(element, value);
    });
}

std::string parse_dominances(const std::string& text, std::vector<double>* ratios) {
    return parse_single(text, ratios, [](const std::string& element, double* ratio) {
        return parse_number(element, ratio);
    });
}

std::string parse_spacings(const std::string& text, std::vector<double>* spacings_cm) {
    return parse_single(text, spacings_cm, parse_spacing);
}

}  // namespace lodthresh::table
