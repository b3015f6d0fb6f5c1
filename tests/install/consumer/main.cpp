// Uses the installed libraries: the normal quantile of the numerics library,
// the threshold search at the program's defaults and the threshold library's
// report of a precision that cannot be reached, a design at a marker spacing,
// and a small simulation of its null scan.
#include <cstdio>

#include "numerics/numerics.h"
#include "simulation/null_scan.h"
#include "threshold/design.h"
#include "threshold/threshold.h"

int main() {
    std::printf("normv(0.975) = %.6f\n", Numerics_1_1::normv(0.975, 0.0, 1.0));
    std::printf("chisqv(0.95, 1) = %.6f\n", Numerics_1_1::chisqv(0.95, 1.0));

    const lodthresh::ThresholdResult result =
        lodthresh::compute_thresholds(lodthresh::ThresholdParameters{});
    std::printf("nominal alpha = %.10f\n", result.nominal_alpha);
    std::printf("LOD for infinitely dense map = %f\n", result.lod_dense);
    std::printf("LOD for 1cM map = %f\n", result.lod_1cm);

    lodthresh::ThresholdParameters none;
    none.significance = 0.0;
    try {
        lodthresh::compute_thresholds(none);
        std::printf("level 0: a result\n");
    } catch (const lodthresh::PrecisionNotReached&) {
        std::printf("level 0: precision not reached\n");
    }

    const lodthresh::Design* backcross = lodthresh::find_design("backcross");
    const lodthresh::DesignThreshold mouse = lodthresh::design_threshold(
        lodthresh::even_scan(16, 20, 0.1), backcross->tail, backcross->rate, 0.05);
    std::printf("backcross, 10 cM: LOD %.4f\n", mouse.lod);
    lodthresh::simulation::Maxima maxima;
    const bool done = lodthresh::simulation::simulate(
        lodthresh::simulation::even_null_scan(16, 20, 10, backcross->tail, backcross->rate), 1000,
        lodthresh::simulation::Control{}, maxima);
    std::printf("simulated: %s, %llu replicates\n", done ? "done" : "stopped",
                static_cast<unsigned long long>(maxima.size()));
    return 0;
}
