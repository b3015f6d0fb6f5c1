#!/usr/bin/env python3
"""The null-scan simulation written in numpy, vectorised over replicates, timed
beside the C++ library on the same scan (for the README's speed comparison).

The human genome at 1 cM (33 Morgan, 23 chromosomes of 144 intervals, sibs:
one-sided, rho = 2): each chromosome's AR(1) chain Z_{j+1} = r Z_j +
sqrt(1 - r^2) e_j runs over a block of replicates at a time, with in-place
array operations and the normal deviates of numpy's default generator (PCG64
and its ziggurat), drawn a chromosome at a time.

Usage: null_scan_numpy.py REPLICATES [DRIVER THREADS]
  DRIVER: build/simulation/lodthresh_simulation_table, run on the same scan
  with THREADS threads (default 2) and 10 times the replicates. Each side runs
  three times, alternately, and the fastest run of each counts (the clock of
  a shared machine wanders).
"""
import math
import subprocess
import sys
import time

import numpy as np

LENGTH, CHROMOSOMES, SPACING_CM, RHO = 33.0, 23, 1.0, 2.0
BLOCK = 10000  # replicates per block: arrays of 10^4 doubles stay in cache


def simulate(replicates, seed=1):
    rng = np.random.default_rng(seed)
    chromosome = LENGTH / CHROMOSOMES
    steps = math.ceil(100 * chromosome / SPACING_CM * (1 - 1e-12))
    r = math.exp(-2 * RHO * chromosome / steps)
    s = math.sqrt(1 - r * r)
    maxima = np.empty(replicates)
    for first in range(0, replicates, BLOCK):
        n = min(BLOCK, replicates - first)
        m = np.full(n, -np.inf)
        for _ in range(CHROMOSOMES):
            e = rng.standard_normal((steps + 1, n))
            z = e[0].copy()
            np.maximum(m, z, out=m)
            e[1:] *= s
            for j in range(1, steps + 1):
                z *= r
                z += e[j]
                np.maximum(m, z, out=m)
        maxima[first:first + n] = m
    return maxima, CHROMOSOMES * (steps + 1)


def main(argv):
    if len(argv) not in (1, 2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    replicates = int(argv[0])
    numpy_best = cxx_best = math.inf
    for _ in range(3):
        start = time.perf_counter()
        maxima, markers = simulate(replicates)
        numpy_best = min(numpy_best, time.perf_counter() - start)
        if len(argv) >= 2:
            threads = argv[2] if len(argv) == 3 else "2"
            cxx_replicates = 10 * replicates
            out = subprocess.run([argv[1], str(cxx_replicates), threads, str(LENGTH),
                                  str(CHROMOSOMES), str(SPACING_CM), "one-sided", str(RHO)],
                                 check=True, capture_output=True, text=True).stdout
            cxx_best = min(cxx_best, float(out.strip().split("\n")[-1].split("\t")[1]))
    per_marker = numpy_best / (replicates * markers) * 1e9
    lods = np.sign(maxima) * maxima**2 / (2 * math.log(10))
    threshold = np.quantile(lods, 1 - (1 - math.exp(-0.05)))
    print(f"numpy\treplicates {replicates}\tseconds {numpy_best:.3f}\t"
          f"ns/marker/replicate {per_marker:.3f}\tthreshold(0.05) {threshold:.3f}")
    if len(argv) >= 2:
        cxx_per_marker = cxx_best / (cxx_replicates * markers) * 1e9
        print(f"C++\treplicates {cxx_replicates}\tthreads {threads}\tseconds {cxx_best:.3f}\t"
              f"ns/marker/replicate {cxx_per_marker:.3f}\tfaster {per_marker / cxx_per_marker:.1f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
