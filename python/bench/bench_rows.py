#!/usr/bin/python3
"""10,000 rows in one call of lodthresh.thresholds() against the command line's
time for the same rows (--format tsv to /dev/null), median of 5 runs each:

    bench_rows.py PATH-TO-LODTHRESH

Prints each kind of rows' times and their ratio (the module's over the
command line's)."""
import statistics
import subprocess
import sys
import time

import numpy as np

import lodthresh

ROWS = 10_000
CASES = {
    # The standard method: a bisection per level.
    # Short decimals, as the command line's argument (at most 128 KiB) holds them.
    "standard, 10^4 levels": dict(alpha=np.arange(1, ROWS + 1) / 100_000),
    # The designs mode: a threshold per marker spacing.
    "backcross, 10^4 spacings": dict(design="backcross", spacing=np.arange(1, ROWS + 1) / 500),
}


def options_of(arguments):
    options = []
    for name, value in arguments.items():
        values = value if isinstance(value, np.ndarray) else [value]
        text = ",".join(repr(float(v)) if isinstance(v, (float, np.floating)) else str(v)
                        for v in values)
        options += ["--" + name.replace("_", "-"), text]
    return options


def median_time(run, repeats=5):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main(program):
    for label, arguments in CASES.items():
        frame = lodthresh.thresholds(**arguments)
        assert len(frame) == ROWS, len(frame)
        command = [program, *options_of(arguments), "--format", "tsv"]
        program_time = median_time(lambda: subprocess.run(command, stdout=subprocess.DEVNULL,
                                                          check=True))
        module_time = median_time(lambda: lodthresh.thresholds(**arguments))
        print(f"{label}: command line {program_time:.3f} s, module {module_time:.3f} s, "
              f"ratio {module_time / program_time:.2f}")


if __name__ == "__main__":
    main(sys.argv[1])
