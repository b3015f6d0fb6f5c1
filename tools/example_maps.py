#!/usr/bin/env python3
"""Writes the example maps of examples/: a mouse map of 19 autosomes and a
human map of 22, each in the layouts lodthresh reads.

The maps are made up, with a fixed seed, to look like real ones:

- mouse: chromosome spans like the mouse's sex-averaged map (60-104 cM),
  markers 5-25 cM apart, unevenly, as in an F2 intercross typed with
  microsatellites;
- human: spans like the human sex-averaged map (70-286 cM), markers about
  every 10 cM (5-15 cM apart), as in a linkage screen of families.

Positions are whole hundredths of a cM, written with two decimals, so every
layout writes the same decimal text and the readers give the same doubles.

    python3 tools/example_maps.py [examples-folder]
"""
import pathlib
import random
import sys

SEED = 20240611

# Approximate sex-averaged lengths (cM) of the autosomes.
MOUSE_CM = [98.6, 104.0, 82.6, 85.9, 91.8, 76.4, 78.2, 73.7, 75.9, 75.1,
            84.3, 66.6, 69.4, 66.9, 63.8, 64.3, 64.2, 63.5, 64.1]
HUMAN_CM = [286.3, 268.5, 222.9, 212.8, 203.9, 189.4, 180.4, 169.2, 166.3,
            179.5, 158.2, 174.4, 126.7, 118.9, 127.2, 133.7, 135.2, 125.9,
            107.4, 104.6, 73.5, 74.9]


def uniform_int(rng, low, high):
    """An integer of [low, high], from rng.random() alone (stable across
    Python versions)."""
    return low + int(rng.random() * (high - low + 1))


def chromosome_positions(rng, length_cm, low_gap, high_gap):
    """Marker positions in hundredths of a cM: a first marker in the first
    3 cM, then gaps of low_gap to high_gap cM up to the chromosome's end."""
    end = round(length_cm * 100)
    low, high = low_gap * 100, high_gap * 100
    positions = [uniform_int(rng, 0, 300)]
    while True:
        gap = uniform_int(rng, low, high)
        if positions[-1] + gap > end:
            break
        positions.append(positions[-1] + gap)
    rest = end - positions[-1]
    if rest >= low:
        positions.append(end)
    else:
        # The end is too near the last marker: move it there, halving the
        # last gap when it grows too long.
        positions.pop()
        if end - positions[-1] > high:
            positions.append(positions[-1] + (end - positions[-1]) // 2)
        positions.append(end)
    return positions


def make_map(rng, lengths, low_gap, high_gap, marker_code):
    """[(marker, chromosome, hundredths)] chromosome by chromosome."""
    markers = []
    for number, length in enumerate(lengths, start=1):
        names = set()
        for position in chromosome_positions(rng, length, low_gap, high_gap):
            while True:
                name = f"D{number}{marker_code}{uniform_int(rng, 1, 999)}"
                if name not in names:
                    break
            names.add(name)
            markers.append((name, str(number), position))
    return markers


def cm(hundredths):
    return f"{hundredths // 100}.{hundredths % 100:02d}"


def write(folder, name, lines, bom=False, crlf=False):
    end = "\r\n" if crlf else "\n"
    text = end.join(lines) + end
    data = text.encode("utf-8")
    (folder / name).write_bytes(b"\xef\xbb\xbf" + data if bom else data)


def gmap_lines(title, markers):
    """qtl2's gmap.csv as qtl2convert::write2csv writes it, fields quoted."""
    lines = [f"# {title}", f"# nrow {len(markers)}", "# ncol 3", '"marker","chr","pos"']
    lines += [f'"{m}","{c}","{cm(p)}"' for m, c, p in markers]
    return lines


def plink_lines(markers, bp_per_hundredth, start_bp, left_out=None):
    """PLINK's chr id cM bp, tab-separated; `left_out` = (marker, code) adds
    the marker D<chr><code> with a negative bp, PLINK's mark of a marker to
    leave out, after the given marker."""
    lines = []
    for index, (m, c, p) in enumerate(markers):
        bp = start_bp + p * bp_per_hundredth + index * 17
        lines.append(f"{c}\t{m}\t{cm(p)}\t{bp}")
        if left_out is not None and m == left_out[0]:
            lines.append(f"{c}\tD{c}{left_out[1]}\t0\t-1")
    return lines


def genotypes(rng, count):
    return [["A", "H", "H", "B", "-"][uniform_int(rng, 0, 4)] for _ in range(count)]


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                          pathlib.Path(__file__).resolve().parent.parent / "examples")
    folder.mkdir(exist_ok=True)
    rng = random.Random(SEED)
    mouse = make_map(rng, MOUSE_CM, 5, 25, "Mit")
    human = make_map(rng, HUMAN_CM, 5, 15, "S")

    write(folder, "mouse_gmap.csv",
          gmap_lines("Genetic map of a mouse intercross, 19 autosomes (cM)", mouse))
    write(folder, "mouse_three_columns.txt", [f"{m} {c} {cm(p)}" for m, c, p in mouse])
    write(folder, "mouse_three_columns_header.tsv",
          ["marker\tchr\tpos"] + [f"{m}\t{c}\t{cm(p)}" for m, c, p in mouse])
    # write.table(pull.map(cross, as.table = TRUE)): row names, quoted.
    write(folder, "mouse_write_table.txt",
          ['"chr" "pos"'] + [f'"{m}" "{c}" {cm(p)}' for m, c, p in mouse])
    # write.csv(pull.map(cross, as.table = TRUE)).
    write(folder, "mouse_pull_map.csv",
          ['"","chr","pos"'] + [f'"{m}","{c}",{cm(p)}' for m, c, p in mouse])
    write(folder, "mouse_plink3.map", [f"{c} {m} {cm(p)}" for m, c, p in mouse])
    write(folder, "mouse_plink4.map",
          plink_lines(mouse, 19000, 3000000, left_out=(mouse[60][0], "Mit1000")))

    # R/qtl's csv and csvr of an intercross of 6 mice: the phenotypes body
    # weight, sex and id, then the genotypes.
    individuals = 6
    weights = [f"{18 + rng.random() * 8:.1f}" for _ in range(individuals)]
    sexes = [str(uniform_int(rng, 0, 1)) for _ in range(individuals)]
    ids = [f"F2-{i + 1}" for i in range(individuals)]
    calls = [genotypes(rng, individuals) for _ in mouse]
    phenotypes = [("bw", weights), ("sex", sexes), ("id", ids)]
    rows = [",".join([p for p, _ in phenotypes] + [m for m, _, _ in mouse]),
            ",".join([""] * len(phenotypes) + [c for _, c, _ in mouse]),
            ",".join([""] * len(phenotypes) + [cm(p) for _, _, p in mouse])]
    for i in range(individuals):
        rows.append(",".join([values[i] for _, values in phenotypes] +
                             [call[i] for call in calls]))
    write(folder, "mouse_rqtl.csv", rows)
    rows = [",".join([p, "", ""] + values) for p, values in phenotypes]
    rows += [",".join([m, c, cm(p)] + call) for (m, c, p), call in zip(mouse, calls)]
    write(folder, "mouse_rqtl_csvr.csv", rows)

    # The markers of each chromosome in no order, as a hand-made file may
    # hold them.
    shuffled = []
    for number in range(1, len(MOUSE_CM) + 1):
        chromosome = [marker for marker in mouse if marker[1] == str(number)]
        rng.shuffle(chromosome)
        shuffled += chromosome
    write(folder, "mouse_unsorted.csv",
          ["marker,chr,pos"] + [f"{m},{c},{cm(p)}" for m, c, p in shuffled])
    # As a spreadsheet saves it: a byte-order mark, CR LF, capitalised names
    # and a further column (the position in Mb).
    write(folder, "mouse_excel.csv",
          ["Marker,Chr,Pos,Mb"] + [f"{m},{c},{cm(p)},{3 + p * 0.019:.3f}" for m, c, p in mouse],
          bom=True, crlf=True)

    write(folder, "human_gmap.csv",
          gmap_lines("Genetic map of a human linkage screen, 22 autosomes (cM)", human))
    write(folder, "human.map", plink_lines(human, 10000, 1000000))
    write(folder, "human_three_columns_header.tsv",
          ["marker\tchr\tpos"] + [f"{m}\t{c}\t{cm(p)}" for m, c, p in human])
    print(f"{len(mouse)} mouse and {len(human)} human markers written to {folder}")


if __name__ == "__main__":
    main()
