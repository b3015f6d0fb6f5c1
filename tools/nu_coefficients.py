#!/usr/bin/env python3
"""Coefficients of the power series of log nu(x), for threshold/nu.cpp.

Siegmund's discrete-marker factor is
    nu(x) = 2 x^-2 exp(-2 S(x/2)),  S(a) = sum_{n>=1} n^-1 Phi(-a sqrt(n)).
The Mellin transform of Phi(-sqrt(t)) is Gamma(s + 1/2) 2^s / (2 sqrt(pi) s),
so the sum is (1/2 pi i) times the integral of that transform times
zeta(1 + s) a^(-2s). Its residues, a double pole at s = 0 and simple poles at
s = -(k + 1/2), give
    S(a) = -log(2)/2 - log(a)
           - (2 pi)^(-1/2) sum_k (-1)^k zeta(1/2 - k) a^(2k+1) / (2^k k! (2k+1)),
and hence, with a = x/2, the logarithms cancel:
    log nu(x) = sum_k b_k x^(2k+1),
    b_k = 2 (2 pi)^(-1/2) (-1)^k zeta(1/2 - k) / (2^(3k+1) k! (2k+1)),
convergent for x^2 < 16 pi (|zeta(1/2 - k)| grows like Gamma(k + 1/2) (2 pi)^-k).
b_0 = zeta(1/2) / sqrt(2 pi) = -0.5826..., Siegmund's rho_0. The series is
checked against an independent Euler-Maclaurin sum by tools/nu_references.py.

Prints the coefficients as C++ literals, and for each bound of x the number of
terms after which the rest is below 2^-60 of the sum.
"""
from mpmath import mp, mpf, zeta, sqrt, pi, factorial

mp.dps = 40
K = 80


def b(k):
    return (2 / sqrt(2 * pi) * (-1) ** k * zeta(mpf(1) / 2 - k)
            / (mpf(2) ** (3 * k + 1) * factorial(k) * (2 * k + 1)))


coefficients = [b(k) for k in range(K)]
for bound in ['0.25', '1', '2.5', '5']:
    x = mpf(bound)
    tail = [abs(c) * x ** (2 * k + 1) for k, c in enumerate(coefficients)]
    total = abs(sum(c * x ** (2 * k + 1) for k, c in enumerate(coefficients)))
    needed = next(k for k in range(K)
                  if sum(tail[k:]) < max(total, 1) * mpf(2) ** -60)
    print(f"// x <= {bound}: {needed} terms")
for c in coefficients:
    print(f"    {mp.nstr(c, 17, min_fixed=1, max_fixed=0)},")
