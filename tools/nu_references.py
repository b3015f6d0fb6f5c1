#!/usr/bin/env python3
"""30-digit references for Siegmund's nu(x), written as a tsv to standard output.

    nu(x) = 2 x^-2 exp(-2 S),  S = sum_{n>=1} n^-1 Phi(-x sqrt(n) / 2).

Independent of the power series that threshold/nu.cpp evaluates: for
x < 3 the sum is taken term by term up to N and its tail by Euler-Maclaurin
(the integral from N by quadrature, and Bernoulli corrections with the
derivatives of the summand at N); from x = 3 on, term by term until the terms
fall below 1e-45.
"""
from mpmath import mp, mpf, sqrt, erfc, exp, quad, diff, bernoulli, factorial, inf

mp.dps = 45


def phi_upper(y):
    return erfc(y / sqrt(2)) / 2


def sum_euler_maclaurin(a, n_terms=200, corrections=12):
    f = lambda t: phi_upper(a * sqrt(t)) / t
    s = sum(f(mpf(n)) for n in range(1, n_terms))
    # The summand falls off on the scale t ~ 1/a^2: split the quadrature there.
    scale = max(mpf(n_terms), 1 / a ** 2)
    s += quad(f, [n_terms, scale, 10 * scale, 100 * scale, inf])
    s += f(mpf(n_terms)) / 2
    for k in range(1, corrections + 1):
        s -= bernoulli(2 * k) / factorial(2 * k) * diff(f, mpf(n_terms), 2 * k - 1)
    return s


def sum_direct(a):
    s, n = mpf(0), 1
    while True:
        term = phi_upper(a * sqrt(n)) / n
        s += term
        if term < mpf(10) ** -45:
            return s
        n += 1


def nu(x):
    x = mpf(x)
    a = x / 2
    s = sum_euler_maclaurin(a) if x < 3 else sum_direct(a)
    return 2 / x ** 2 * exp(-2 * s)


XS = ['1e-6', '1e-5', '1e-4', '0.001', '0.01', '0.03', '0.06', '0.1', '0.2', '0.25',
      '0.3', '0.5', '0.7', '1', '1.3', '1.7', '2', '2.5', '2.9', '3', '3.5', '4',
      '4.5', '4.99', '5', '5.01', '5.5', '6', '7', '8', '10', '12', '15', '20',
      '30', '50', '75', '100']

if __name__ == '__main__':
    print('# x\tnu(x), 30 digits (tools/nu_references.py, mpmath)')
    for x in XS:
        print(f'{x}\t{mp.nstr(nu(x), 30)}', flush=True)
