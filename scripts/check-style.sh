#!/usr/bin/env bash
# Style gate of the test run: every C++ file formatted by the repository's
# .clang-format, and clang-tidy's check for dropped results over the core
# libraries (the compiler already refuses a dropped [[nodiscard]] status).
# Usage: check-style.sh BUILD_DIR (a configured build with compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0

unformatted=$(git ls-files '*.cpp' '*.h' | while read -r f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$unformatted" ]; then
    echo "style: these files differ from .clang-format (run 'make format'):"
    echo "$unformatted" | sed 's/^/  /'
    status=1
else
    echo "style: formatting ok"
fi

core=$(git ls-files 'platform/*.cpp' 'texts/*.cpp' 'settings/*.cpp' 'store/*.cpp' 'cabinet/*.cpp' \
    'addressbook/*.cpp' 'packet/*.cpp' 'import/*.cpp' 'connection/*.cpp' 'commands/*.cpp' 'app/*.cpp')
if ! out=$(run-clang-tidy -quiet -p "$build" -j "${JOBS:-$(nproc)}" \
        -config="{Checks: '-*,bugprone-unused-return-value', WarningsAsErrors: '*'}" $core 2>&1); then
    echo "$out" | grep -E 'warning|error' | head -40
    echo "style: clang-tidy found dropped results"
    status=1
else
    echo "style: clang-tidy ok ($(echo "$core" | wc -w) files)"
fi
exit $status
