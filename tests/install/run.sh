#!/usr/bin/env bash
# Installs a lodthresh build into a fresh prefix and checks what lands there:
# the program (which must run), its manual page, the numerics and threshold
# libraries with their headers, and a CMake package that a small program of
# another project finds with find_package(lodthresh), builds against and runs.
#
# Usage: run.sh CMAKE BUILD_DIR CONSUMER_SOURCE_DIR CXX_COMPILER BUILD_TYPE
#               CXX_FLAGS EXE_LINKER_FLAGS BINDIR LIBDIR INCLUDEDIR MANDIR CMAKEDIR
# (the directories relative to the prefix, as the build's install rules use them)
set -euo pipefail

cmake=$1 build=$2 consumer=$3 compiler=$4 build_type=$5 cxx_flags=$6 linker_flags=$7
bindir=$8 libdir=$9 includedir=${10} mandir=${11} cmakedir=${12}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/lodthresh-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# Runs a command quietly; shows its output only when it fails.
quietly() {
  if ! "$@" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    fail "$*"
  fi
}

echo "-- install into $prefix"
quietly "$cmake" --install "$build" --prefix "$prefix"

echo "-- installed files"
[ -x "$prefix/$bindir/lodthresh" ] || fail "no program $bindir/lodthresh"
cmp -s "$prefix/$mandir/man1/lodthresh.1" "$source_dir/man/lodthresh.1" ||
  fail "no manual page $mandir/man1/lodthresh.1, or not the one of the sources"
cmp -s "$prefix/$includedir/numerics/numerics.h" "$source_dir/numerics/numerics.h" ||
  fail "no header $includedir/numerics/numerics.h"
for header in threshold/threshold.h threshold/design.h threshold/genetic_map.h \
  simulation/null_scan.h; do
  cmp -s "$prefix/$includedir/$header" "$source_dir/$header" || fail "no header $includedir/$header"
done
for library in liblodthresh_numerics.a liblodthresh_threshold.a liblodthresh_simulation.a; do
  [ -f "$prefix/$libdir/$library" ] || fail "no library $libdir/$library"
done
for file in lodthreshConfig.cmake lodthreshConfigVersion.cmake lodthreshTargets.cmake; do
  [ -f "$prefix/$cmakedir/$file" ] || fail "no package file $cmakedir/$file"
done
if find "$prefix" -name '*console*' | grep -q .; then
  fail "the console library is installed: $(find "$prefix" -name '*console*')"
fi

echo "-- the installed program runs"
mkdir "$work/run"
(cd "$work/run" && printf '\n\n\n\n\n\ne\n' | "$prefix/$bindir/lodthresh" >console) ||
  fail "the installed program ends with status $?"
grep -q $'^Nominal alpha\t\t\t= 0.0000225194$' "$work/run/console" ||
  fail "the installed program does not show the results of the defaults"
[ ! -e "$work/run/veskLOD.res" ] || fail "the installed program saved without being asked to"

# Rendering needs groff, which the build does not: checked where it is there.
if command -v groff >/dev/null; then
  echo "-- the manual page renders without warnings"
  warnings=$(groff -t -man -Tutf8 -ww -z "$prefix/$mandir/man1/lodthresh.1" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
else
  echo "-- groff not found: the rendering of the manual page is not checked"
fi

echo "-- a consumer finds the package and builds against it"
quietly "$cmake" -S "$consumer" -B "$work/consumer" \
  -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
  -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
  -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_BUILD_TYPE="$build_type" \
  -DCMAKE_CXX_FLAGS="$cxx_flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$linker_flags"
found=$(cat "$work/consumer/lodthresh_config.txt")
[ "$found" = "$prefix/$cmakedir/lodthreshConfig.cmake" ] ||
  fail "the package was found as '$found', not in the prefix"
quietly "$cmake" --build "$work/consumer"

echo "-- the consumer runs"
expected='normv(0.975) = 1.959964
chisqv(0.95, 1) = 3.841459
nominal alpha = 0.0000225194
LOD for infinitely dense map = 3.614692
LOD for 1cM map = 3.361664
level 0: precision not reached
backcross, 10 cM: LOD 2.7479
simulated: done, 1000 replicates'
output=$("$work/consumer/consumer") || fail "the consumer ends with status $?"
if [ "$output" != "$expected" ]; then
  printf 'expected:\n%s\nbut the consumer printed:\n%s\n' "$expected" "$output" >&2
  fail "the consumer's output"
fi
echo "install test passed"
