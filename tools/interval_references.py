#!/usr/bin/env python3
"""30-digit references for the peaks that interval mapping finds between two
markers, written as a tsv to standard output (tests/threshold/interval_references.tsv).

For W standard bivariate normal and the arc [0, theta] of directions between
the two markers' vectors, the probability that the projection of W on some
direction evaluated exceeds b while neither marker's does is, in polar
coordinates,

    I = (1/2pi) int_0^theta [exp(-b^2 / (2 c(psi)^2)) - exp(-b^2 / (2 m(psi)^2))] dpsi,

m(psi) = max(cos psi, cos(theta - psi)) and c(psi) = 1 for every direction of
the arc (the continuous interval), or c(psi) = max_i cos(psi - phi_i) over the
angles phi_i of the pseudomarkers and of the markers (0 and theta).

The integral is taken as it stands, by mpmath.quad, independent of the
arctangent substitution and the split into arcs that threshold/interval.cpp
evaluates. Two things keep quad honest: the integrand is scaled by
exp(b^2 / 2) (quad's tolerance is absolute, and I is as small as 1e-297), and
the range is split where c and m switch and at distances 1/16 to 8 times 1/b
from the ends and the pseudomarkers, where the integrand turns. Working
precision 60 digits: the two exponentials cancel to some 10 digits where
b theta is small.

    python3 tools/interval_references.py > tests/threshold/interval_references.tsv
    python3 tools/interval_references.py --nodes 16   # Gauss-Legendre nodes, 20 digits
"""
import sys

from mpmath import mp, mpf, quad, exp, cos, pi, linspace

mp.dps = 60

THETAS = ['1e-4', '0.01', '0.1', '0.3', '0.6', '1', '1.4', '1.5707']
LEVELS = ['0.01', '0.5', '1', '2', '3', '4.5', '6', '10', '20', '37']

# (theta, pseudomarker angles): pseudomarkers evenly placed, unevenly placed,
# and one close to a marker.
PSEUDOMARKER_CASES = [
    ('0.6', ['0.1', '0.25', '0.4']),
    ('1.2', ['0.6']),
    ('0.2', ['0.05', '0.1', '0.15']),
    ('0.9', ['0.05', '0.7']),
]
PSEUDOMARKER_LEVELS = ['0.5', '2', '4', '6']


def scaled_exceedance(theta, b, angles=None):
    """2 pi exp(b^2/2) I: the integral of the scaled integrand over [0, theta]."""
    theta, b = mpf(theta), mpf(b)
    every_point = angles is None
    points = [mpf(0), theta] + ([] if every_point else [mpf(a) for a in angles])

    def c(p):
        return mpf(1) if every_point else max(cos(p - q) for q in points)

    def m(p):
        return max(cos(p), cos(theta - p))

    def f(p):
        return exp(b ** 2 / 2 * (1 - 1 / c(p) ** 2)) - exp(b ** 2 / 2 * (1 - 1 / m(p) ** 2))

    ends = {mpf(0), theta, theta / 2}
    if not every_point:
        ordered = sorted(points)
        for lo, hi in zip(ordered[:-1], ordered[1:]):
            ends.add((lo + hi) / 2)
    ends = sorted(ends)
    cuts = []
    for lo, hi in zip(ends[:-1], ends[1:]):
        cuts += list(linspace(lo, hi, 5))[:-1]
    cuts.append(ends[-1])
    for q in points:
        for k in [mpf(1) / 16, mpf(1) / 8, mpf(1) / 4, mpf(1) / 2, 1, 2, 4, 8]:
            for sign in (-1, 1):
                p = q + sign * k / b
                if 0 < p < theta:
                    cuts.append(p)
    return quad(f, sorted(set(cuts)))


def exceedance(theta, b, angles=None):
    return scaled_exceedance(theta, b, angles) * exp(-mpf(b) ** 2 / 2) / (2 * pi)


def legendre_nodes(n):
    """The positive nodes and their weights of the n-point Gauss-Legendre rule."""
    def legendre(x):
        p0, p1 = mpf(1), x
        for k in range(2, n + 1):
            p0, p1 = p1, ((2 * k - 1) * x * p1 - (k - 1) * p0) / k
        return p1, n * (x * p1 - p0) / (x * x - 1)

    nodes = []
    for i in range(1, n + 1):
        x = cos(pi * (i - mpf(1) / 4) / (n + mpf(1) / 2))
        for _ in range(100):
            p, dp = legendre(x)
            x -= p / dp
            if abs(p / dp) < mpf(10) ** -50:
                break
        p, dp = legendre(x)
        if x > 0:
            nodes.append((x, 2 / ((1 - x * x) * dp * dp)))
    return sorted(nodes)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == '--nodes':
        for x, w in legendre_nodes(int(sys.argv[2])):
            print(f'{mp.nstr(x, 20)}\t{mp.nstr(w, 20)}')
        return
    print('# theta\tb\tpseudomarker angles (- : every point)\tI(theta, b), 30 digits'
          ' (tools/interval_references.py, mpmath.quad at 60 digits)')
    for theta in THETAS:
        for b in LEVELS:
            print(f'{theta}\t{b}\t-\t{mp.nstr(exceedance(theta, b), 30)}', flush=True)
    for theta, angles in PSEUDOMARKER_CASES:
        for b in PSEUDOMARKER_LEVELS:
            value = exceedance(theta, b, angles)
            print(f'{theta}\t{b}\t{",".join(angles)}\t{mp.nstr(value, 30)}', flush=True)


if __name__ == '__main__':
    main()
