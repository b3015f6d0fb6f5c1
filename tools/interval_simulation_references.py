#!/usr/bin/env python3
"""Simulated thresholds of interval-mapping scans, the reference values of
tests/cli/test_interval_scan.py: 10^6 null scans of each design, map and scan
(seed 20260101, the program's default), their thresholds at 0.05 and 0.001
with standard errors, beside the formula's.

    tools/interval_simulation_references.py BUILD/lodthresh > tests/cli/interval_simulated.tsv

The mouse genome (16 Morgan on 20 chromosomes) at 2, 5, 10 and 20 cM and the
mouse map of examples/mouse_gmap.csv, for the backcross (two-sided, rho 1) and
the intercross (2 df, rho 1.5), each scanned at every point between markers
and at pseudomarkers every 1 cM. About half an hour on two cores.
"""
import csv
import io
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPLICATES = "1000000"


def rows(binary, args):
    out = subprocess.run([binary, *args, "-a", "0.05,0.001", "--simulate", REPLICATES,
                          "--threads", "2", "-f", "tsv"],
                         check=True, capture_output=True, text=True).stdout
    lines = [line for line in out.splitlines(True) if not line.startswith("#")]
    return list(csv.DictReader(io.StringIO("".join(lines)), delimiter="\t"))


def main():
    binary = sys.argv[1]
    mouse = os.path.join(ROOT, "examples", "mouse_gmap.csv")
    print("design\tmap\tspacing_cm\tstep_cm\talpha\tlod\tsim_lod\tsim_se")
    for design in ("backcross", "intercross"):
        for step in ([], ["--step", "1"]):
            for where in (["-G", "16", "-C", "20", "--spacing", "2,5,10,20"], ["--map", mouse]):
                for r in rows(binary, ["--design", design, "--scan", "interval", *step, *where]):
                    print("\t".join([design, "mouse_gmap.csv" if r["map"] else "",
                                     r["spacing_cm"], r["step_cm"], r["alpha"], r["lod"],
                                     r["sim_lod"], r["sim_se"]]), flush=True)


if __name__ == "__main__":
    main()
