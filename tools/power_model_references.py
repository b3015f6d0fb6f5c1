#!/usr/bin/python3
"""Simulated power of genome scans in the large-sample model, the reference
table of tests/threshold/test_power.cpp (tests/threshold/power_simulated.tsv).

The model: along the QTL's chromosome the statistic at the markers is the
stationary Ornstein-Uhlenbeck process of rate rho (correlation
exp(-2 rho |s - t|), Morgan), an AR(1) chain with coefficient exp(-2 rho d)
between markers d apart, plus the mean xi exp(-2 rho |t - tau|) of a QTL at
tau; the 2-df test adds two independent such components of rates 2 rho / 3
and 4 rho / 3 with their own means. A scan rejects when the statistic at
some marker of the QTL's chromosome reaches T: Z >= sqrt(T) (one-sided),
|Z| >= sqrt(T) (two-sided), Z_a^2 + Z_d^2 >= T (2 df).

Each replicate draws the QTL's place (power: the chromosome by its length,
uniform within it; at_marker: a marker uniformly among all markers), the
null chain of that chromosome and counts a hit when the chain plus the
QTL's mean rejects. The null chains are shared by the effects of a
configuration (common random numbers) and, on an even map, by the two ways
of placing the QTL. The dense map is simulated on a 0.1 cM grid and its
every other point (0.2 cM) of the same paths, extrapolated by the sqrt law
of the discrete scan's shortfall, q(delta) = q0 + c sqrt(delta):
q0 = q(0.1) + (q(0.1) - q(0.2)) / (sqrt 2 - 1), its standard error from the
replicates' values of that combination.

10^6 replicates per configuration, numpy's PCG64 seeded 20240917.
Run: /usr/bin/python3 tools/power_model_references.py > tests/threshold/power_simulated.tsv
"""
import csv
import math
import sys
import time

import numpy as np

SEED = 20240917
REPLICATES = 1_000_000
CHUNK = 20_000

DESIGNS = [  # name, tail, rate, T
    ("sibs", "one-sided", 2.0, 16.58),
    ("backcross", "two-sided", 1.0, 15.2),
    ("intercross-additive", "two-sided", 1.0, 15.66),
    ("ril-sibmating", "two-sided", 4.0, 17.04),
    ("intercross", "2df", 1.5, 19.8),
]
# Effects about the threshold: xi = sqrt(T) + offset (2 df: the norm of
# (xi_a, xi_d), with dominance 0 or an equal split).
OFFSETS = [-1.5, -0.6, 0.1, 0.8, 1.8, 2.6]
DENSE_OFFSETS = [-0.6, 0.8, 1.8]  # the dense map's 726 points cost: three effects


def mouse_map():
    chromosomes = {}
    with open("examples/mouse_gmap.csv") as f:
        rows = csv.reader(line for line in f if not line.startswith("#"))
        next(rows)
        for _, chromosome, position in rows:
            chromosomes.setdefault(chromosome, []).append(float(position) / 100.0)
    return [sorted(p) for p in chromosomes.values()]


def even_map(length, count, spacing):
    each = length / count
    n = max(1, math.ceil(each / spacing * (1 - 1e-12)))
    return [list(np.linspace(0.0, each, n + 1)) for _ in range(count)]


def effects(tail, t, offsets=OFFSETS):
    b = math.sqrt(t)
    if tail != "2df":
        return [(b + o, 0.0) for o in offsets]
    out = []
    for o in offsets:
        x = b + o
        out.append((x, 0.0))
        out.append((x / math.sqrt(2.0), x / math.sqrt(2.0)))
    return out


def null_chain(rng, positions, rate, n):
    """n null chains of one component at the positions: n x markers."""
    u = np.empty((n, len(positions)))
    u[:, 0] = rng.standard_normal(n)
    for i in range(1, len(positions)):
        r = math.exp(-2.0 * rate * (positions[i] - positions[i - 1]))
        u[:, i] = r * u[:, i - 1] + math.sqrt(1.0 - r * r) * rng.standard_normal(n)
    return u


def rejects(tail, t, z):
    """Per replicate, whether some marker rejects; z a list of components."""
    if tail == "one-sided":
        return (z[0] >= math.sqrt(t)).any(axis=1)
    if tail == "two-sided":
        return (np.abs(z[0]) >= math.sqrt(t)).any(axis=1)
    return (z[0] * z[0] + z[1] * z[1] >= t).any(axis=1)


def rates_of(tail, rate):
    return [rate] if tail != "2df" else [2.0 * rate / 3.0, 4.0 * rate / 3.0]


def hits(rng, tail, rate, t, positions, taus, effect_list):
    """Hit counts per effect for chains of one chromosome with QTLs at taus."""
    x = np.asarray(positions)
    rates = rates_of(tail, rate)
    counts = np.zeros(len(effect_list), dtype=np.int64)
    for start in range(0, len(taus), CHUNK):
        tau = taus[start:start + CHUNK]
        n = len(tau)
        chains = [null_chain(rng, positions, r, n) for r in rates]
        shapes = [np.exp(-2.0 * r * np.abs(x[None, :] - tau[:, None])) for r in rates]
        for e, effect in enumerate(effect_list):
            z = [chains[c] + effect[c] * shapes[c] for c in range(len(rates))]
            counts[e] += rejects(tail, t, z).sum()
    return counts


def marker_configuration(rng, tail, rate, t, chromosomes, effect_list):
    lengths = np.array([p[-1] - p[0] for p in chromosomes])
    markers = np.array([len(p) for p in chromosomes])
    uniform = np.zeros(len(effect_list), dtype=np.int64)
    at_marker = np.zeros(len(effect_list), dtype=np.int64)
    same = all(p == chromosomes[0] for p in chromosomes)
    if same:
        p = chromosomes[0]
        # One chain per replicate, the two places of the QTL on it.
        x = np.asarray(p)
        rates = rates_of(tail, rate)
        for start in range(0, REPLICATES, CHUNK):
            n = min(CHUNK, REPLICATES - start)
            tau_u = x[0] + (x[-1] - x[0]) * rng.random(n)
            tau_m = x[rng.integers(0, len(p), n)]
            chains = [null_chain(rng, p, r, n) for r in rates]
            for taus, counts in ((tau_u, uniform), (tau_m, at_marker)):
                shapes = [np.exp(-2.0 * r * np.abs(x[None, :] - taus[:, None])) for r in rates]
                for e, effect in enumerate(effect_list):
                    z = [chains[c] + effect[c] * shapes[c] for c in range(len(rates))]
                    counts[e] += rejects(tail, t, z).sum()
        return uniform, at_marker
    by_length = rng.multinomial(REPLICATES, lengths / lengths.sum())
    by_marker = rng.multinomial(REPLICATES, markers / markers.sum())
    for c, p in enumerate(chromosomes):
        x = np.asarray(p)
        if by_length[c]:
            taus = x[0] + (x[-1] - x[0]) * rng.random(by_length[c])
            uniform += hits(rng, tail, rate, t, p, taus, effect_list)
        if by_marker[c]:
            taus = x[rng.integers(0, len(p), by_marker[c])]
            at_marker += hits(rng, tail, rate, t, p, taus, effect_list)
    return uniform, at_marker


def dense_configuration(rng, tail, rate, t, length, effect_list):
    """The continuous scan of a chromosome `length` Morgan long."""
    fine = np.linspace(0.0, length, int(round(length / 0.001)) + 1)
    rates = rates_of(tail, rate)
    c = 1.0 / (math.sqrt(2.0) - 1.0)
    sums = np.zeros(len(effect_list))
    squares = np.zeros(len(effect_list))
    for start in range(0, REPLICATES, CHUNK):
        n = min(CHUNK, REPLICATES - start)
        tau = length * rng.random(n)
        chains = [null_chain(rng, list(fine), r, n) for r in rates]
        shapes = [np.exp(-2.0 * r * np.abs(fine[None, :] - tau[:, None])) for r in rates]
        for e, effect in enumerate(effect_list):
            z = [chains[k] + effect[k] * shapes[k] for k in range(len(rates))]
            miss_fine = ~rejects(tail, t, z)
            miss_coarse = ~rejects(tail, t, [v[:, ::2] for v in z])
            value = (1.0 + c) * miss_fine - c * miss_coarse
            sums[e] += value.sum()
            squares[e] += (value * value).sum()
    mean = sums / REPLICATES
    se = np.sqrt((squares / REPLICATES - mean * mean) / REPLICATES)
    return 1.0 - mean, se


def main():
    rng = np.random.Generator(np.random.PCG64(SEED))
    out = sys.stdout
    out.write("# Power of genome scans, 10^6 simulated replicates of the model per row\n")
    out.write("# (tools/power_model_references.py, seed %d). map: even:G:C:spacing (Morgan),\n" % SEED)
    out.write("# mouse (examples/mouse_gmap.csv), dense:G:C. at_marker and its se are - on the dense map.\n")
    out.write("# design\ttail\trate\tmap\tT\txi_a\txi_d\tpower\tpower_se\tat_marker\tat_marker_se\n")
    maps = [("even:14.5:20:0.01", even_map(14.5, 20, 0.01)),
            ("even:14.5:20:0.05", even_map(14.5, 20, 0.05)),
            ("even:14.5:20:0.2", even_map(14.5, 20, 0.2)),
            ("mouse", mouse_map())]
    for name, tail, rate, t in DESIGNS:
        effect_list = effects(tail, t)
        for label, chromosomes in maps:
            began = time.time()
            uniform, at_marker = marker_configuration(rng, tail, rate, t, chromosomes, effect_list)
            for e, effect in enumerate(effect_list):
                p = uniform[e] / REPLICATES
                m = at_marker[e] / REPLICATES
                out.write("%s\t%s\t%g\t%s\t%g\t%.6f\t%.6f\t%.6f\t%.6f\t%.6f\t%.6f\n" % (
                    name, tail, rate, label, t, effect[0], effect[1], p,
                    math.sqrt(p * (1 - p) / REPLICATES), m, math.sqrt(m * (1 - m) / REPLICATES)))
            out.flush()
            print("%s %s %.1f s" % (name, label, time.time() - began), file=sys.stderr)
    for name, tail, rate, t in [d for d in DESIGNS if d[0] in ("sibs", "backcross", "intercross")]:
        effect_list = effects(tail, t, DENSE_OFFSETS)
        began = time.time()
        power, se = dense_configuration(rng, tail, rate, t, 0.725, effect_list)
        for e, effect in enumerate(effect_list):
            out.write("%s\t%s\t%g\t%s\t%g\t%.6f\t%.6f\t%.6f\t%.6f\t-\t-\n" % (
                name, tail, rate, "dense:14.5:20", t, effect[0], effect[1], power[e], se[e]))
        out.flush()
        print("%s dense %.1f s" % (name, time.time() - began), file=sys.stderr)


if __name__ == "__main__":
    main()
