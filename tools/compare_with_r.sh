#!/usr/bin/env bash
# Times 10,000 calculations in lodthresh against the same calculations solved
# one by one in R (tools/r_thresholds.R: uniroot, qnorm, qchisq), side by side
# in one hyperfine run: as a batch through the command line, with the standard
# and the exact method, and piped into the dialogue.
#
#   tools/compare_with_r.sh [BINARY]     (default: build/lodthresh)
#
# The rows are a grid of G (10 lengths) x C (10 counts) x rho (5 rates) x
# alpha (20 levels) at the default precision 1e-8. In the dialogue each row is
# one calculation: the five answers, then Enter at the continue question; the
# last row answers 'e' there instead. Every command writes into a pipe, as a
# script that reads the results would have them. Needs hyperfine and Rscript.
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/lodthresh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk 'BEGIN {
  split("1 2 5 10 20 33 50 75 100 150", G, " ")
  split("1 2 5 10 15 20 23 30 40 50", C, " ")
  split("1 2 2.5 2.67 3.2", rho, " ")
  for (g = 1; g <= 10; g++) for (c = 1; c <= 10; c++) for (r = 1; r <= 5; r++)
    for (a = 1; a <= 20; a++) print G[g], C[c], rho[r], a * 0.005, 1e-8
}' >"$work/rows"

# Keystrokes: Enter at the save question (show only), then per row the five
# values and the continue answer.
awk -v rows="$(wc -l <"$work/rows")" 'BEGIN { print "" }
  { printf "%s\n%s\n%s\n%s\n%s\n%s\n", $1, $2, $3, $4, $5, NR == rows ? "e" : "" }' \
  "$work/rows" >"$work/keys"

# Every calculation must give a result, in lodthresh and in R alike.
check() { [ "$2" -eq 10000 ] || { echo "$1: $2 results, not 10000" >&2; exit 1; }; }
check dialogue "$("$binary" <"$work/keys" | grep -c 'Nominal alpha' || true)"
check batch "$("$binary" --batch "$work/rows" -f tsv | grep -c $'\tok\t' || true)"
check exact "$("$binary" --batch "$work/rows" -f tsv -x | grep -c $'\tok\t' || true)"
check R "$(Rscript tools/r_thresholds.R "$work/rows" 2>/dev/null | wc -l)"

hyperfine --warmup 1 --runs "${RUNS:-10}" --export-markdown "$work/table.md" \
  "'$binary' --batch '$work/rows' -f tsv | cat >/dev/null" \
  "'$binary' --batch '$work/rows' -f tsv --exact | cat >/dev/null" \
  "cat '$work/keys' | '$binary' | cat >/dev/null" \
  "Rscript tools/r_thresholds.R '$work/rows' 2>/dev/null | cat >/dev/null"
sed "s|$work/||g" "$work/table.md"
