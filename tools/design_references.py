#!/usr/bin/env python3
"""30-digit references for the thresholds of designs at marker spacings,
written as a tsv to standard output.

Solves alpha = [C + 2 rho G T nu(sqrt(4 rho Delta T))] alpha_T for the largest
T by mpmath's findroot, with nu from tools/nu_references.py (an independent
Euler-Maclaurin or direct sum, not the power series of threshold/nu.cpp),
and alpha_T = Q(sqrt T), 2 Q(sqrt T) or exp(-T/2) for the one-sided,
two-sided and 2-df tails. Every case here has its root above T = 2, where the
level falls strictly, so the root found is the only one there.
"""
from mpmath import mp, mpf, sqrt, erfc, exp, log, findroot

import nu_references

mp.dps = 45

TAILS = {
    'one-sided': lambda t: erfc(sqrt(t / 2)) / 2,
    'two-sided': lambda t: erfc(sqrt(t / 2)),
    '2df': lambda t: exp(-t / 2),
}

# (tail, rate, G Morgan, C, spacing cM, alpha)
CASES = [
    ('one-sided', '2', '33', '23', '1', '0.05'),
    ('one-sided', '2', '33', '23', '10', '1'),
    ('one-sided', '1', '33', '23', '20', '0.001'),
    ('one-sided', '3.2', '35', '22', '0.5', '0.05'),
    ('two-sided', '1', '16', '20', '10', '0.05'),
    ('two-sided', '1', '16', '20', '2', '1'),
    ('two-sided', '4', '14.5', '20', '5', '0.001'),
    ('2df', '1.5', '16', '20', '1', '0.05'),
    ('2df', '1.5', '16', '20', '20', '1'),
    ('2df', '1.5', '16', '20', '10', '0.001'),
]


def level(tail, rate, g, c, spacing, t):
    x = sqrt(4 * rate * spacing / 100 * t)
    nu = mpf(1) if x == 0 else nu_references.nu(x)
    return (c + 2 * rate * g * t * nu) * TAILS[tail](t)


def main():
    print('# tail\trate\tlength\tchromosomes\tspacing_cm\talpha\tnominal_alpha\tlod'
          ' (tools/design_references.py, mpmath, 30 digits)')
    for tail, rate, g, c, spacing, alpha in CASES:
        rate, g, c, s, a = mpf(rate), mpf(g), mpf(c), mpf(spacing), mpf(alpha)
        f = lambda t: log(level(tail, rate, g, c, s, t)) - log(a)
        t = findroot(f, (mpf(8), mpf(30)), solver='anderson', tol=mpf(10) ** -40)
        nominal = TAILS[tail](t)
        lod = t / (2 * log(10))
        print(f'{tail}\t{rate}\t{g}\t{c}\t{spacing}\t{alpha}\t{mp.nstr(nominal, 30)}\t{mp.nstr(lod, 30)}',
              flush=True)


if __name__ == '__main__':
    main()
