#!/usr/bin/env bash
# Double-click to name box, measured from outside the program as a person sees it, under a
# private Xvfb with a fresh settings store for each start: from the second click sent to the
# "Make Hot Spot" box mapped, and to its first paint. Each start double-clicks one lot while the
# name reader is not yet running (first use), then CLICKS more lots (after); each box is
# answered with Escape, which leaves the map as it was.
#   bench/trace/measure-doubleclick.sh [BUILD_DIR]     (default build/dev)
# Plans: 1,001 lots drawn by planmaker over 6000 x 4000 and 10000 x 10000 pixels (JPEG).
#   RUNS=N      starts per plan (default 10)
#   CLICKS=N    later double-clicks per start (default 10)
#   VERBOSE=1   every click's line
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/dev}
# shellcheck source=bench/trace/outside.sh
source bench/trace/outside.sh
runs=${RUNS:-10}
clicks=${CLICKS:-10}

measure() { # SIZE
    local picture lots
    picture=$(plan "$1" --marker)
    lots=${picture%.jpg}.lots
    : >"$work/first.txt"
    : >"$work/after.txt"
    echo "$1: load average before $(load)"
    for run in $(seq "$runs"); do
        start "$1-$run" "$picture"
        local origin ox oy points
        origin=$("$uiwatch" origin "$window")
        ox=${origin% *}
        oy=${origin#* }
        # Lots whose click point the view shows at 100 %, a different set each start.
        mapfile -t points < <(awk -v ox="$ox" -v oy="$oy" '$2 + ox < 1560 && $3 + oy < 860 {
            printf "%d,%d\n", $2 + ox, $3 + oy }' "$lots")
        local chosen=()
        for i in $(seq 0 "$clicks"); do
            chosen+=("${points[$(((run * (clicks + 1) + i) % ${#points[@]}))]}")
        done
        "$uiwatch" doubleclick "$window" "${chosen[@]}" >"$work/clicks.txt"
        stop
        [ -z "${VERBOSE:-}" ] || sed "s/^/run $run: /" "$work/clicks.txt"
        grep -q ' title Make Hot Spot$' "$work/clicks.txt" ||
            { echo "no name box opened:" >&2; cat "$work/clicks.txt" >&2; exit 1; }
        head -1 "$work/clicks.txt" >>"$work/first.txt"
        tail -n +2 "$work/clicks.txt" >>"$work/after.txt"
    done
    # Lines: click N mapped MS painted MS black P% title T
    printf '%-12s first use: mapped %s ms; painted %s ms\n' "$1" \
        "$(awk '{print $4}' "$work/first.txt" | summary)" \
        "$(awk '{print $6}' "$work/first.txt" | summary)"
    printf '%-12s after:     mapped %s ms; painted %s ms\n' "$1" \
        "$(awk '{print $4}' "$work/after.txt" | summary)" \
        "$(awk '{print $6}' "$work/after.txt" | summary)"
    printf '%-12s black just after the first paint: %s %%; other boxes: %s\n' "$1" \
        "$(cat "$work/first.txt" "$work/after.txt" | awk '{sub("%", "", $8); print $8}' | summary)" \
        "$(cat "$work/first.txt" "$work/after.txt" | grep -vc ' title Make Hot Spot$' || true)"
    echo "$1: load average after $(load)"
}

measure 6000x4000
measure 10000x10000
