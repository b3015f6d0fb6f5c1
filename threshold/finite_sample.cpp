#include "threshold/finite_sample.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "distributions/f.h"
#include "threshold/exact.h"

namespace lodthresh {

namespace {

// k of a regression test with n individuals, checked.
int checked_df(Tail tail, int n) {
    const int k = regression_df(tail);
    if (k == 0) {
        throw std::invalid_argument("a one-sided test has no regression LOD score");
    }
    if (n < least_individuals(tail)) {
        throw std::invalid_argument(std::to_string(n) +
                                    " individuals leave no residual degree "
                                    "of freedom");
    }
    return k;
}

}  // namespace

int regression_df(Tail tail) {
    switch (tail) {
        case Tail::two_sided:
            return 1;
        case Tail::two_df:
            return 2;
        case Tail::one_sided:
            break;
    }
    return 0;
}

int least_individuals(Tail tail) {
    return regression_df(tail) + 2;
}

double finite_sample_lod(Tail tail, double nominal, int n) {
    const int k = checked_df(tail, n);
    return distributions::lod_of_f(distributions::f_upper_quantile(nominal, k, n - k - 1), k, n);
}

double finite_sample_p(Tail tail, double lod, int n) {
    const int k = checked_df(tail, n);
    return distributions::f_upper_tail(distributions::f_of_lod(lod, k, n), k, n - k - 1);
}

double chi_square_of_level(Tail tail, double p) {
    if (!(p > 0.0 && p <= 1.0)) {
        throw std::invalid_argument("a pointwise level lies in (0, 1]");
    }
    switch (tail) {
        case Tail::two_df:
            return -2.0 * std::log(p);
        case Tail::two_sided: {
            const double z = upper_normal_quantile(0.5 * p);
            return z * z;
        }
        case Tail::one_sided: {
            const double z = upper_normal_quantile(p);
            return z * z;
        }
    }
    return 0.0;
}

}  // namespace lodthresh
