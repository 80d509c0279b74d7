#!/usr/bin/env bash
# Start-up time (process start to the window shown with its picture and outlines painted and
# the program idle) and peak memory, five runs each, medians.
#   bench/startup/measure-startup.sh [BUILD_DIR]     (default build/dev)
# Measures the sample in examples/ and a 1001-hot-spot map over a 6000 by 4000 JPEG, under a
# private Xvfb and a private settings store.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/dev}
program=$build/src/app/quorvel
maker=$build/tools/makesample/quorvel_makesample
runs=${RUNS:-5}
[ -x "$program" ] && [ -x "$maker" ] || { echo "build first: cmake --build --preset dev" >&2; exit 2; }

work=$(mktemp -d)
for d in $(seq 140 180); do [ -e /tmp/.X$d-lock ] || break; done
Xvfb :$d -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=:$d
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

QT_QPA_PLATFORM=offscreen "$maker" --large "$work/large.jpg" "$work/large.map" 2>/dev/null
cp examples/siteplan.map "$work/sample.map"

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }

measure() { # name map picture
    local name=$1 map=$2 picture=$3 times=() peaks=()
    for i in $(seq "$runs"); do
        local home=$work/home-$name-$i
        mkdir -p "$home/.config/quorvel"
        printf '[Settings]\nCoordFile=%s\nBGPicture=%s\n' "$map" "$picture" \
            >"$home/.config/quorvel/quorvel.conf"
        local start idle
        start=$(date +%s.%N)
        HOME=$home XDG_CONFIG_HOME=$home/.config QUORVEL_STARTUP_PROBE=1 \
            /usr/bin/time -f 'peak-kb %M' -o "$home/time.txt" "$program" 2>"$home/err.txt"
        idle=$(awk '/^quorvel-idle/ {print $2}' "$home/err.txt")
        [ -n "$idle" ] || { echo "no idle report:" >&2; cat "$home/err.txt" >&2; exit 1; }
        times+=("$(awk -v a="$idle" -v b="$start" 'BEGIN {printf "%.3f", a - b}')")
        peaks+=("$(awk '/^peak-kb/ {print $2 / 1024}' "$home/time.txt")")
    done
    printf '%-30s start-up median %s s (runs: %s)   peak memory median %s MiB\n' "$name" \
        "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%.3f ' "${times[@]}")" \
        "$(printf '%s\n' "${peaks[@]}" | median)"
}

measure "sample (examples/)" "$work/sample.map" "$PWD/examples/siteplan.jpg"
measure "1001 hot spots, 6000x4000" "$work/large.map" "$work/large.jpg"
