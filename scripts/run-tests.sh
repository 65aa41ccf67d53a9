#!/usr/bin/env bash
# The whole test run: every suite, then the same suites built with the address
# and undefined-behaviour sanitizers, then each fuzz target for a few seconds.
# Ends with the summary of both test runs.
# Between the first run and the sanitizer build: the style gate.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-5}
LOGS=$(mktemp -d)
trap 'rm -rf "$LOGS"' EXIT

run_suites() {  # name build-dir cmake-args...
    local name=$1 dir=$2
    shift 2
    echo "== $name: configure and build"
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
    echo "== $name: run"
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 600) | tee "$LOGS/$name.log"
}

status=0
run_suites tests build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BENCH=ON || status=1
echo "== style"
style=ok
scripts/check-style.sh build || { status=1; style=FAILED; }
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    run_suites sanitized build-asan -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON || status=1

echo "== fuzz targets, ${FUZZ_SECONDS}s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$JOBS"
fuzz_passed=0 fuzz_failed=0
if scripts/run-fuzzers.sh build-fuzz "$FUZZ_SECONDS" >"$LOGS/fuzz.log" 2>&1; then :; else status=1; fi
fuzz_passed=$(grep -c '^fuzz ok ' "$LOGS/fuzz.log" || true)
fuzz_failed=$(grep -c '^fuzz FAILED ' "$LOGS/fuzz.log" || true)
grep '^fuzz ' "$LOGS/fuzz.log" || true
if [ "$fuzz_failed" != 0 ]; then tail -n 60 "$LOGS/fuzz.log"; fi

count() {  # log: prints "passed failed" from ctest's summary line
    local line total failed
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1 || true)
    if [ -z "$line" ]; then echo "0 1"; return; fi
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    echo "$((total - failed)) $failed"
}
read -r p1 f1 < <(count "$LOGS/tests.log")
read -r p2 f2 < <(count "$LOGS/sanitized.log")
echo
echo "Tests:            $(grep -E 'tests passed' "$LOGS/tests.log" | tail -n1 || echo 'no summary')"
echo "Sanitizer build:  $(grep -E 'tests passed' "$LOGS/sanitized.log" | tail -n1 || echo 'no summary')"
echo "Fuzz targets:     $fuzz_passed ran clean, $fuzz_failed failed"
echo "Style:            $style"
passed=$((p1 + p2 + fuzz_passed))
failed=$((f1 + f2 + fuzz_failed))
[ "$failed" = 0 ] || status=1
echo "$passed passed, $failed failed"
exit $status
