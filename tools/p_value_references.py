#!/usr/bin/env python3
"""30-digit references for genome-wide p-values of peaks, written as a tsv to
standard output.

For a peak of LOD L, T = 2 ln 10 L; the expected number of peaks at least
that high in one null scan is
    lambda(T) = [C + 2 rho G T nu(sqrt(4 rho Delta T))] alpha_T,
with nu from tools/nu_references.py (independent of the program's series),
and the p-value 1 - exp(-lambda(T)).
"""
from mpmath import mp, mpf, sqrt, log, exp, expm1

import nu_references
from design_references import TAILS

mp.dps = 40

# (tail, rate, G Morgan, C, spacing cM, LOD)
CASES = [
    ('one-sided', '2', '33', '23', '0', '3.6'),
    ('one-sided', '2', '33', '23', '10', '2.2'),
    ('two-sided', '1', '16', '20', '0', '3.4'),
    ('two-sided', '1', '16', '20', '10', '2.5'),
    ('two-sided', '1', '16', '20', '2', '6'),
    ('2df', '1.5', '16', '20', '0', '4.3'),
    ('2df', '1.5', '16', '20', '5', '3'),
]

print('# tail\trate\tlength\tchromosomes\tspacing_cm\tlod\tnominal_p\texpected\tp_genome'
      ' (tools/p_value_references.py, mpmath, 30 digits)')
for tail, rate, g, c, spacing, lod in CASES:
    rho, length, chromosomes, s = mpf(rate), mpf(g), mpf(c), mpf(spacing)
    t = 2 * log(10) * mpf(lod)
    x = sqrt(4 * rho * s / 100 * t)
    nu = mpf(1) if x == 0 else nu_references.nu(x)
    nominal = TAILS[tail](t)
    expected = (chromosomes + 2 * rho * length * t * nu) * nominal
    print(f'{tail}\t{rate}\t{g}\t{c}\t{spacing}\t{lod}\t{mp.nstr(nominal, 30)}\t'
          f'{mp.nstr(expected, 30)}\t{mp.nstr(-expm1(-expected), 30)}')
