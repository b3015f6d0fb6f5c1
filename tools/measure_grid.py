#!/usr/bin/python3
"""How far lodthresh's printed values sit from the exact solution.

Runs the built program on a grid of parameters (answers piped in) and compares
the printed nominal level and LOD scores with tools/exact_thresholds.py's
exact solution of (C + 2 rho G z(a)^2) a = alpha. Prints the worst absolute
differences and where they occur.

    tools/measure_grid.py build/lodthresh
"""
import itertools
import re
import subprocess
import sys

import mpmath as mp

from exact_thresholds import thresholds

LABELS = ["Nominal alpha", "LOD for infinitely dense map", "LOD for 10cM map",
          "LOD for 5cM map", "LOD for 2cM map", "LOD for 1cM map"]


def printed(binary, g, c, rho, alpha, eps):
    keys = f"\n{g}\n{c}\n{rho}\n{alpha}\n{eps}\ne\n"
    out = subprocess.run([binary], input=keys, capture_output=True, text=True, cwd="/tmp").stdout
    return [float(re.search(re.escape(label) + r"\t*= (\S+)", out).group(1)) for label in LABELS]


def main(binary):
    grid = itertools.product([1, 10, 33, 100], [1, 10, 23, 50], [1, 2, 2.5, 2.67, 2.86, 3.2],
                             [0.001, 0.01, 0.05, 0.1])
    worst = [(0.0, None)] * 6
    worst_rel_alpha = (0.0, None)
    for g, c, rho, alpha in grid:
        values = printed(binary, g, c, rho, alpha, 1e-8)
        a, lod, scaled = thresholds(g, c, rho, alpha)
        exact = [a, lod] + scaled
        for i, (v, e) in enumerate(zip(values, exact)):
            d = abs(mp.mpf(v) - e)
            if d > worst[i][0]:
                worst[i] = (float(d), (g, c, rho, alpha, v, float(e)))
        rel = abs(mp.mpf(values[0]) - a) / a
        if rel > worst_rel_alpha[0]:
            worst_rel_alpha = (float(rel), (g, c, rho, alpha, values[0], float(a)))
    for label, (d, where) in zip(LABELS, worst):
        print(f"{label}: worst |printed - exact| = {d:.3g} at (G, C, rho, alpha, printed, exact) = {where}")
    print(f"Nominal alpha, worst relative: {worst_rel_alpha[0]:.3g} at {worst_rel_alpha[1]}")


if __name__ == "__main__":
    main(sys.argv[1])
