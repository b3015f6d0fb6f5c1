#include "table/power_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>

#include "table/shortest.h"
#include "table/values.h"
#include "threshold/finite_sample.h"
#include "threshold/level.h"
#include "threshold/units.h"

namespace lodthresh::table {

namespace {

constexpr const char* kPowerRowsOptions = "power rows (--pve, --noncentrality, --target-power)";

std::string design_name(const DesignChoice& design) {
    return design.name != nullptr ? std::string(design.name) : "of rate " + shortest(design.rate);
}

bool named(const DesignChoice& design, const char* name) {
    return design.name != nullptr && std::string(design.name) == name;
}

}  // namespace

bool intercross_like(const DesignChoice& design) {
    return design.tail == Tail::two_df || named(design, "intercross-additive") ||
           named(design, "intercross-dominance");
}

std::vector<OptionError> read_power_options(const Options& options, const DesignValues& values,
                                            PowerValues& power) {
    std::vector<OptionError> errors;
    const auto refuse = [&errors](const char* option, const std::string& message) {
        errors.push_back({option, std::string("--") + option + ": " + message});
    };
    const auto check = [&](const char* option, const std::string& error) {
        if (!error.empty()) {
            refuse(option, error);
        }
    };
    if (!options.power_rows()) {
        if (options.dominance) {
            refuse("dominance", "only with --pve, --noncentrality or --target-power");
        }
        return errors;
    }
    power.individuals = values.individual_counts;
    if (options.lod) {
        refuse("lod", std::string("not with ") + kPowerRowsOptions);
    }
    if (values.points.interval) {
        refuse("scan", std::string("interval: not with ") + kPowerRowsOptions +
                           ", whose scan is at the markers");
    }
    if (options.batch) {
        refuse("batch", std::string("not with ") + kPowerRowsOptions);
    }
    if (options.pve) {
        check("pve", parse_shares(*options.pve, &power.pves));
        for (const DesignChoice& design : values.designs) {
            if (regression_df(design.tail) == 0) {
                refuse(
                    "pve",
                    "applies to crosses (two-sided and 2df tests), not to the one-sided design " +
                        design_name(design) + ": give its --noncentrality");
                break;
            }
        }
        if (!options.individuals && !options.target_power) {
            refuse("pve",
                   "needs --individuals, or --target-power for the individuals that reach it");
        }
    }
    if (options.dominance) {
        check("dominance", parse_dominances(*options.dominance, &power.dominances));
        for (const DesignChoice& design : values.designs) {
            if (!intercross_like(design)) {
                refuse("dominance",
                       "only with the intercross designs (2df, intercross-additive, "
                       "intercross-dominance), not with " +
                           design_name(design));
                break;
            }
        }
    } else {
        power.dominances = {0.0};
    }
    if (options.noncentrality) {
        check("noncentrality",
              parse_noncentralities(*options.noncentrality, &power.noncentralities));
        if (options.pve) {
            refuse("noncentrality", "not with --pve, which gives it with --individuals");
        }
    }
    if (options.target_power) {
        std::string error = parse_shares(*options.target_power, &power.target_powers);
        check("target-power", error);
        if (options.pve && options.individuals) {
            refuse("target-power",
                   "not with both --pve and --individuals: it solves for the one not given");
        } else if (options.noncentrality) {
            refuse("target-power", "not with --noncentrality, which it solves for");
        }
    }
    return errors;
}

namespace {

// The QTL's noncentrality xi (the mean of the statistic at the QTL) in a
// cross of n individuals whose QTL explains the share H of the trait's
// variance, and the model's threshold for the row's LOD score on n.
//
// Haley-Knott regression at the QTL has LOD (n/2) log10(RSS0/RSS1), and
// RSS1/RSS0 tends to 1 - H: on the chi-square scale 2 ln 10 LOD the QTL's
// statistic sits near -n ln(1 - H), which the model takes for xi^2, with the
// row's LOD on n individuals converted back, T = 2 ln 10 LOD, as its
// threshold. Against simulated crosses of 100 to 400 individuals with H from
// 0.03 to 0.15 (tests/threshold/power_finite_sample.tsv) this pair is within 0.020
// of the simulated power (root mean square 0.006); the F statistic's
// noncentrality n H / (1 - H) at the large-sample threshold of the row's
// nominal level overstates the power by up to 0.087.
double noncentrality_of_share(double share, int n) {
    return std::sqrt(-static_cast<double>(n) * std::log1p(-share));
}

double share_of_noncentrality(double xi, int n) {
    return -std::expm1(-xi * xi / static_cast<double>(n));
}

// The QTL's effect on each component of the design's statistic. In an F2
// with genotype means -a, d, a the additive and dominance codes are
// uncorrelated, with variances 1/2 and 1/4: the genetic variance a^2/2 +
// d^2/4 splits as 2 : K^2 (K = d / a).
Effect effect_of(const DesignChoice& design, double xi, bool has_dominance, double k) {
    if (!has_dominance) {
        return Effect{xi, 0.0};
    }
    const double additive = xi * std::sqrt(2.0 / (2.0 + k * k));
    const double dominance = xi * std::fabs(k) / std::sqrt(2.0 + k * k);
    if (design.tail == Tail::two_df) {
        return Effect{additive, dominance};
    }
    return Effect{named(design, "intercross-dominance") ? dominance : additive, 0.0};
}

// What the rows of one level and spacing share: the threshold, and the power
// of every effect at the model's threshold for each number of individuals (0:
// the large-sample one), each curve computed once.
struct Level {
    Status status = Status::ok;
    DesignThreshold large;  // the large-sample threshold
    std::string failure;
    const PowerScan* scan = nullptr;
    std::map<int, PowerCurve> curves;
};

Level level_of(const Scan& scan, const DesignChoice& design, double alpha) {
    Level level;
    try {
        level.large = design_threshold(scan, design.tail, design.rate, alpha);
        if (!std::isfinite(level.large.lod)) {
            level.status = Status::calculation_failed;
        }
    } catch (const NoSolution&) {
        level.status = Status::no_solution;
    } catch (const std::invalid_argument& error) {
        level.status = Status::calculation_failed;
        level.failure = error.what();
    } catch (const std::exception&) {
        level.status = Status::calculation_failed;
    }
    return level;
}

// One row's calculation: its scan, design and level.
class RowModel {
  public:
    RowModel(const DesignChoice& design, Level& level, PowerRow& row)
        : design_(design), level_(level), row_(row) {}

    // The row's threshold at n individuals (0: large sample), the model's
    // chi-square threshold for it, and its power curve.
    void threshold_at(int n) {
        row_.individuals = n;
        row_.threshold = level_.large;
        if (n > 0) {
            row_.threshold.lod = finite_sample_lod(design_.tail, level_.large.nominal_alpha, n);
        }
        row_.model_t = chi_square_of_lod(row_.threshold.lod);
        auto found = level_.curves.find(n);
        if (found == level_.curves.end()) {
            found =
                level_.curves
                    .emplace(n, PowerCurve(*level_.scan, design_.tail, design_.rate, row_.model_t))
                    .first;
        }
        curve_ = &found->second;
    }

    double power_of(double xi) const {
        return curve_->at(effect_of(design_, xi, row_.has_dominance, row_.dominance)).power;
    }

    void evaluate() {
        row_.effect = effect_of(design_, row_.noncentrality, row_.has_dominance, row_.dominance);
        row_.power = curve_->at(row_.effect);
    }

    // The noncentrality whose power is the target: false when power cannot
    // reach it (a QTL whose component the design's test does not see).
    bool solve_noncentrality(double target, double* xi) const {
        // Power rises with xi from the null chromosome's chance of a peak; a
        // bracket by doubling, then false position with the Illinois
        // modification (superlinear, and never leaves the bracket).
        double lo = 0.0;
        double f_lo = power_of(lo) - target;
        if (f_lo >= 0.0) {
            *xi = 0.0;
            return true;
        }
        double hi = 1.0;
        double f_hi = power_of(hi) - target;
        while (f_hi < 0.0) {
            lo = hi;
            f_lo = f_hi;
            hi *= 2.0;
            if (hi > 1e4) {
                return false;
            }
            f_hi = power_of(hi) - target;
        }
        int side = 0;
        for (int i = 0; i < 200 && hi - lo > 1e-14 * hi; ++i) {
            const double x = (lo * f_hi - hi * f_lo) / (f_hi - f_lo);
            const double f = power_of(x) - target;
            if (f == 0.0) {
                hi = x;
                break;
            }
            if (f < 0.0) {
                lo = x;
                f_lo = f;
                if (side == -1) {
                    f_hi /= 2.0;
                }
                side = -1;
            } else {
                hi = x;
                f_hi = f;
                if (side == 1) {
                    f_lo /= 2.0;
                }
                side = 1;
            }
        }
        *xi = hi;
        return true;
    }

    // The fewest individuals whose power reaches the target, the share of
    // variance given: false beyond kMostIndividuals.
    bool solve_individuals(double share, double target) {
        const int least = least_individuals(design_.tail);
        const auto reaches = [&](int n) {
            threshold_at(n);
            return power_of(noncentrality_of_share(share, n)) >= target;
        };
        if (!reaches(kMostIndividuals)) {
            return false;
        }
        // Start from the n whose noncentrality reaches the target at the
        // threshold of a guess of n, twice (the threshold moves little with
        // n), then bracket and bisect on whole numbers.
        int guess = least;
        threshold_at(0);
        for (int round = 0; round < 2; ++round) {
            double xi = 0.0;
            if (!solve_noncentrality(target, &xi)) {
                break;
            }
            const double n = std::ceil(xi * xi / -std::log1p(-share));
            guess = static_cast<int>(
                std::clamp(n, static_cast<double>(least), static_cast<double>(kMostIndividuals)));
            threshold_at(guess);
        }
        int lo = least - 1;  // does not reach (or is below the least)
        int hi = kMostIndividuals;
        if (reaches(guess)) {
            hi = guess;
            for (int step = 1; hi - step > lo; step *= 2) {
                const int n = std::max(hi - step, least);
                if (!reaches(n)) {
                    lo = n;
                    break;
                }
                hi = n;
                if (n == least) {
                    break;
                }
            }
        } else {
            lo = guess;
            for (int step = 1;; step *= 2) {
                const int n = static_cast<int>(
                    std::min<long long>(static_cast<long long>(lo) + step, kMostIndividuals));
                if (reaches(n)) {
                    hi = n;
                    break;
                }
                lo = n;
            }
        }
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            if (reaches(mid)) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        threshold_at(hi);
        row_.noncentrality = noncentrality_of_share(share, hi);
        return true;
    }

  private:
    const DesignChoice& design_;
    Level& level_;
    PowerRow& row_;
    const PowerCurve* curve_ = nullptr;
};

void solve_power_row(const DesignChoice& design, Level& level, PowerRow& row) {
    row.status = level.status;
    row.failure = level.failure;
    if (level.status != Status::ok) {
        return;
    }
    RowModel model(design, level, row);
    try {
        model.threshold_at(row.individuals);
        switch (row.solve) {
            case Solve::nothing:
                if (row.pve > 0.0) {
                    row.noncentrality = noncentrality_of_share(row.pve, row.individuals);
                }
                break;
            case Solve::noncentrality:
            case Solve::pve: {
                double xi = 0.0;
                if (!model.solve_noncentrality(row.target_power, &xi)) {
                    row.status = Status::calculation_failed;
                    row.failure = "no effect on the " + std::string(tail_name(design.tail)) +
                                  " test of " + design_name(design) +
                                  " reaches the target power: the dominance ratio leaves its "
                                  "component none";
                    return;
                }
                row.noncentrality = xi;
                if (row.solve == Solve::pve) {
                    row.pve = share_of_noncentrality(xi, row.individuals);
                }
                break;
            }
            case Solve::individuals:
                if (!model.solve_individuals(row.pve, row.target_power)) {
                    row.status = Status::individuals_beyond_bound;
                    return;
                }
                break;
        }
        model.evaluate();
        if (!std::isfinite(row.power.power) || !std::isfinite(row.threshold.lod)) {
            row.status = Status::calculation_failed;
        }
    } catch (const std::invalid_argument& error) {
        row.status = Status::calculation_failed;
        row.failure = error.what();
    } catch (const std::exception&) {
        row.status = Status::calculation_failed;
    }
}

PowerScan power_scan_of(const Genome& genome, const GeneticMap* map, std::size_t s) {
    if (map != nullptr) {
        return map_power_scan(*map);
    }
    if (genome.chromosomes != std::floor(genome.chromosomes)) {
        throw std::invalid_argument("power rows need a whole number of chromosomes, not " +
                                    shortest(genome.chromosomes));
    }
    return even_power_scan(genome.length, static_cast<int>(genome.chromosomes),
                           genome.spacings_cm[s] / kCentimorgansPerMorgan);
}

}  // namespace

std::vector<PowerRow> solve_power_group(const Genome& genome, const char* map,
                                        const GeneticMap* genetic_map, const DesignChoice& design,
                                        const std::vector<double>& alphas,
                                        const PowerValues& power) {
    const auto or_none = [](const auto& list, auto none) {
        return list.empty() ? std::vector<decltype(none)>{none} : list;
    };
    const std::vector<int> counts = or_none(power.individuals, 0);
    const std::vector<double> shares = or_none(power.pves, 0.0);
    const bool has_dominance = intercross_like(design);
    const std::vector<double> ratios =
        has_dominance ? or_none(power.dominances, 0.0) : std::vector<double>{0.0};
    const std::vector<double> xis = or_none(power.noncentralities, 0.0);
    const std::vector<double> targets = or_none(power.target_powers, 0.0);

    std::vector<PowerRow> rows;
    std::vector<PowerScan> scans;
    std::vector<std::string> scan_failures;
    for (std::size_t s = 0; s < genome.scans.size(); ++s) {
        try {
            scans.push_back(power_scan_of(genome, genetic_map, s));
            scan_failures.emplace_back();
        } catch (const std::invalid_argument& error) {
            scans.emplace_back();
            scan_failures.emplace_back(error.what());
        }
    }
    for (const double alpha : alphas) {
        for (std::size_t s = 0; s < genome.scans.size(); ++s) {
            Level level = level_of(genome.scans[s], design, alpha);
            if (!scan_failures[s].empty()) {
                level.status = Status::calculation_failed;
                level.failure = scan_failures[s];
            }
            level.scan = &scans[s];
            for (const int n : counts) {
                for (const double share : shares) {
                    for (const double k : ratios) {
                        for (const double xi : xis) {
                            for (const double target : targets) {
                                PowerRow row{};
                                row.length = genome.length;
                                row.chromosomes = genome.chromosomes;
                                row.map = map;
                                row.design = design;
                                row.alpha = alpha;
                                row.spacing_cm = genome.spacings_cm[s];
                                row.scan = s;
                                row.individuals = n;
                                row.pve = share;
                                row.has_dominance = has_dominance;
                                row.dominance = k;
                                row.noncentrality = xi;
                                row.target_power = target;
                                row.solve = target == 0.0 ? Solve::nothing
                                            : share > 0.0 ? Solve::individuals
                                            : n > 0       ? Solve::pve
                                                          : Solve::noncentrality;
                                solve_power_row(design, level, row);
                                rows.push_back(std::move(row));
                            }
                        }
                    }
                }
            }
        }
    }
    return rows;
}

bool simulate_power_rows(const Genome& genome, const GeneticMap* map, std::uint64_t replicates,
                         const simulation::Control& control,
                         const std::function<void(std::size_t row, std::uint64_t done)>& progress,
                         std::vector<PowerRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        PowerRow& row = rows[i];
        if (row.status != Status::ok) {
            continue;
        }
        const simulation::NullScan scan =
            map != nullptr ? simulation::map_null_scan(*map, row.design.tail, row.design.rate)
                           : simulation::even_null_scan(genome.length, genome.chromosomes,
                                                        genome.spacings_cm[row.scan],
                                                        row.design.tail, row.design.rate);
        simulation::Control own = control;
        if (progress) {
            own.progress = [&progress, i](std::uint64_t done) { progress(i, done); };
        }
        simulation::PowerEstimate estimate{};
        if (!simulation::simulate_power(
                scan, row.model_t, simulation::QtlEffect{row.effect.additive, row.effect.dominance},
                simulation::QtlPlacement::uniform, replicates, own, estimate)) {
            return false;
        }
        row.has_simulated = true;
        row.sim_power = estimate.power;
        row.sim_power_se = estimate.se;
    }
    return true;
}

namespace {

using PowerColumn = Column<PowerRow>;

constexpr const char* kLevel = "%.3e";
constexpr const char* kLod = "%.3f";
constexpr const char* kPower = "%.3f";
constexpr const char* kEffect = "%.4g";

// A value the row solves for is a result: empty without one.
bool solved_or_given(const PowerRow& r, Solve solved) {
    return r.solve != solved || r.status == Status::ok;
}

constexpr PowerColumn kPowerColumns[] = {
    {"length", [](const PowerRow& r) { return number_field(r.length); }, 8, kReadable,
     Placement::shown, false, kAlways},
    {"chromosomes", [](const PowerRow& r) { return number_field(r.chromosomes); }, 11, nullptr,
     Placement::shown, false, kAlways},
    {"map", [](const PowerRow& r) { return text_field(r.map); }, -1, nullptr, Placement::trailing,
     false, kAlways, true},
    {"design", [](const PowerRow& r) { return text_field(r.design.name); }, -25, nullptr,
     Placement::shown, false, kAlways, true},
    {"tail", [](const PowerRow& r) { return text_field(tail_name(r.design.tail)); }, -9, nullptr,
     Placement::shown, false, kAlways, true},
    {"rate", [](const PowerRow& r) { return number_field(r.design.rate); }, 5, nullptr,
     Placement::shown, false, kAlways},
    {"individuals",
     [](const PowerRow& r) {
         return number_field_if(r.individuals > 0 && solved_or_given(r, Solve::individuals),
                                static_cast<double>(r.individuals));
     },
     11, nullptr, Placement::shown, false, kAlways},
    {"alpha", [](const PowerRow& r) { return number_field(r.alpha); }, 6, nullptr, Placement::shown,
     false, kAlways},
    {"spacing_cm",
     [](const PowerRow& r) { return number_field_if(r.map == nullptr, r.spacing_cm); }, 10, nullptr,
     Placement::shown, false, kAlways},
    {"pve",
     [](const PowerRow& r) {
         return number_field_if(r.pve > 0.0 && solved_or_given(r, Solve::pve), r.pve);
     },
     7, kEffect, Placement::shown, false, kAlways},
    {"dominance", [](const PowerRow& r) { return number_field_if(r.has_dominance, r.dominance); },
     9, nullptr, Placement::shown, false, kAlways},
    {"noncentrality",
     [](const PowerRow& r) {
         return number_field_if(
             r.noncentrality > 0.0 && (r.solve == Solve::nothing || r.status == Status::ok),
             r.noncentrality);
     },
     13, kEffect, Placement::shown, false, kAlways},
    {"target_power",
     [](const PowerRow& r) { return number_field_if(r.target_power > 0.0, r.target_power); }, 12,
     nullptr, Placement::shown, false, kAlways},
    {"status", [](const PowerRow& r) { return text_field(status_name(r.status)); }, 0, nullptr,
     Placement::hidden, false, kAlways, true},
    {"nominal_alpha", [](const PowerRow& r) { return number_field(r.threshold.nominal_alpha); }, 13,
     kLevel, Placement::shown, true, kAlways},
    {"lod", [](const PowerRow& r) { return number_field(r.threshold.lod); }, 7, kLod,
     Placement::shown, true, kAlways},
    {"power", [](const PowerRow& r) { return number_field(r.power.power); }, 5, kPower,
     Placement::shown, true, kAlways},
    {"power_at_marker",
     [](const PowerRow& r) {
         return number_field_if(std::isfinite(r.power.at_marker), r.power.at_marker);
     },
     15, kPower, Placement::shown, true, kAlways},
    {"sim_power", [](const PowerRow& r) { return number_field_if(r.has_simulated, r.sim_power); },
     9, kPower, Placement::shown, false, kSimulated},
    {"sim_power_se",
     [](const PowerRow& r) { return number_field_if(r.has_simulated, r.sim_power_se); }, 12, kPower,
     Placement::shown, false, kSimulated},
};

}  // namespace

Schema<PowerRow> power_schema(unsigned present) {
    return Schema<PowerRow>(kPowerColumns, present);
}

}  // namespace lodthresh::table
