"""The Python module lodthresh against the command line: the same rows, bit for
bit, for the same options; its messages as ValueError and UserWarning; Ctrl-C
during a simulation.

The command line is the program in LODTHRESH_PROGRAM (the comparisons are
skipped without it); the example maps are in LODTHRESH_EXAMPLES, else the
repository's examples/.
"""
import math
import os
import pathlib
import signal
import subprocess
import threading
import time
import warnings

import numpy as np
import pandas as pd
import pytest

import lodthresh

PROGRAM = os.environ.get("LODTHRESH_PROGRAM")
EXAMPLES = pathlib.Path(os.environ.get(
    "LODTHRESH_EXAMPLES", pathlib.Path(__file__).resolve().parents[2] / "examples"))
MOUSE = str(EXAMPLES / "mouse_gmap.csv")

needs_program = pytest.mark.skipif(not PROGRAM, reason="LODTHRESH_PROGRAM not set")


def run_program(arguments):
    return subprocess.run([PROGRAM, *arguments], capture_output=True, text=True, check=False)


def program_frame(arguments):
    """The command line's tsv read back: numbers by their shortest text,
    round trip; empty fields NaN."""
    result = run_program([*arguments, "--format", "tsv"])
    assert result.returncode in (0, 1), result.stderr
    return pd.read_csv(pd.io.common.StringIO(result.stdout), sep="\t",
                       keep_default_na=False, na_values=[""], float_precision="round_trip")


def assert_same_rows(frame, expected):
    assert list(frame.columns) == list(expected.columns)
    assert len(frame) == len(expected)
    for name in frame.columns:
        ours, theirs = frame[name], expected[name]
        if ours.dtype == object:
            # Text: None where the command line's field is empty (read back as NaN).
            want = [None if isinstance(v, float) and math.isnan(v) else str(v) for v in theirs]
            assert list(ours) == want, name
        else:
            assert ours.dtype == np.float64, name
            mine = ours.to_numpy()
            other = theirs.to_numpy(dtype=np.float64)
            # Every bit: the same doubles, NaN where both are empty.
            assert np.array_equal(np.isnan(mine), np.isnan(other)), name
            assert np.array_equal(mine[~np.isnan(mine)].view(np.uint64),
                                  other[~np.isnan(other)].view(np.uint64)), name


# Each case: the keyword arguments, and the same options on the command line.
ROWS = [
    (dict(), []),
    (dict(length=16, chromosomes=23, alpha=0.05),
     ["--length", "16", "--chromosomes", "23", "--alpha", "0.05"]),
    (dict(exact=True, length=[0.5, 33], chromosomes=(1, 23)),
     ["--exact", "--length", "0.5,33", "--chromosomes", "1,23"]),
    (dict(rate="all", alpha="all"), ["--rate", "all", "--alpha", "all"]),
    (dict(alpha=[0.1 + 0.2, 1e-3]), ["--alpha", "0.30000000000000004,0.001"]),
    (dict(length=1e-3), ["--length", "0.001"]),
    (dict(design=["backcross", "intercross"], spacing=[0, 1, 5]),
     ["--design", "backcross,intercross", "--spacing", "0,1,5"]),
    (dict(design="backcross", spacing=np.array([0.5, 2.5]), alpha=np.array([0.05, 0.01])),
     ["--design", "backcross", "--spacing", "0.5,2.5", "--alpha", "0.05,0.01"]),
    (dict(rate=1.3, tail="two-sided", spacing=2), ["--rate", "1.3", "--tail", "two-sided",
                                                   "--spacing", "2"]),
    (dict(map=MOUSE, design="intercross"), ["--map", MOUSE, "--design", "intercross"]),
    (dict(map=pathlib.Path(MOUSE), design="all", omit_chromosomes=["1", "2"]),
     ["--map", MOUSE, "--design", "all", "--omit-chromosomes", "1,2"]),
    (dict(design="backcross", spacing=5, lod=[2, 3.5]),
     ["--design", "backcross", "--spacing", "5", "--lod", "2,3.5"]),
    (dict(design="intercross", spacing=10, individuals=200),
     ["--design", "intercross", "--spacing", "10", "--individuals", "200"]),
    (dict(design="backcross", spacing=10, scan="interval", step=2.5),
     ["--design", "backcross", "--spacing", "10", "--scan", "interval", "--step", "2.5"]),
    (dict(design="backcross", spacing=[10, 20], simulate=200, seed=7, threads=2),
     ["--design", "backcross", "--spacing", "10,20", "--simulate", "200", "--seed", "7",
      "--threads", "2"]),
    (dict(map=MOUSE, design="backcross", lod=3, simulate=300),
     ["--map", MOUSE, "--design", "backcross", "--lod", "3", "--simulate", "300"]),
]


@needs_program
@pytest.mark.parametrize("arguments,options", ROWS)
def test_rows_are_the_command_lines_tsv(arguments, options):
    assert_same_rows(lodthresh.thresholds(**arguments), program_frame(options))


def read_map(path):
    return pd.read_csv(path, comment="#", dtype={"marker": str, "chr": str})


@needs_program
def test_a_map_data_frame_gives_the_rows_of_its_file():
    frame = lodthresh.thresholds(read_map(MOUSE), design="intercross", alpha=[0.05, 0.01])
    expected = program_frame(["--map", MOUSE, "--design", "intercross", "--alpha", "0.05,0.01"])
    assert list(frame["map"]) == ["map"] * len(frame)
    assert_same_rows(frame.drop(columns="map"), expected.drop(columns="map"))


def test_a_map_dict_of_columns_is_a_data_frame():
    gmap = read_map(MOUSE)
    frame = lodthresh.thresholds({c: list(gmap[c]) for c in ("marker", "chr", "pos")},
                                 design="backcross")
    assert frame.equals(lodthresh.thresholds(gmap, design="backcross"))


def test_columns_have_their_kinds_where_every_field_is_empty():
    frame = lodthresh.thresholds(spacing=1)
    texts = {"map", "design", "tail", "status"}
    for name in frame.columns:
        assert (frame[name].dtype == object) == (name in texts), name
    assert frame["map"].isna().all() and frame["map"].iloc[0] is None
    assert frame["status"].iloc[0] == "ok"


def first_message(options):
    """The command line's message after 'lodthresh: ', every line of it but
    the pointer to --help."""
    lines = run_program(options).stderr.splitlines()
    return "\n".join(line.removeprefix("lodthresh: ") for line in lines
                     if not line.startswith("Try 'lodthresh --help'"))


ERRORS = [
    (dict(length=-3), ["--length", "-3"]),
    (dict(alpha=2), ["--alpha", "2"]),
    (dict(alpha="often"), ["--alpha", "often"]),
    (dict(chromosomes=2.5), ["--chromosomes", "2.5"]),
    (dict(exact=True, precision=1e-6), ["--exact", "--precision", "1e-06"]),
    (dict(design="f2"), ["--design", "f2"]),
    (dict(design="sibs", rate=2), ["--design", "sibs", "--rate", "2"]),
    (dict(spacing=1, simulate=99), ["--spacing", "1", "--simulate", "99"]),
    (dict(spacing=1, simulate=1e5, seed=-1),
     ["--spacing", "1", "--simulate", "100000", "--seed", "-1"]),
    (dict(seed=1), ["--seed", "1"]),
    (dict(lod=3), ["--lod", "3"]),
    (dict(map=MOUSE, length=16), ["--map", MOUSE, "--length", "16"]),
    (dict(map=MOUSE, omit_chromosomes="77"), ["--map", MOUSE, "--omit-chromosomes", "77"]),
    (dict(map="/nonexistent/map.csv"), ["--map", "/nonexistent/map.csv"]),
    (dict(map="/"), ["--map", "/"]),
]


@needs_program
@pytest.mark.parametrize("arguments,options", ERRORS)
def test_a_refusal_is_a_value_error_with_the_command_lines_message(arguments, options):
    with pytest.raises(ValueError) as error:
        lodthresh.thresholds(**arguments)
    assert str(error.value) == first_message(options)


@needs_program
def test_a_maps_bad_lines_are_named_as_the_command_line_names_them(tmp_path):
    path = tmp_path / "bad.csv"
    path.write_text("marker,chr,pos\nm1,1,0\nm2,1,x\nm3,1,inf\n")
    with pytest.raises(ValueError) as error:
        lodthresh.thresholds(str(path), design="backcross")
    assert str(error.value) == first_message(["--map", str(path), "--design", "backcross"])
    assert str(error.value).count("\n") == 1  # both lines


def test_a_data_frames_bad_row_is_its_line():
    gmap = pd.DataFrame({"marker": ["a", "b", "c"], "chr": ["1", "1", "1"],
                         "pos": [0.0, float("nan"), 5.0]})
    with pytest.raises(ValueError, match=r"^map:3: "):
        lodthresh.thresholds(gmap, design="backcross")


ARGUMENT_ERRORS = [
    (dict(lenght=16), "unrecognized argument 'lenght'"),
    (dict(format="tsv"), "unrecognized argument 'format'"),
    (dict(batch="-"), "unrecognized argument 'batch'"),
    (dict(exact=1), "--exact: a flag, given one logical value (true or false)"),
    (dict(length=[]), "--length: needs a value"),
    (dict(length=[[1, 2]]), "length: a list of numbers or texts, not of list"),
    (dict(length=object()), "length: a object is no number, text or list of them"),
    (dict(spacing=1, simulate=100, seed=True), "--seed: 'True' is not a whole number"),
]


@pytest.mark.parametrize("arguments,message", ARGUMENT_ERRORS)
def test_an_argument_that_is_no_option_is_a_value_error(arguments, message):
    with pytest.raises(ValueError) as error:
        lodthresh.thresholds(**arguments)
    assert str(error.value) == message


def test_a_map_of_no_kind_is_a_value_error():
    with pytest.raises(ValueError, match="^map: a path or a data frame"):
        lodthresh.thresholds(42)
    with pytest.raises(ValueError, match="^map: a data frame of the columns marker, chr and pos"):
        lodthresh.thresholds(pd.DataFrame({"marker": ["a"], "pos": [1.0]}))
    with pytest.raises(TypeError):
        lodthresh.thresholds(None, 16)


def test_an_int_is_its_digits():
    # 2^64 - 1 is no double; the seed is taken whole.
    frame = lodthresh.thresholds(design="backcross", spacing=20, simulate=100,
                                 seed=2**64 - 1, threads=1)
    assert len(frame) == 1
    with pytest.raises(ValueError, match="'18446744073709551616' is too large"):
        lodthresh.thresholds(design="backcross", spacing=20, simulate=100, seed=2**64)


@needs_program
def test_the_command_lines_warnings_are_user_warnings(tmp_path):
    path = tmp_path / "x.csv"
    path.write_text("marker,chr,pos\nm1,1,0\nm2,1,50\nm3,X,0\nm4,X,40\n")
    for arguments, options in [
        (dict(design="backcross", spacing=100, length=16, chromosomes=20),
         ["--design", "backcross", "--spacing", "100", "--length", "16", "--chromosomes", "20"]),
        (dict(map=str(path), design="backcross"), ["--map", str(path), "--design", "backcross"]),
    ]:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            lodthresh.thresholds(**arguments)
        assert [str(w.message) for w in caught] == [
            first_message(options).removeprefix("warning: ")]
        assert all(issubclass(w.category, UserWarning) for w in caught)


def test_ctrl_c_stops_a_simulation_within_a_second():
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.5, interrupt)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            lodthresh.thresholds(design="backcross", spacing=0.1, simulate=10**6)
    finally:
        timer.cancel()
    assert sent and time.monotonic() - sent[0] < 1.0


def test_designs_is_the_table_of_designs():
    frame = lodthresh.designs()
    assert list(frame.columns) == ["name", "tail", "rate", "meaning"]
    row = frame[frame["name"] == "intercross"].iloc[0]
    assert (row["tail"], row["rate"]) == ("2df", 1.5)
    assert len(frame) == 14


def test_arguments_are_the_command_lines_options():
    frame = lodthresh.arguments()
    names = list(frame["name"])
    for name in ("length", "alpha", "exact", "design", "omit_chromosomes", "simulate", "threads"):
        assert name in names
    for own in ("format", "batch", "help", "version"):
        assert own not in names
    assert frame[frame["name"] == "exact"]["value"].iloc[0] is None


SIMULATION = ("import lodthresh; lodthresh.thresholds(design='backcross', spacing=0.25, "
              "simulate=100000, threads=1)")


def child_stderr(code, terminal):
    """What a child Python running `code` writes on its error stream: a
    terminal (a pseudo-terminal) or a pipe."""
    import pty
    import sys
    if not terminal:
        return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                              check=True).stderr
    main, child = pty.openpty()
    process = subprocess.Popen([sys.executable, "-c", code], stderr=child)
    os.close(child)
    chunks = []
    while True:
        try:
            chunk = os.read(main, 4096)
        except OSError:  # the child's end is closed
            break
        if not chunk:
            break
        chunks.append(chunk)
    os.close(main)
    assert process.wait() == 0
    return b"".join(chunks).decode()


def test_a_terminal_shows_the_progress_of_a_simulation_over_a_second():
    text = child_stderr(SIMULATION, terminal=True)
    assert "simulating backcross at 0.25 cM [" in text
    assert text.endswith("\r\033[K")  # wiped at the end


def test_a_pipe_shows_no_progress():
    assert child_stderr(SIMULATION, terminal=False) == ""
