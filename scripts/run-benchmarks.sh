#!/usr/bin/env bash
# Runs every benchmark program of a benchmark build. Each prints one line per
# figure: what was measured, our number, the peer's number, and the ratio.
set -uo pipefail
dir=${1:?build directory}
shopt -s nullglob
found=0
for bench in "$dir"/bench/bench_*; do
    [ -x "$bench" ] || continue
    found=1
    echo "== $(basename "$bench")"
    "$bench" || exit 1
done
[ "$found" = 1 ] || echo "No benchmarks are built yet."
