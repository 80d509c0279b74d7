# shellcheck shell=bash
# Shared steps of the measures taken from outside the editor: a private X server, a fresh
# settings store for each start, the program started and left running once its window is shown
# and it is idle, and the figures summed up. Sourced by measure-doubleclick.sh and
# ../sites/measure-detect.sh, which set $build first.
set -euo pipefail
program=${PROGRAM:-$build/src/app/quorvel}
drawplan=$build/bench/trace/quorvel_drawplan
uiwatch=$build/bench/trace/quorvel_uiwatch
startwatch=$build/bench/startup/quorvel_startwatch
for tool in "$program" "$build/src/app/quorvel-reader" "$drawplan" "$uiwatch" "$startwatch"; do
    [ -x "$tool" ] || { echo "build first: cmake --build --preset dev ($tool)" >&2; exit 2; }
done

work=$(mktemp -d)
# The server picks a free display itself and never resets (see measure-startup.sh).
Xvfb -displayfd 5 -noreset -screen 0 1920x1080x24 -nolisten tcp 5>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
running=
trap '[ -z "$running" ] || kill "$running" 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$work/display")
export DISPLAY
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

# plan SIZE [--marker]: draws the 1,001-lot plan once; its lots' click points go beside it.
plan() {
    local file=$work/plan-$1${2:+-marked}.jpg
    [ -s "$file" ] || QT_QPA_PLATFORM=offscreen "$drawplan" "$1" 1001 "$file" ${2:+"$2"} \
        >"${file%.jpg}.lots" 2>/dev/null
    echo "$file"
}

# shellcheck disable=SC2034  # $pid and $window are for the scripts that source this
# start NAME PICTURE: the program with a fresh settings store showing PICTURE and no map, left
# running once its window is mapped and it has been idle for half a second; sets $pid, $window.
start() {
    local home=$work/home-$1
    mkdir -p "$home/.config/quorvel"
    printf '[Settings]\nCoordFile=%s\nBGPicture=%s\n' "$home/none.map" "$2" \
        >"$home/.config/quorvel/quorvel.conf"
    local line
    # To a file: the program keeps the output it was started with.
    HOME=$home XDG_CONFIG_HOME=$home/.config "$startwatch" --keep -- "$program" \
        >"$home/watch.txt" 2>"$home/err.txt" || { cat "$home/err.txt" >&2; exit 1; }
    line=$(cat "$home/watch.txt")
    pid=$(awk '{for (i = 1; i < NF; ++i) if ($i == "pid") print $(i + 1)}' <<<"$line")
    window=$(awk '{for (i = 1; i < NF; ++i) if ($i == "window") print $(i + 1)}' <<<"$line")
    running=$pid
}

stop() {
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    running=
}

# Figures read one a line on standard input: "median M (P10-P90, MIN-MAX, N runs)".
summary() {
    sort -n | awk '{a[NR] = $1} END {
        if (NR == 0) { print "no runs"; exit }
        m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
        lo = a[int((NR - 1) * 0.1) + 1]; hi = a[NR - int((NR - 1) * 0.1)]
        if (NR < 10) printf "median %.3g (%.3g-%.3g, %d runs)", m, a[1], a[NR], NR
        else printf "median %.3g (10-90 %%: %.3g-%.3g, range %.3g-%.3g, %d runs)", m, lo, hi, a[1], a[NR], NR
    }'
}

load() { cut -d' ' -f1-3 /proc/loadavg; }
