#include "simulation/maxima.h"

#include <cmath>
#include <utility>

#include "simulation/checks.h"
#include "threshold/units.h"

namespace lodthresh::simulation {

namespace {

double lod_of(Tail tail, double statistic) {
    const double chi_square =
        tail == Tail::one_sided ? statistic * std::fabs(statistic) : statistic;
    return lod_of_chi_square(chi_square);
}

}  // namespace

Maxima::Maxima(Tail tail, std::vector<double> maxima, std::vector<double> coarse)
    : tail_(tail), maxima_(std::move(maxima)), coarse_(std::move(coarse)) {
    if (!coarse_.empty() && coarse_.size() != maxima_.size()) {
        invalid("the subgrid's maxima must be as many as the grid's");
    }
}

double Maxima::lod(std::uint64_t i) const {
    return lod_of(tail_, maxima_[i]);
}

double Maxima::coarse_lod(std::uint64_t i) const {
    return lod_of(tail_, coarse_[i]);
}

}  // namespace lodthresh::simulation
