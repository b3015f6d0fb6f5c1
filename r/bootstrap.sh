#!/bin/sh
# Lays the C++ libraries of the repository (numerics, distributions, threshold,
# simulation, table) into src/, where R CMD build and R CMD INSTALL find them,
# and writes src/Makevars.in with their objects (configure makes it Makevars). Run from anywhere:
#     sh r/bootstrap.sh && R CMD build r && R CMD INSTALL lodthresh_*.tar.gz
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
# R CMD build leaves out every directory whose name ends in "old", as
# threshold does: its copy is threshold_src, and the copies' includes say so.
libraries="numerics distributions threshold simulation table"
objects=""
for library in $libraries; do
    copy=$library
    [ "$library" = threshold ] && copy=threshold_src
    rm -rf "$here/src/$copy"
    mkdir -p "$here/src/$copy"
    for file in "$root/$library"/*.h "$root/$library"/*.cpp; do
        sed 's|^\([[:space:]]*#[[:space:]]*include[[:space:]]*"\)threshold/|\1threshold_src/|' \
            "$file" > "$here/src/$copy/$(basename "$file")"
    done
    for source in "$root/$library"/*.cpp; do
        objects="$objects $copy/$(basename "$source" .cpp).o"
    done
done
{
    echo "# Written by bootstrap.sh: the libraries' objects and the package's own;"
    echo "# configure puts -ffp-contract=off for @FP_CONTRACT@ where the compiler takes it."
    echo "CXX_STD = CXX17"
    echo "# The doubles of the formulas in their written order, as the command line"
    echo "# computes them: no fused multiply-add contraction, which would round a*b+c once."
    echo "PKG_CXXFLAGS = @FP_CONTRACT@"
    echo "PKG_CPPFLAGS = -I."
    echo "PKG_LIBS = -pthread"
    printf 'OBJECTS =%s binding.o cpp11.o\n' "$objects"
} > "$here/src/Makevars.in"
rm -f "$here/src/Makevars"
