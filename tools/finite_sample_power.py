#!/usr/bin/python3
"""The power of genome-wide scans in simulated crosses of finite size: the
reference that the model's power (a normal statistic with a mean at the QTL)
is checked against.

A backcross or an F2 intercross of n individuals, genotyped without error at
markers along the chromosomes of a mouse-like genome (1450 cM on 20
chromosomes of 72.5 cM, markers at both ends of each chromosome and
ceil(72.5 / s) equal intervals between them, as the program places them). One
QTL lies at tau uniform on the genome; every chromosome being as long, that is
tau uniform on one chromosome, and the other chromosomes, which carry no
effect, are left out: the power counts the QTL's own chromosome.

Genotypes follow Haldane's map: crossovers independent, neighbouring loci d
Morgan apart recombine with r = (1 - exp(-2 d)) / 2. A backcross individual
carries one segregating haplotype (genotype codes 0/1, frequency 1/2 each); an
F2 individual two independent ones (genotype 0, 1, 2 copies of one allele with
frequencies 1/4, 1/2, 1/4). The QTL's allele on each haplotype is drawn given
the flanking markers' alleles (the Markov property of the crossovers): with
r1, r2 the recombination fractions from the left and right marker,
P(QTL = left allele) is (1-r1)(1-r2) / ((1-r1)(1-r2) + r1 r2) when the two
markers agree and (1-r1) r2 / ((1-r1) r2 + r1 (1-r2)) when they differ.

The trait is y = effect(QTL genotype) + N(0, 1), the effect scaled so that the
QTL explains the share H of the phenotypic variance: backcross a g with
a^2 / 4 = H / (1 - H); intercross means -a, d, a with d = K a (dominance
ratio K) and a^2 / 2 + d^2 / 4 = H / (1 - H).

At each marker the LOD score of Haley-Knott regression, with complete
genotypes the regression of y on the marker's genotype indicators (1 df
backcross; additive and dominance codes, 2 df, intercross):
LOD = (n / 2) log10(RSS0 / RSS1), RSS1 the residual sum of squares about the
genotype classes' means. A replicate is a hit when the maximum LOD over the
QTL's chromosome reaches the threshold. The thresholds are the program's own
for the design, individuals, genome, spacing and level (lodthresh --design
--individuals --length --chromosomes --spacing -a --format=tsv), stored in
the table beside the frequency.

Each configuration draws from its own stream, numpy's PCG64 seeded by
SeedSequence(SEED, spawn_key=(index,)), index the configuration's place in the
table (design, spacing, individuals, share), so any one row can be rerun
alone. Replicates go in batches of BATCH; the table's rows are, per
configuration and level: design, length (Morgan), chromosomes, spacing_cm,
individuals, pve, dominance, alpha, lod, replicates, hits, frequency,
se = sqrt(f (1 - f) / N), and the configuration's mean maximum LOD over the
QTL's chromosome. The column names go on a '#' line, as the tests' reference
tables have them.

    python3 tools/finite_sample_power.py --program build/lodthresh \\
        > tests/threshold/power_finite_sample.tsv

(seed 20260101, 50000 replicates per configuration, se <= 0.0023; about 5 minutes
on one core).
"""
import argparse
import subprocess
import sys

import numpy as np

SEED = 20260101
LENGTH_MORGAN = 14.5
CHROMOSOMES = 20
DESIGNS = ("backcross", "intercross")
SPACINGS_CM = (5, 10)
INDIVIDUALS = (100, 200, 400)
SHARES = (0.03, 0.05, 0.10, 0.15)
DOMINANCE = 0.0
ALPHAS = ("0.05", "0.01")
REPLICATES = 50000
BATCH = 1000


def thresholds(program, individuals):
    """The program's LOD thresholds by (design, spacing, alpha)."""
    command = [program, "--design=" + ",".join(DESIGNS), f"--length={LENGTH_MORGAN}",
               f"--chromosomes={CHROMOSOMES}",
               "--spacing=" + ",".join(str(s) for s in SPACINGS_CM),
               f"--individuals={individuals}", "-a", ",".join(ALPHAS), "--format=tsv"]
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    lines = out.strip().split("\n")
    header = lines[0].split("\t")
    found = {}
    for line in lines[1:]:
        row = dict(zip(header, line.split("\t")))
        if row["status"] != "ok":
            sys.exit(f"no threshold: {line}")
        key = (row["design"], float(row["spacing_cm"]), row["alpha"])
        found[key] = float(row["lod"])
    return found


def marker_positions(spacing_cm):
    """Both ends and ceil(L / s) equal intervals, in Morgan."""
    length = LENGTH_MORGAN / CHROMOSOMES
    intervals = int(np.ceil(100 * length / spacing_cm - 1e-9))
    return np.linspace(0.0, length, intervals + 1)


def haldane(d):
    return 0.5 * (1.0 - np.exp(-2.0 * d))


def max_lods(rng, design, individuals, share, positions, replicates):
    """Maximum LOD over the markers of the QTL's chromosome, replicate by replicate."""
    haplotypes = 1 if design == "backcross" else 2
    markers = len(positions)
    r = haldane(np.diff(positions))
    length = positions[-1]
    if design == "backcross":
        a = np.sqrt(4.0 * share / (1.0 - share))
        d = 0.0
    else:
        a = np.sqrt(share / (1.0 - share) / (0.5 + DOMINANCE ** 2 / 4.0))
        d = DOMINANCE * a
    shape = (replicates, individuals)
    # Haplotypes at the markers: the first allele fair, then a crossover in
    # each interval with its recombination fraction; cumulative parity.
    flips = rng.random((haplotypes, replicates, individuals, markers - 1)) < r
    start = rng.random((haplotypes, replicates, individuals, 1)) < 0.5
    alleles = np.concatenate([start, flips], axis=3).astype(np.int8)
    alleles = np.cumsum(alleles, axis=3, dtype=np.int8) & 1
    # The QTL: its interval, the flanking alleles, its own allele given them.
    tau = rng.uniform(0.0, length, replicates)
    left = np.clip(np.searchsorted(positions, tau, side="right") - 1, 0, markers - 2)
    x = tau - positions[left]
    r1 = haldane(x)[:, None]
    r2 = haldane(positions[left + 1] - tau)[:, None]
    index = np.arange(replicates)
    qtl = np.zeros(shape, dtype=np.int8)
    for h in range(haplotypes):
        at_left = alleles[h, index, :, left]
        at_right = alleles[h, index, :, left + 1]
        agree = at_left == at_right
        keep = np.where(agree, (1 - r1) * (1 - r2) / ((1 - r1) * (1 - r2) + r1 * r2),
                        (1 - r1) * r2 / ((1 - r1) * r2 + r1 * (1 - r2)))
        same = rng.random(shape) < keep
        qtl += np.where(same, at_left, 1 - at_left).astype(np.int8)
    genotypes = alleles.sum(axis=0, dtype=np.int8)  # (replicates, individuals, markers)
    if design == "backcross":
        mean = a * qtl
    else:
        mean = a * (qtl - 1.0) + d * (qtl == 1)
    y = mean + rng.standard_normal(shape)
    n = float(individuals)
    sum_y = y.sum(axis=1)
    rss0 = (y * y).sum(axis=1) - sum_y ** 2 / n
    # About the classes' means: RSS1 = sum y^2 - sum_g S_g^2 / n_g, class 0's
    # sums by difference.
    explained = np.zeros((replicates, markers))
    rest_sum = np.repeat(sum_y[:, None], markers, axis=1)
    rest_count = np.full((replicates, markers), n)
    for g in range(1, haplotypes + 1):
        member = genotypes == g
        count = member.sum(axis=1).astype(np.float64)
        total = np.einsum("rn,rnm->rm", y, member.astype(np.float64))
        explained += np.divide(total ** 2, count, out=np.zeros_like(total), where=count > 0)
        rest_sum -= total
        rest_count -= count
    explained += np.divide(rest_sum ** 2, rest_count, out=np.zeros_like(rest_sum),
                           where=rest_count > 0)
    rss1 = (y * y).sum(axis=1)[:, None] - explained
    lod = (n / 2.0) * np.log10(rss0[:, None] / rss1)
    return lod.max(axis=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", default="build/lodthresh")
    parser.add_argument("--replicates", type=int, default=REPLICATES)
    args = parser.parse_args()

    lods = {n: thresholds(args.program, n) for n in INDIVIDUALS}
    print("# Power of genome-wide scans in simulated backcrosses and F2 intercrosses "
          f"(tools/finite_sample_power.py, seed {SEED}): Haldane map, complete genotypes at "
          "the markers, Haley-Knott LOD at the markers, QTL uniform on the genome; the "
          "frequency that the QTL chromosome's maximum LOD reaches the program's threshold")
    print("# design\tlength\tchromosomes\tspacing_cm\tindividuals\tpve\tdominance\talpha\tlod\t"
          "replicates\thits\tfrequency\tse\tmean_max_lod")
    index = 0
    for design in DESIGNS:
        for spacing in SPACINGS_CM:
            positions = marker_positions(spacing)
            for individuals in INDIVIDUALS:
                for share in SHARES:
                    rng = np.random.Generator(
                        np.random.PCG64(np.random.SeedSequence(SEED, spawn_key=(index,))))
                    index += 1
                    maxima = []
                    done = 0
                    while done < args.replicates:
                        count = min(BATCH, args.replicates - done)
                        maxima.append(max_lods(rng, design, individuals, share, positions,
                                               count))
                        done += count
                    maxima = np.concatenate(maxima)
                    for alpha in ALPHAS:
                        lod = lods[individuals][(design, float(spacing), alpha)]
                        hits = int((maxima >= lod).sum())
                        f = hits / args.replicates
                        se = np.sqrt(f * (1 - f) / args.replicates)
                        print(f"{design}\t{LENGTH_MORGAN}\t{CHROMOSOMES}\t{spacing}\t"
                              f"{individuals}\t{share}\t{DOMINANCE}\t{alpha}\t{lod:.6f}\t"
                              f"{args.replicates}\t{hits}\t{f:.6f}\t{se:.6f}\t"
                              f"{maxima.mean():.6f}", flush=True)


if __name__ == "__main__":
    main()
