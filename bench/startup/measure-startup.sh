#!/usr/bin/env bash
# Start-up time and peak memory, measured two ways, under a private Xvfb with a private
# settings store:
#  - in-process probe (RUNS starts, default 5): from process start to the window's picture and
#    outlines painted and the event loop idle, as the program itself reports it with
#    QUORVEL_STARTUP_PROBE set; peak memory from /usr/bin/time;
#  - from outside (OUTSIDE_RUNS starts, default 20), as a person sees it (quorvel_startwatch):
#    from launching the program to the last paint of its window ("painted": the window shown
#    with the picture's visible part and the outlines), and to the process then using no CPU
#    for half a second ("idle", which includes work left to threads, such as decoding the rest
#    of a large picture). Reported: median, fastest and slowest of each, the median CPU seconds
#    spent (user, system), and the painted median over that of the 1-megapixel plan.
#   bench/startup/measure-startup.sh [BUILD_DIR]     (default build/dev)
# Plans: the empty window (no map, no picture: the floor), the sample in examples/, 1001 hot
# spots over a 1000 by 1000 JPEG, over a 6000 by 4000 JPEG and over a 10000 by 10000 JPEG, and
# that last one with Fit Picture (Ctrl+0) pressed as soon as the window is mapped.
#   PROGRAM=path/to/quorvel   measure another build (named quorvel: the settings store is named
#                             after the executable);
#   COMPARE=path/to/quorvel   also measure this build, each run taken right after the other's,
#                             so that both see the same load (for before-and-after tables);
#   PRIORITY=rt               run the X server and the program under real-time scheduling
#                             (SCHED_FIFO, as root), so that other work on the machine does not
#                             get in; PRIORITY=-15 and the like set a nice value instead.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/dev}
program=${PROGRAM:-$build/src/app/quorvel}
maker=$build/tools/makesample/quorvel_makesample
scaler=$build/bench/startup/quorvel_scalepicture
watch=$build/bench/startup/quorvel_startwatch
programs=("$program")
[ -z "${COMPARE:-}" ] || programs+=("$COMPARE")
if [ "${PRIORITY:-}" = rt ]; then nice=(chrt -f 10); else nice=(nice -n "${PRIORITY:-0}"); fi
runs=${RUNS:-5}
outsideRuns=${OUTSIDE_RUNS:-20}
for tool in "${programs[@]}" "$maker" "$scaler" "$watch"; do
    [ -x "$tool" ] || { echo "build first: cmake --build --preset dev ($tool)" >&2; exit 2; }
done

work=$(mktemp -d)
# The server picks a free display itself: another run choosing the same number at the same time
# would end up sharing, and then ending, this one's server. It never resets: a start that
# connects while it resets after the last client left would find no server.
"${nice[@]}" Xvfb -displayfd 5 -noreset -screen 0 1920x1080x24 -nolisten tcp 5>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

QT_QPA_PLATFORM=offscreen "$maker" --large "$work/large.jpg" "$work/large.map" 2>/dev/null
QT_QPA_PLATFORM=offscreen "$scaler" "$work/large.jpg" "$work/huge.jpg" 10000 10000 2>/dev/null
QT_QPA_PLATFORM=offscreen "$scaler" "$work/large.jpg" "$work/small.jpg" 1000 1000 2>/dev/null
cp examples/siteplan.map "$work/sample.map"

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }

# A fresh home with the settings store restoring MAP and PICTURE.
seed() { # home map picture
    mkdir -p "$1/.config/quorvel"
    printf '[Settings]\nCoordFile=%s\nBGPicture=%s\n' "$2" "$3" >"$1/.config/quorvel/quorvel.conf"
}

probe() { # name map picture
    local name=$1 map=$2 picture=$3 p
    for p in "${!programs[@]}"; do
        : >"$work/probe-$p.txt"
    done
    for i in $(seq "$runs"); do
        for p in "${!programs[@]}"; do
            local home=$work/home-$name-$p-$i start idle
            seed "$home" "$map" "$picture"
            start=$(date +%s.%N)
            HOME=$home XDG_CONFIG_HOME=$home/.config QUORVEL_STARTUP_PROBE=1 "${nice[@]}" \
                /usr/bin/time -f 'peak-kb %M' -o "$home/time.txt" "${programs[$p]}" \
                2>"$home/err.txt"
            idle=$(awk '/^quorvel-idle/ {print $2}' "$home/err.txt")
            [ -n "$idle" ] || { echo "no idle report:" >&2; cat "$home/err.txt" >&2; exit 1; }
            printf '%s %s\n' "$(awk -v a="$idle" -v b="$start" 'BEGIN {printf "%.3f", a - b}')" \
                "$(awk '/^peak-kb/ {print $2 / 1024}' "$home/time.txt")" >>"$work/probe-$p.txt"
        done
    done
    for p in "${!programs[@]}"; do
        printf '%-28s probe:   median %s s (runs: %s)  peak memory median %s MiB  [%s]\n' "$name" \
            "$(awk '{print $1}' "$work/probe-$p.txt" | median)" \
            "$(awk '{printf "%s ", $1}' "$work/probe-$p.txt")" \
            "$(awk '{print $2}' "$work/probe-$p.txt" | median)" "${programs[$p]}"
    done
}

outside() { # name map picture [keys]
    local name=$1 map=$2 picture=$3 keys=${4:-} p
    for p in "${!programs[@]}"; do
        : >"$work/outside-$p.txt"
    done
    for i in $(seq "$outsideRuns"); do
        for p in "${!programs[@]}"; do
            local home=$work/home-$name-out-$p-$i
            seed "$home" "$map" "$picture"
            HOME=$home XDG_CONFIG_HOME=$home/.config "${nice[@]}" "$watch" ${keys:+--key "$keys"} \
                -- "${programs[$p]}" >>"$work/outside-$p.txt" 2>"$home/err.txt" ||
                { cat "$home/err.txt" >&2; tail -5 "$work/xvfb.log" >&2; exit 1; }
        done
    done
    # Lines read: startup S mapped S painted S user S sys S minflt N majflt N peak-kb N
    for p in "${!programs[@]}"; do
        local lines=$work/outside-$p.txt painted idle m
        painted=$(awk '{print $6}' "$lines")
        idle=$(awk '{print $2}' "$lines")
        m=$(median <<<"$painted")
        [ "$name" != "1001 hot spots, 1000x1000" ] || echo "$m" >"$work/small-$p.txt"
        printf '%-30s outside: painted median %s s (%s-%s)%s; idle median %s s (%s-%s); CPU median user %s s, sys %s s; peak memory median %s MiB  [%s]\n' \
            "$name" "$m" "$(sort -n <<<"$painted" | head -1)" "$(sort -n <<<"$painted" | tail -1)" \
            "$([ -s "$work/small-$p.txt" ] && awk -v a="$m" -v b="$(cat "$work/small-$p.txt")" \
                'BEGIN {printf ", %.2f x the 1-MP plan", a / b}')" \
            "$(median <<<"$idle")" "$(sort -n <<<"$idle" | head -1)" "$(sort -n <<<"$idle" | tail -1)" \
            "$(awk '{print $8}' "$lines" | median)" "$(awk '{print $10}' "$lines" | median)" \
            "$(awk '{print $16 / 1024}' "$lines" | median)" "${programs[$p]}"
        [ -z "${VERBOSE:-}" ] || sort -n -k6 "$lines"
    done
}

[ -n "${SKIP_PROBE:-}" ] || {
    probe "sample (examples/)" "$work/sample.map" "$PWD/examples/siteplan.jpg"
    probe "1001 hot spots, 6000x4000" "$work/large.map" "$work/large.jpg"
    probe "1001 hot spots, 10000x10000" "$work/large.map" "$work/huge.jpg"
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Files that are not there, in a folder that is: forgotten silently, the window opens empty.
outside "empty window" "$work/none.map" "$work/none.jpg"
outside "1001 hot spots, 1000x1000" "$work/large.map" "$work/small.jpg"
outside "1001 hot spots, 6000x4000" "$work/large.map" "$work/large.jpg"
outside "1001 hot spots, 10000x10000" "$work/large.map" "$work/huge.jpg"
outside "10000x10000, Fit at once" "$work/large.map" "$work/huge.jpg" ctrl+0
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
