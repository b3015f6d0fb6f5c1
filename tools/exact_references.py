#!/usr/bin/python3
"""Reference values for lodthresh's exact method, 30 significant digits.

For each case (G, C, rho, alpha) finds the smallest nominal level a in
(0, 1/2) with (C + 2 rho G z(a)^2) a = alpha, z the upper standard-normal
quantile, in 40-digit arithmetic (mpmath): a scan of z = Q^-1(a) downwards
from 40 for the first sign change, refined by bisection, so that a hump of the
implied level over a short genome is not mistaken for its last rise. Prints
the nominal level and the dense-map LOD z^2 / (2 ln 10), or "none" when no
level meets alpha; then reference values of the upper quantile z(p).

    tools/exact_references.py > tests/threshold/exact_references.tsv
"""
import mpmath as mp

mp.mp.dps = 40

CASES = [
    # The human genome (33 Morgan, 23 chromosomes) for every mapping method at
    # the suggestive, significant and highly significant levels.
    *[(33, 23, rho, alpha) for rho in ("1", "2", "2.5", "2.67", "2.86", "3.2")
      for alpha in ("1", "0.05", "0.001")],
    ("33", "23", "2", "0.01"),
    ("100", "50", "3.2", "0.001"),
    ("10", "10", "2.67", "0.05"),
    ("1", "1", "1", "0.1"),
    ("0.01", "1", "1", "0.3"),          # almost no genome: a close to alpha / C
    ("1e6", "23", "2", "0.001"),        # a very long genome: a deep in the tail
    ("1e12", "1", "3.2", "1e-6"),       # deeper still
    # Short genomes, where the implied level rises to a hump, falls to a valley
    # and rises again to C/2 at a = 1/2.
    ("1", "2", "3.2", "0.95"),          # three crossings: the first counts
    ("0.5", "1", "2", "0.46"),          # below the hump top 0.4833
    ("0.5", "1", "2", "0.49"),          # above the hump: on the last rise
    ("1", "1", "2.5", "0.9"),
    ("1", "1", "2.5", "1"),             # hump top 0.957 < 1 and C/2 < 1: none
    ("0.5", "1", "2", "1"),             # none
    ("0.001", "1", "1", "0.5"),         # C/2 = alpha: the root would be a = 1/2, none
]

QUANTILES = ["0.5", "0.49999999", "0.4", "0.3", "0.25", "0.2499999", "0.1", "0.05", "0.025",
             "0.01", "1e-3", "1e-5", "2.25e-5", "1e-10", "1e-20", "1e-50", "1e-100", "1e-200",
             "1e-300", "2.2250738585072014e-308"]


def upper_tail(z):
    return mp.erfc(z / mp.sqrt(2)) / 2


def smallest_root(g, c, rho, alpha):
    k = 2 * rho * g
    f = lambda z: (c + k * z * z) * upper_tail(z) - alpha
    step = mp.mpf("0.005")
    z = mp.mpf(40)
    if f(z) >= 0:
        raise ValueError("root beyond z = 40")
    while z > step / 2:
        lower = z - step
        if lower < step / 2:
            lower = mp.mpf(0)
        if f(lower) > 0 or (lower > 0 and f(lower) == 0):
            hi, lo = z, lower  # f(hi) < 0 < f(lo)
            for _ in range(200):
                mid = (lo + hi) / 2
                if f(mid) > 0:
                    lo = mid
                else:
                    hi = mid
            return (lo + hi) / 2
        z = lower
    return None


def main():
    print("# G\tC\trho\talpha\tnominal_alpha\tlod_dense")
    for g, c, rho, alpha in CASES:
        z = smallest_root(mp.mpf(g), mp.mpf(c), mp.mpf(rho), mp.mpf(alpha))
        if z is None:
            print(f"{g}\t{c}\t{rho}\t{alpha}\tnone\tnone")
        else:
            a = upper_tail(z)
            lod = z * z / (2 * mp.log(10))
            print(f"{g}\t{c}\t{rho}\t{alpha}\t{mp.nstr(a, 30)}\t{mp.nstr(lod, 30)}")
    print("# p\tupper quantile z(p)")
    for p in QUANTILES:
        p = mp.mpf(float(p))  # the double the test passes
        if p == mp.mpf("0.5"):
            z = mp.mpf(0)
        else:
            # Newton on log Q(z) = log p, nearly linear in z^2 deep in the tail.
            z = mp.findroot(lambda z: mp.log(upper_tail(z)) - mp.log(p), mp.sqrt(-2 * mp.log(p)) / 2)
        print(f"quantile\t{mp.nstr(p, 17)}\t{mp.nstr(z, 30)}")


if __name__ == "__main__":
    main()
