#!/usr/bin/env python3
"""30-digit references for the distributions library's regularised incomplete
beta function, the F distribution's tails and its upper-tail quantile, written
as a tsv to standard output (tests/distributions/f_references.tsv).

    I_x(a, b) = mpmath.betainc(a, b, 0, x, regularized=True),
    1 - I_x(a, b) = I_{1-x}(b, a),
    P(F > f) = I_{d2/(d2 + d1 f)}(d2/2, d1/2),
    P(F <= f) = I_{d1 f/(d2 + d1 f)}(d1/2, d2/2).

Every argument is a double, written with the shortest decimal that reads back
as that double, and every reference is the value at that double, so that a
test compares against the function at exactly its input. Each tail is
computed on its own side (never as 1 minus a small number's complement), by as
many of these as apply, which must agree to 1e-40:
  - mpmath.betainc (a terminating or transformed 2F1(a, 1 - b; a + 1; x);
    its sum does not converge for some large b);
  - the series of positive terms
        I_x(a, b) = x^a (1-x)^b / (a B(a, b)) 2F1(a + b, 1; a + 1; x)
    for x up to the mean a / (a + b), where it is taken to 20000 terms at most;
  - beyond the mean, where I_x(a, b) is not small, 1 - I_{1-x}(b, a) by the
    others (from 1 - x, which holds the digits that x near 1 has lost);
  - the closed forms I_x(a, 1) = x^a and I_x(1, b) = 1 - (1-x)^b.

The quantile rows solve ln P(F > f) = ln p for ln f with mpmath.findroot,
started from a bracketing Newton iteration; the exact quantile of the double
p is written, or inf where it exceeds the largest double (d2 = 1 far in the
tail).

Each row carries condition numbers. For a tail P: |d ln P / d ln x| (beta
rows, x^a (1-x)^(b-1) / (B(a, b) P)) or |d ln P / d ln f| (F rows,
x^a (1-x)^b / (B(a, b) P) with x = d2 / (d2 + d1 f)); for a quantile:
|d ln f / d ln p|, the reciprocal of the upper tail's at the quantile. A
relative perturbation e of the argument moves the result by about e times the
condition number, so the tests measure errors relative to max(1, condition).

Row kinds (tab-separated; '#' starts a comment):
    beta       a   b   x  I_x(a,b)  1-I_x(a,b)  cond(I)      cond(1-I)
    ftail      d1  d2  f  P(F>f)    P(F<=f)     cond(upper)  cond(lower)
    fquantile  d1  d2  p  f         cond
    lod        k   n   f  LOD(f)    F(LOD)
where LOD(f) = (n/2) log10(1 + k f / (n - k - 1)) and F(LOD) is its inverse,
((n - k - 1) / k) (10^(2 LOD / n) - 1), at the double nearest LOD(f).

Run with Debian's python3 and python3-mpmath; takes a few minutes.
"""
import sys

import mpmath
from mpmath.libmp import NoConvergence
from mpmath import mp, mpf, beta, betainc, exp, expm1, findroot, log, log1p, nstr

mp.dps = 60
DIGITS = 30
DBL_MAX = mpf(sys.float_info.max)
SERIES_TERMS = 20000

# Upper-tail levels of the F grid.
LEVELS = [0.75, 0.9, 0.99, 0.5, 0.25, 0.1, 0.05, 0.01, 1e-3, 1e-4, 1e-6, 1e-8, 1e-10, 1e-15,
          1e-20, 1e-30, 1e-50, 1e-75, 1e-100, 1e-150, 1e-200, 1e-250, 1e-300]
D1S = [1, 2]
D2S = [1, 2, 5, 10, 30, 100, 118, 398, 1000, 1e4, 1e5]
# Shapes of the general beta rows, and the tail levels (each side) whose
# quantiles, rounded to doubles, are the rows' arguments.
BETA_SHAPES = [(0.5, 0.5), (0.5, 2.5), (2.5, 0.5), (1.5, 7.5), (10, 0.5), (0.5, 10), (10, 10),
               (100, 3), (3, 100), (100, 100), (0.5, 1e4), (1e4, 0.5), (1e4, 100), (1e4, 1e4)]
BETA_LEVELS = [0.5, 0.1, 1e-3, 1e-10, 1e-50, 1e-150, 1e-300]
# Regressions of the LOD rows: k and n, and the F statistics.
LOD_DESIGNS = [(1, 3), (1, 20), (1, 120), (1, 400), (2, 4), (2, 20), (2, 120), (2, 10000)]
LOD_STATISTICS = [1e-12, 1e-3, 0.5, 3.84, 15.0, 1e3, 1e10]


def positive_series(a, b, x, y):
    """I_x(a, b) by x^a y^b / (a B) sum_n (a+b)_n / (a+1)_n x^n, or None."""
    front = exp(a * log(x) + b * log(y) - log(a) - log(beta(a, b)))
    total, term = mpf(1), mpf(1)
    for n in range(SERIES_TERMS):
        term *= (a + b + n) * x / (a + 1 + n)
        total += term
        if term < total * mpf(10) ** (-mp.dps - 5) and (a + b + n) * x < (a + 1 + n):
            return front * total
    return None


def direct_values(a, b, x, y):
    """Values of I_x(a, b) by the methods that do not go through the other tail."""
    values = []
    try:
        values.append(betainc(a, b, 0, x, regularized=True))
    except (ValueError, NoConvergence):
        pass
    if x <= a / (a + b):
        series = positive_series(a, b, x, y)
        if series is not None:
            values.append(series)
    if b == 1:
        values.append(exp(a * log(x)))
    if a == 1:
        values.append(-expm1(b * log1p(-x)) if x < y else 1 - exp(b * log(y)))
    return values


def agreement():
    """How closely independent values must agree: 1e-40 at 60 digits."""
    return mpf(10) ** -(2 * mp.dps // 3)


def lower_beta(a, b, x, y, check=True):
    """I_x(a, b) for 0 < x < 1, with y = 1 - x given exactly; with check, every
    method that applies must agree."""
    # Beyond the mean, from the other tail, which is then the smaller one:
    # computed from y, which holds the digits that x near 1 has lost.
    if x <= a / (a + b):
        values = direct_values(a, b, x, y)
    else:
        values = [1 - v for v in direct_values(b, a, y, x)]
    assert values, (a, b, x)
    if not check:
        return values[0]
    for v in values[1:]:
        assert abs(v - values[0]) <= agreement() * abs(values[0]), (a, b, x, values)
    return values[0]


def beta_pair(a, b, x, y):
    """(I_x(a, b), 1 - I_x(a, b)), each to full relative precision."""
    lower = lower_beta(a, b, x, y)
    upper = lower_beta(b, a, y, x)
    assert abs(lower + upper - 1) <= agreement(), (a, b, x, lower, upper)
    return lower, upper


def power_term(a, b, x, y):
    """x^a y^b / B(a, b)."""
    return exp(a * log(x) + b * log(y) - log(beta(a, b)))


def f_arguments(d1, d2, f):
    """(x, 1 - x) of the F tail at f, each formed at the working precision."""
    d1, d2, f = mpf(d1), mpf(d2), mpf(f)
    return d2 / (d2 + d1 * f), d1 * f / (d2 + d1 * f)


def f_upper_and_power(d1, d2, f):
    x, y = f_arguments(d1, d2, f)
    a, b = mpf(d2) / 2, mpf(d1) / 2
    return lower_beta(a, b, x, y), power_term(a, b, x, y)


def f_quantile(d1, d2, p):
    """The f with P(F > f) = p, solved for t = ln f."""
    target = log(mpf(p))
    # Bracketing Newton on t: d ln P / dt = -x^a y^b / (B P).
    lo, hi = mpf(-1000), mpf(2000)
    t = mpf(0)
    for _ in range(300):
        upper, power = f_upper_and_power(d1, d2, exp(t))
        gap = log(upper) - target
        if gap > 0:
            lo = t
        else:
            hi = t
        step = gap * upper / power
        t_next = t + step
        if not lo < t_next < hi:
            t_next = (lo + hi) / 2
        if abs(t_next - t) < mpf(10) ** -20 * max(1, abs(t)):
            t = t_next
            break
        t = t_next
    t = findroot(lambda s: log(f_upper_and_power(d1, d2, exp(s))[0]) - target, t,
                 tol=mpf(10) ** -50)
    return exp(t)


def quantile_x(a, b, level, upper_side):
    """An x near the one with I_x(a, b) = level (or 1 - I_x = level): bisection on
    the logit of x, to the few digits that pick a grid point."""
    target = log(mpf(level))
    lo, hi = mpf(-2000), mpf(2000)
    with mp.workdps(20):
        for _ in range(60):
            mid = (lo + hi) / 2
            # The smaller of x and 1 - x from the logit, the other as its
            # complement, so that the two agree at the working precision.
            if mid < 0:
                x = 1 / (1 + exp(-mid))
                y = 1 - x
            else:
                y = 1 / (1 + exp(mid))
                x = 1 - y
            tail = (lower_beta(b, a, y, x, check=False) if upper_side else
                    lower_beta(a, b, x, y, check=False))
            if (log(tail) > target) != upper_side:
                hi = mid
            else:
                lo = mid
        return 1 / (1 + exp(-(lo + hi) / 2))


def fmt(value):
    return nstr(value, DIGITS, min_fixed=-5, max_fixed=5)


def cond(value):
    return nstr(value, 6)


def beta_rows():
    for a, b in BETA_SHAPES:
        am, bm = mpf(a), mpf(b)
        xs = set()
        for level in BETA_LEVELS:
            for upper_side in (False, True):
                x = float(quantile_x(am, bm, level, upper_side))
                if sys.float_info.min <= x < 1.0:
                    xs.add(x)
        for x in sorted(xs):
            xm = mpf(x)
            ym = 1 - xm
            lower, upper = beta_pair(am, bm, xm, ym)
            slope = power_term(am, bm, xm, ym) / ym
            print('\t'.join(['beta', repr(float(a)), repr(float(b)), repr(x), fmt(lower),
                             fmt(upper), cond(slope / lower), cond(slope / upper)]), flush=True)


def f_rows():
    for d1 in D1S:
        for d2 in D2S:
            for level in LEVELS:
                q = f_quantile(d1, d2, level)
                _, power = f_upper_and_power(d1, d2, q)
                exact = 'inf' if q > DBL_MAX else fmt(q)
                print('\t'.join(['fquantile', repr(float(d1)), repr(float(d2)), repr(level),
                                 exact, cond(mpf(level) / power)]), flush=True)
                if q > DBL_MAX:
                    continue
                f = float(q)
                x, y = f_arguments(d1, d2, f)
                upper, lower = beta_pair(mpf(d2) / 2, mpf(d1) / 2, x, y)
                power = power_term(mpf(d2) / 2, mpf(d1) / 2, x, y)
                print('\t'.join(['ftail', repr(float(d1)), repr(float(d2)), repr(f), fmt(upper),
                                 fmt(lower), cond(power / upper), cond(power / lower)]),
                      flush=True)


def lod_rows():
    for k, n in LOD_DESIGNS:
        d2 = mpf(n - k - 1)
        for f in LOD_STATISTICS:
            lod = mpf(n) / 2 * log(1 + k * mpf(f) / d2) / log(10)
            back = d2 / k * (exp(2 * mpf(float(lod)) / n * log(10)) - 1)
            print('\t'.join(['lod', str(k), str(n), repr(f), fmt(lod), fmt(back)]), flush=True)


if __name__ == '__main__':
    print(f'# Regularised incomplete beta and F distribution: {DIGITS}-digit references')
    print(f'# from tools/f_references.py (mpmath {mpmath.__version__}, {mp.dps} digits).')
    print('# beta       a   b   x  I_x(a,b)  1-I_x(a,b)  cond(I)      cond(1-I)')
    print('# ftail      d1  d2  f  P(F>f)    P(F<=f)     cond(upper)  cond(lower)')
    print('# fquantile  d1  d2  p  f         cond')
    print('# lod        k   n   f  LOD(f)    F(LOD)')
    lod_rows()
    beta_rows()
    f_rows()
