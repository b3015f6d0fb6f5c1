#!/usr/bin/python3
"""How far the exact method sits from the exact solution, over a grid.

Runs `lodthresh --exact --format tsv` on the grid of tools/measure_grid.py,
plus the suggestive level alpha = 1, and compares each nominal level and
dense-map LOD score with the smallest root found in 40-digit arithmetic by
tools/exact_references.py. Prints the worst relative errors and where they
occur.

    tools/measure_exact.py build/lodthresh
"""
import csv
import io
import itertools
import subprocess
import sys

import mpmath as mp

from exact_references import smallest_root, upper_tail


def main(binary):
    grid = list(itertools.product(["1", "10", "33", "100"], ["1", "10", "23", "50"],
                                  ["1", "2", "2.5", "2.67", "2.86", "3.2"],
                                  ["0.001", "0.01", "0.05", "0.1", "suggestive"]))
    rows = "".join(" ".join(case) + "\n" for case in grid)
    out = subprocess.run([binary, "--exact", "--format", "tsv", "--batch", "-"], input=rows,
                         capture_output=True, text=True, check=False).stdout
    worst = {"nominal_alpha": (0, None), "lod_dense": (0, None)}
    solved = 0
    for case, row in zip(grid, csv.DictReader(io.StringIO(out), delimiter="\t")):
        g, c, rho, alpha = (mp.mpf(x) for x in case[:3] + ("1" if case[3] == "suggestive" else case[3],))
        z = smallest_root(g, c, rho, alpha)
        if z is None:
            assert row["status"] == "no-solution", (case, row["status"])
            continue
        assert row["status"] == "ok", (case, row["status"])
        solved += 1
        exact = {"nominal_alpha": upper_tail(z), "lod_dense": z * z / (2 * mp.log(10))}
        for field, value in exact.items():
            error = float(abs(mp.mpf(row[field]) - value) / value)
            if error > worst[field][0]:
                worst[field] = (error, case)
    print(f"{solved} of {len(grid)} rows solved, the others have no solution")
    for field, (error, case) in worst.items():
        print(f"{field}: worst relative error {error:.2g} at G, C, rho, alpha = {case}")


if __name__ == "__main__":
    main(sys.argv[1])
