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
    alphas = [0.001, 0.01, 0.05, 0.1]
    grid = itertools.product([1, 10, 33, 100], [1, 10, 23, 50], [1, 2, 2.5, 2.67, 2.86, 3.2], alphas)
    # Worst |printed - exact| per global level: nominal alpha, dense-map LOD,
    # sparse-map LODs; with the parameters where it occurs.
    worst = {alpha: [(0.0, None)] * 3 for alpha in alphas}
    for g, c, rho, alpha in grid:
        values = printed(binary, g, c, rho, alpha, 1e-8)
        a, lod, scaled = thresholds(g, c, rho, alpha)
        diffs = [abs(mp.mpf(v) - e) for v, e in zip(values, [a, lod] + scaled)]
        for i, d in enumerate([diffs[0], diffs[1], max(diffs[2:])]):
            if d > worst[alpha][i][0]:
                worst[alpha][i] = (float(d), (g, c, rho))
    print("| alpha | nominal alpha | LOD, dense map | LOD, 10 to 1 cM maps |")
    print("|---|---|---|---|")
    for alpha in alphas:
        cells = [f"{d:.1e} (G={w[0]}, C={w[1]}, rho={w[2]})" for d, w in worst[alpha]]
        print(f"| {alpha} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main(sys.argv[1])
