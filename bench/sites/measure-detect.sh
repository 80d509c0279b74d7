#!/usr/bin/env bash
# Tools > Detect Sites, measured from outside the program as a person sees it, under a private
# Xvfb with a fresh settings store for each start: from Ctrl+Shift+D sent to the "Detect Sites"
# window mapped, to its list showing rows (the proposals listed), and to its Add Checked Sites
# button showing enabled (every name read, as the window enables it only then); then the
# editor's peak memory (VmHWM, its whole life) against the picture's bytes plus 300 MB, and its
# reader's. Each is read from the window's pixels at each paint the X server reports (DAMAGE),
# so the program is not asked anything. With ADD=1, Return then adds the checked sites and the
# time to the window closed and the plan repainted follows.
#   bench/sites/measure-detect.sh [BUILD_DIR]     (default build/dev)
# Plans: 1,001 lots drawn by planmaker over 6000 x 4000 and 10000 x 10000 pixels (JPEG).
#   RUNS=N      starts per plan (default 3)
#   SIZES=...   plans to measure (default "6000x4000 10000x10000")
#   VERBOSE=1   every run's line
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/dev}
# shellcheck source=bench/trace/outside.sh
source bench/trace/outside.sh
runs=${RUNS:-3}

measure() { # SIZE
    local picture lines=$work/detect-$1.txt
    picture=$(plan "$1")
    : >"$lines"
    echo "$1: load average before $(load)"
    for run in $(seq "$runs"); do
        start "$1-$run" "$picture"
        "$uiwatch" detect "$window" ${ADD:+--add} >>"$lines"
        stop
        [ -z "${VERBOSE:-}" ] || tail -1 "$lines"
    done
    echo "$1: load average after $(load)"
    # Lines: mapped S listed S named S hwm-kb N before-hwm-kb N before-rss-kb N reader-hwm-kb N
    #        [closed S repainted S]
    local w=${1%x*} h=${1#*x}
    printf '%-12s window mapped %s s; proposals listed %s s; every name read %s s\n' "$1" \
        "$(awk '{print $2}' "$lines" | summary)" "$(awk '{print $4}' "$lines" | summary)" \
        "$(awk '{print $6}' "$lines" | summary)"
    printf '%-12s peak memory %s MiB (before Ctrl+Shift+D: %s MiB; picture %s MiB, + 300 MB = %s MiB); reader %s MiB\n' \
        "$1" "$(awk '{print $8 / 1024}' "$lines" | summary)" \
        "$(awk '{print $10 / 1024}' "$lines" | summary)" \
        "$(awk -v w="$w" -v h="$h" 'BEGIN {printf "%.0f", w * h * 4 / 1048576}')" \
        "$(awk -v w="$w" -v h="$h" 'BEGIN {printf "%.0f", (w * h * 4 + 3e8) / 1048576}')" \
        "$(awk '{print $14 / 1024}' "$lines" | summary)"
    [ -z "${ADD:-}" ] || printf '%-12s Return to window closed %s s; to the plan repainted %s s\n' \
        "$1" "$(awk '{print $16}' "$lines" | summary)" "$(awk '{print $18}' "$lines" | summary)"
}

for size in ${SIZES:-6000x4000 10000x10000}; do
    measure "$size"
done
