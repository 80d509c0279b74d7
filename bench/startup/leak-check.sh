#!/usr/bin/env bash
# Runs the sanitizer build of the editor with LeakSanitizer on a 1001-hot-spot map over a
# 6000 by 4000 (24-megapixel) picture until it is idle, and reports leaks and peak memory.
#   bench/startup/leak-check.sh [ASAN_BUILD_DIR] [PLAIN_BUILD_DIR]  (default build/asan build/dev)
# Peak memory is taken from the plain build (sanitizers inflate it); the budget is 1.5 times the
# decoded picture's bytes plus 60 MB.
set -euo pipefail
cd "$(dirname "$0")/../.."
asan=${1:-build/asan}
plain=${2:-build/dev}
work=$(mktemp -d)
for d in $(seq 181 220); do [ -e /tmp/.X$d-lock ] || break; done
Xvfb :$d -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=:$d
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

QT_QPA_PLATFORM=offscreen "$plain/tools/makesample/quorvel_makesample" --large \
    "$work/large.jpg" "$work/large.map" 2>/dev/null
mkdir -p "$work/config/quorvel"
printf '[Settings]\nCoordFile=%s\nBGPicture=%s\n' "$work/large.map" "$work/large.jpg" \
    >"$work/config/quorvel/quorvel.conf"

run() { # program, extra env...
    local program=$1
    shift
    env HOME="$work" XDG_CONFIG_HOME="$work/config" QUORVEL_STARTUP_PROBE=1 "$@" \
        /usr/bin/time -f 'peak-kb %M' -o "$work/time.txt" "$program" 2>"$work/err.txt" || true
}

run "$asan/src/app/quorvel" ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS="suppressions=$PWD/bench/startup/lsan.supp:print_suppressions=0"
if grep -q 'ERROR: LeakSanitizer' "$work/err.txt"; then
    echo "leaks found:"
    cat "$work/err.txt"
    exit 1
fi
grep -q '^quorvel-idle' "$work/err.txt" || { echo "the program did not reach idle:"; cat "$work/err.txt"; exit 1; }
echo "LeakSanitizer: no leaks (1001 hot spots over a 6000x4000 picture)"

run "$plain/src/app/quorvel"
peak=$(awk '/^peak-kb/ {printf "%.1f", $2 / 1024}' "$work/time.txt")
budget=$(awk 'BEGIN {printf "%.1f", 1.5 * 6000 * 4000 * 4 / 1048576 + 60}')
echo "peak memory ${peak} MiB (budget ${budget} MiB)"
awk -v p="$peak" -v b="$budget" 'BEGIN {exit !(p < b)}'
