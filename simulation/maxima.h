// The replicates' genome-wide maxima of a simulated null scan, and their LOD
// scores.
#ifndef LODTHRESH_SIMULATION_MAXIMA_H
#define LODTHRESH_SIMULATION_MAXIMA_H

#include <cstdint>
#include <vector>

#include "threshold/design.h"

namespace lodthresh::simulation {

// The replicates' genome-wide maxima in replicate order, on the statistic's
// own scale: max Z (one-sided), max Z^2 (two-sided), max Z_a^2 + Z_d^2 (2 df);
// for the dense map also the maxima over the every-fourth-point subgrid.
class Maxima {
  public:
    Maxima() = default;
    // Maxima of a given tail: a simulation's, or a sample of one's own to read
    // thresholds from (the subgrid's maxima too when `coarse` is not empty;
    // then of the same size). Throws std::invalid_argument when sizes differ.
    Maxima(Tail tail, std::vector<double> maxima, std::vector<double> coarse = {});

    Tail tail() const { return tail_; }
    bool dense() const { return !coarse_.empty(); }
    std::uint64_t size() const { return maxima_.size(); }
    const std::vector<double>& statistic() const { return maxima_; }
    const std::vector<double>& coarse_statistic() const { return coarse_; }
    // The LOD score of replicate i's maximum (of the subgrid's when coarse):
    // T / (2 ln 10) with T the chi-square-scale statistic, the division of
    // every LOD score of the libraries (lod_of_chi_square); one-sided
    // T = Z |Z|, so a negative maximum Z (every marker below 0) has the
    // negative LOD -Z^2 / (2 ln 10) and the order of the maxima is kept.
    double lod(std::uint64_t i) const;
    double coarse_lod(std::uint64_t i) const;

    friend bool operator==(const Maxima& a, const Maxima& b) {
        return a.tail_ == b.tail_ && a.maxima_ == b.maxima_ && a.coarse_ == b.coarse_;
    }

  private:
    Tail tail_ = Tail::one_sided;
    std::vector<double> maxima_;
    std::vector<double> coarse_;
};

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_MAXIMA_H
