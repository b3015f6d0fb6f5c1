#!/usr/bin/env python3
"""Analytic genome-wide thresholds for the simulation's reference tables.

Solves  alpha = [C + 2 rho T sum_k L_k nu(sqrt(4 rho d_k T))] alpha_T  for the
largest T > 0 (Lander and Kruglyak 1995 with Siegmund's discrete-marker factor
nu; Feingold, Brown and Siegmund 1993; Dupuis and Siegmund 1999), in 20-digit
arithmetic with mpmath (nu in double precision), where
    nu(x) = 2 x^-2 exp(-2 sum_{n>=1} n^-1 Phi(-x sqrt(n) / 2)),  nu(0) = 1,
    alpha_T = 1 - Phi(sqrt T) (one-sided), P(chi2_1 > T) (two-sided),
              exp(-T / 2) (2 df),
and LOD = T / (2 ln 10). Markers are those that the simulation scans: an even
map of ceil(100 L / s) equal intervals per chromosome of L = G / C Morgan, or
the intervals of a map given as positions.

Usage:
    analytic_thresholds.py even G C SPACING_CM TAIL RHO ALPHA...
    analytic_thresholds.py tests      # the rows of tests/simulation/test_thresholds.cpp
"""
import math
import sys

import mpmath as mp

mp.mp.dps = 20


def nu(x):
    """Siegmund's factor in double precision (its sum needs no more)."""
    x = float(x)
    if x == 0:
        return 1.0
    total = 0.0
    n = 1
    while True:
        term = 0.5 * math.erfc(x * math.sqrt(n) / 2 / math.sqrt(2)) / n
        total += term
        if term < 1e-18 * total or n > 10**7:
            break
        n += 1
    return 2 / x**2 * math.exp(-2 * total)


def pointwise(tail, t):
    t = mp.mpf(t)
    if tail == "one-sided":
        return mp.ncdf(-mp.sqrt(t))
    if tail == "two-sided":
        return 2 * mp.ncdf(-mp.sqrt(t))
    return mp.exp(-t / 2)


def implied_alpha(t, chromosomes, intervals, tail, rho):
    """intervals: list of (length, spacing) pairs, spacing 0 for a dense stretch."""
    rate = mp.mpf(rho)
    t = mp.mpf(t)
    crossings = mp.mpf(0)
    for spacing, length in grouped(intervals).items():
        crossings += mp.mpf(length) * nu(math.sqrt(4 * float(rate) * spacing * float(t)))
    return (chromosomes + 2 * rate * t * crossings) * pointwise(tail, t)


def grouped(intervals):
    """The total length at each spacing."""
    lengths = {}
    for length, spacing in intervals:
        key = round(spacing, 12)
        lengths[key] = lengths.get(key, 0.0) + length
    return lengths


def threshold(alpha, chromosomes, intervals, tail, rho):
    """The largest T meeting the equation, as a LOD score."""
    f = lambda t: implied_alpha(t, chromosomes, intervals, tail, rho) - alpha
    high = mp.mpf(400)
    low = high
    while f(low) < 0:
        low /= 1.25
        if low < mp.mpf(10) ** -6:
            raise ValueError("no threshold")
    high = low * mp.mpf(1.25)
    for _ in range(60):
        mid = (low + high) / 2
        if f(mid) > 0:
            low = mid
        else:
            high = mid
    return float((low + high) / 2 / (2 * mp.log(10)))


def even_intervals(length, chromosomes, spacing_cm):
    chromosome = length / chromosomes
    if spacing_cm == 0:
        return [(length, 0)]
    steps = max(1, math.ceil(100 * chromosome / spacing_cm * (1 - 1e-12)))
    return [(length, chromosome / steps)]


def test_map():
    """The map of the tests: 20 chromosomes whose markers are spaced 0.5 to
    19.5 cM apart in the pattern 0.5 + (7 j mod 20) cM, 12 to 30 markers."""
    chromosomes = []
    for c in range(20):
        markers = 12 + (c * 7) % 19
        positions = [0.0]
        for j in range(1, markers):
            positions.append(positions[-1] + (0.5 + (7 * (j + c)) % 20) / 100)
        chromosomes.append(positions)
    return chromosomes


def map_intervals(chromosomes):
    return [(b - a, b - a) for positions in chromosomes for a, b in zip(positions, positions[1:])]


def main(argv):
    if len(argv) >= 7 and argv[0] == "even":
        length, chromosomes, spacing = float(argv[1]), int(argv[2]), float(argv[3])
        tail, rho = argv[4], float(argv[5])
        for alpha in argv[6:]:
            t = threshold(float(alpha), chromosomes, even_intervals(length, chromosomes, spacing),
                          tail, rho)
            print(f"{alpha}\t{t:.17g}")
        return 0
    if argv == ["tests"]:
        rows = [
            ("one-sided", 2.0, 33, 23, 1), ("one-sided", 2.0, 33, 23, 10),
            ("two-sided", 1.0, 16, 20, 1), ("two-sided", 1.0, 16, 20, 10),
            ("2df", 1.5, 16, 20, 1), ("2df", 1.5, 16, 20, 10),
        ]
        for alpha in (1.0, 0.05):
            for tail, rho, length, chromosomes, spacing in rows:
                t = threshold(alpha, chromosomes, even_intervals(length, chromosomes, spacing),
                              tail, rho)
                print(f"{tail}\trho={rho}\tG={length}\tC={chromosomes}\ts={spacing}\talpha={alpha}\t{t:.17g}")
            for tail, rho in (("one-sided", 2.0), ("two-sided", 1.0), ("2df", 1.5)):
                m = test_map()
                t = threshold(alpha, len(m), map_intervals(m), tail, rho)
                print(f"{tail}\trho={rho}\tmap\talpha={alpha}\t{t:.17g}")
            for tail, rho, length, chromosomes in (("one-sided", 2.0, 33, 23), ("one-sided", 1.0, 4, 1)):
                t = threshold(alpha, chromosomes, [(length, 0)], tail, rho)
                print(f"{tail}\trho={rho}\tG={length}\tC={chromosomes}\tdense\talpha={alpha}\t{t:.17g}")
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
