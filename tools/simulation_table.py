#!/usr/bin/env python3
"""The README's table of simulated thresholds beside the analytic ones.

Runs build/simulation/lodthresh_simulation_table (tools/simulation_table.cpp)
for the human genome (33 Morgan, 23 chromosomes; sibs, one-sided rho = 2, and
parametric LOD scores, one-sided rho = 1) and the mouse (16 Morgan, 20
chromosomes; backcross, two-sided rho = 1, and intercross, 2 df rho = 1.5) at
spacings 0 (dense), 1, 2, 5, 10 and 20 cM, and prints a Markdown table with
the analytic thresholds of tools/analytic_thresholds.py (at the spacing that
the simulation scans: ceil(100 L / s) equal intervals per chromosome).

Usage: simulation_table.py DRIVER REPLICATES THREADS
"""
import subprocess
import sys

from analytic_thresholds import even_intervals, threshold

SCANS = [
    ("Human, sibs (one-sided, rho 2)", 33, 23, "one-sided", 2.0),
    ("Human, LOD score (one-sided, rho 1)", 33, 23, "one-sided", 1.0),
    ("Mouse, backcross (two-sided, rho 1)", 16, 20, "two-sided", 1.0),
    ("Mouse, intercross (2 df, rho 1.5)", 16, 20, "2df", 1.5),
]
SPACINGS = [0, 1, 2, 5, 10, 20]
LEVELS = {1.0: "suggestive (1)", 0.05: "0.05", 0.001: "0.001"}


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    driver, replicates, threads = argv
    print("| Scan | Spacing | Level | Analytic | Simulated | SE | Simulated - analytic |")
    print("|---|---|---|---|---|---|---|")
    for name, length, chromosomes, tail, rho in SCANS:
        for spacing in SPACINGS:
            out = subprocess.run([driver, replicates, threads, str(length), str(chromosomes),
                                  str(spacing), tail, str(rho)],
                                 check=True, capture_output=True, text=True).stdout
            lines = [line.split("\t") for line in out.strip().split("\n")]
            seconds = lines[-1][1]
            for fields in lines[:-1]:
                alpha = float(fields[0])
                simulated, se = float(fields[1]), float(fields[2])
                analytic = threshold(alpha, chromosomes,
                                     even_intervals(length, chromosomes, spacing), tail, rho)
                label = "dense" if spacing == 0 else f"{spacing} cM"
                if simulated != simulated:
                    cells = "missing | | "
                else:
                    cells = f"{simulated:.3f} | {se:.3f} | {simulated - analytic:+.3f}"
                print(f"| {name} | {label} | {LEVELS[alpha]} | {analytic:.3f} | {cells} |")
            print(f"<!-- {name} {spacing} cM: {seconds} s -->", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
