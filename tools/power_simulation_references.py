#!/usr/bin/python3
"""Exact powers of small scans under a QTL, the references of the power
simulation's tests (tests/simulation/power_references.tsv), 15 significant
digits by mpmath at 30.

Under a QTL at tau the statistic at marker t is N(mu(t), 1) with
mu(t) = xi exp(-2 rho |t - tau|), neighbouring markers d apart correlated as
r = exp(-2 rho d), and the power is the chance that the maximum over the QTL's
chromosome reaches the threshold T (Z >= b one-sided, |Z| >= b two-sided,
b = sqrt(T); Z_a^2 + Z_d^2 >= T for 2 df):

- one marker: 1 - Phi(b - xi) one-sided, 1 - Phi(b - xi) + Phi(-b - xi)
  two-sided; for 2 df the noncentral chi-square with 2 df and noncentrality
  lambda = xi_a^2 + xi_d^2, its upper tail as the Poisson(lambda / 2) mixture of
  central chi-squares with 2 + 2k df, exp(-T/2) sum_{i<=k} (T/2)^i / i!;
- two markers: one less the bivariate normal probability of both markers
  below b (within (-b, b) two-sided), as the single integral
  int phi(x) [Phi((h2 - r x) / s) - Phi((l2 - r x) / s)] dx over (l1, h1),
  s = sqrt(1 - r^2), the bounds shifted by the means; with the QTL at a marker
  the means are (xi, r xi) (either marker alike), with tau uniform on the
  interval the power is averaged over tau by quad;
- markers so far apart in the statistic's units (rate 1000, 1 cM: r = e^-20)
  that they are independent to 2e-9: one less the product of the markers'
  chances to stay below b, the QTL's interval the only one whose means are not
  0 (below xi e^-20); averaged over tau in that interval for a uniform QTL;
- genomes of unequal chromosomes: the chromosomes' powers weighted by their
  markers (QTL at a marker) or their lengths (uniform).

Each row: case, tail, rate, placement, xi_a, xi_d, T, chromosomes, power. A
chromosome is its distances between markers in Morgan, "dxN" for N equal
ones, "-" for a single marker; chromosomes separated by ';'.

    python3 tools/power_simulation_references.py > tests/simulation/power_references.tsv
"""
from mpmath import mp, mpf, exp, sqrt, quad, ncdf, npdf, inf, factorial

mp.dps = 30


def one_marker(tail, xi_a, xi_d, t):
    b = sqrt(t)
    if tail == "one_sided":
        return 1 - ncdf(b - xi_a)
    if tail == "two_sided":
        return 1 - ncdf(b - xi_a) + ncdf(-b - xi_a)
    lam = xi_a ** 2 + xi_d ** 2
    total = mpf(0)
    k = 0
    while True:
        weight = exp(-lam / 2) * (lam / 2) ** k / factorial(k)
        upper = exp(-t / 2) * sum((t / 2) ** i / factorial(i) for i in range(k + 1))
        total += weight * upper
        if k > lam and weight < mpf(10) ** -40:
            return total
        k += 1


def both_below(tail, m1, m2, r, b):
    """P(both markers stay below the bound) with means m1, m2 and correlation r."""
    s = sqrt(1 - r * r)
    if tail == "one_sided":
        lo1, hi1, lo2, hi2 = -inf, b - m1, -inf, b - m2
    else:
        lo1, hi1, lo2, hi2 = -b - m1, b - m1, -b - m2, b - m2

    def inner(x):
        upper = ncdf((hi2 - r * x) / s)
        lower = ncdf((lo2 - r * x) / s) if lo2 != -inf else 0
        return npdf(x) * (upper - lower)

    return quad(inner, [lo1, hi1])


def two_markers(tail, rate, d, xi, t, placement):
    b = sqrt(t)
    r = exp(-2 * rate * d)
    if placement == "at_marker":
        return 1 - both_below(tail, xi, r * xi, r, b)
    average = quad(lambda tau: both_below(tail, xi * exp(-2 * rate * tau),
                                          xi * exp(-2 * rate * (d - tau)), r, b), [0, d / 2, d])
    return 1 - average / d


def below(tail, m, b):
    if tail == "one_sided":
        return ncdf(b - m)
    return ncdf(b - m) - ncdf(-b - m)


def independent(tail, rate, distances, xi, t, placement):
    """Markers independent: only the QTL's interval (or marker) carries a mean."""
    b = sqrt(t)
    n = len(distances) + 1
    null = below(tail, 0, b)
    if placement == "at_marker":
        return 1 - below(tail, xi, b) * null ** (n - 1)
    length = sum(distances)
    total = mpf(0)
    for d in set(distances):
        count = distances.count(d)
        tail_points = [0] + [p for p in (mpf(1) / rate, mpf(10) / rate) if p < d / 2]
        points = tail_points + [d / 2] + [d - p for p in reversed(tail_points)]
        stay = quad(lambda tau: below(tail, xi * exp(-2 * rate * tau), b) *
                    below(tail, xi * exp(-2 * rate * (d - tau)), b), points)
        total += count * stay * null ** (n - 2)
    return 1 - total / length


def main():
    rows = []
    # One marker: the normal probability itself (and 2 df's noncentral chi-square).
    for tail, xi_a, xi_d, t in [("one_sided", 2, 0, 9), ("one_sided", 0.5, 0, 4),
                                ("one_sided", 4, 0, 13.8), ("two_sided", 2, 0, 9),
                                ("two_sided", 3.5, 0, 13.8), ("two_df", 2, 1, 9),
                                ("two_df", 3, 2, 16.1), ("two_df", 0, 2.5, 11)]:
        for placement in ("at_marker", "uniform"):
            rows.append(("one_marker", tail, 1, placement, xi_a, xi_d, t, "-",
                         one_marker(tail, mpf(xi_a), mpf(xi_d), mpf(t))))
    # Two markers: a bivariate normal probability.
    for tail, rate, d, xi, t in [("one_sided", 2, 0.1, 2.5, 9), ("one_sided", 1, 0.5, 3, 11),
                                 ("two_sided", 1, 0.2, 3, 12), ("two_sided", 2, 0.05, 2, 8),
                                 ("one_sided", 2, 1.5, 3.5, 13.8)]:
        for placement in ("at_marker", "uniform"):
            rows.append(("two_markers", tail, rate, placement, xi, 0, t, str(d),
                         two_markers(tail, mpf(rate), mpf(d), mpf(xi), mpf(t), placement)))
    # Independent markers: the chains' recentring along a long chromosome (in
    # the statistic's units) and a gap no double's exp(2 rho d) reaches.
    for tail, xi, t, chromosome, distances in [
            ("one_sided", 3, 13.8, "0.01x100", [mpf("0.01")] * 100),
            ("two_sided", 3.5, 13.8, "0.01x100", [mpf("0.01")] * 100),
            ("one_sided", 3, 13.8, "0.01x50,5,0.01x50",
             [mpf("0.01")] * 50 + [mpf(5)] + [mpf("0.01")] * 50)]:
        for placement in ("at_marker", "uniform"):
            rows.append(("independent", tail, 1000, placement, xi, 0, t, chromosome,
                         independent(tail, mpf(1000), distances, mpf(xi), mpf(t), placement)))
    # Genomes of unequal chromosomes: the QTL's chromosome drawn by its markers
    # (at_marker) or by its length (uniform, a one-marker chromosome never).
    rate, xi, t = mpf(2), mpf("2.5"), mpf(9)
    rows.append(("genome", "one_sided", 2, "at_marker", "2.5", 0, 9, "-;0.1",
                 (one_marker("one_sided", xi, 0, t) +
                  2 * two_markers("one_sided", rate, mpf("0.1"), xi, t, "at_marker")) / 3))
    rate, xi, t = mpf(1), mpf(3), mpf(11)
    rows.append(("genome", "one_sided", 1, "uniform", 3, 0, 11, "-;0.1;0.5",
                 (mpf("0.1") * two_markers("one_sided", rate, mpf("0.1"), xi, t, "uniform") +
                  mpf("0.5") * two_markers("one_sided", rate, mpf("0.5"), xi, t, "uniform")) /
                 mpf("0.6")))
    print("# case\ttail\trate\tplacement\txi_a\txi_d\tT\tchromosomes\tpower "
          "(tools/power_simulation_references.py, mpmath at 30 digits)")
    for case, tail, rate, placement, xi_a, xi_d, t, chromosome, power in rows:
        print(f"{case}\t{tail}\t{rate}\t{placement}\t{xi_a}\t{xi_d}\t{t}\t{chromosome}\t"
              f"{mp.nstr(power, 15)}")


if __name__ == "__main__":
    main()
