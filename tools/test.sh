#!/usr/bin/env bash
# Installs what is missing, builds the program twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds, after checking that
# the sources are formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
echo "== formatting =="
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
echo "formatting: clean"
for preset in dev asan; do
    echo "== $preset build =="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
