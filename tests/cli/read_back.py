#!/usr/bin/python3
"""Each machine format of lodthresh's command line, read back by a parser.

Runs the program for the same rows in tsv, csv and json, parses them with
Python's csv and json modules, and checks that all three give the same fields
and the same doubles, with empty fields (json null) where a row has no
result. Exit status 0 when they do.

    read_back.py PATH-TO-LODTHRESH
"""
import csv
import io
import json
import subprocess
import sys

FIELDS = ["length", "chromosomes", "rate", "mapping", "alpha", "precision", "status",
          "nominal_alpha", "lod_dense", "lod_10cm", "lod_5cm", "lod_2cm", "lod_1cm"]
NUMBERS = {"length", "chromosomes", "rate", "alpha", "precision", "nominal_alpha",
           "lod_dense", "lod_10cm", "lod_5cm", "lod_2cm", "lod_1cm"}


def run(binary, fmt, *options):
    result = subprocess.run([binary, "-f", fmt, "-r", "all", "-a", "all", *options],
                            capture_output=True, text=True, check=False)
    return result.stdout


def as_values(record):
    """Numbers as floats, empty fields as None."""
    return {k: (None if v in ("", None) else float(v) if k in NUMBERS else v)
            for k, v in record.items()}


def main(binary):
    for options in ([], ["-x", "-G", "0.5,33", "-C", "1,23"]):
        tsv = list(csv.DictReader(io.StringIO(run(binary, "tsv", *options)), delimiter="\t"))
        comma = list(csv.DictReader(io.StringIO(run(binary, "csv", *options))))
        js = json.loads(run(binary, "json", *options))
        assert len(tsv) == len(comma) == len(js) >= 21, (len(tsv), len(comma), len(js))
        for a, b, c in zip(tsv, comma, js):
            assert list(a) == list(b) == list(c) == FIELDS, (list(a), list(c))
            assert as_values(a) == as_values(b) == as_values(c), (a, c)
            assert (c["nominal_alpha"] is None) == (c["status"] != "ok"), c
        if options:
            assert any(r["status"] == "no-solution" for r in js)
            assert all(r["precision"] is None for r in js)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main(sys.argv[1])
