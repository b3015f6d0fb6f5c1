#!/usr/bin/python3
"""Exact solution of the genome-wide approximation, for checking lodthresh.

Solves (C + 2 rho G z(a)^2) a = alpha for the nominal level a, with z the
exact standard-normal quantile, by bisection in 60-digit arithmetic (mpmath),
and prints a, the exact dense-map LOD z(a)^2 / (2 ln 10) (the chi-square
quantile with one degree of freedom at 1 - 2a is z(a)^2) and the four scaled
scores.

    tools/exact_thresholds.py G C rho alpha
"""
import sys

import mpmath as mp

mp.mp.dps = 60


def nominal_level(g, c, rho, alpha):
    def implied(a):
        z = mp.sqrt(2) * mp.erfinv(2 * a - 1)
        return (c + 2 * rho * g * z * z) * a

    # Geometric bisection: the root may lie many decades below alpha.
    lo, hi = mp.mpf("1e-30"), mp.mpf(alpha)
    for _ in range(110):
        mid = mp.sqrt(lo * hi)
        if implied(mid) > alpha:
            hi = mid
        else:
            lo = mid
    return mp.sqrt(lo * hi)


def thresholds(g, c, rho, alpha):
    a = nominal_level(mp.mpf(g), mp.mpf(c), mp.mpf(rho), mp.mpf(alpha))
    z = mp.sqrt(2) * mp.erfinv(2 * a - 1)
    lod = z * z / (2 * mp.log(10))
    return a, lod, [lod * mp.mpf(f) for f in ("0.8", "0.85", "0.9", "0.93")]


if __name__ == "__main__":
    a, lod, scaled = thresholds(*sys.argv[1:5])
    print(mp.nstr(a, 20), mp.nstr(lod, 20), " ".join(mp.nstr(s, 20) for s in scaled))
