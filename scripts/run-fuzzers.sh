#!/usr/bin/env bash
# Runs every fuzz target in a fuzz build for the given number of seconds,
# starting from its seed corpus in fuzz/corpus/<target> when there is one.
set -uo pipefail
dir=$(cd "${1:?build directory}" && pwd) seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
shopt -s nullglob
for target in "$dir"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    work=$(mktemp -d)
    seeds=()
    [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
    if (cd "$work" && "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
            -print_final_stats=0 "$work" "${seeds[@]}") >"$work/log" 2>&1; then
        echo "fuzz ok $name"
    else
        echo "fuzz FAILED $name"
        tail -n 40 "$work/log"
        status=1
    fi
    rm -rf "$work"
done
exit $status
