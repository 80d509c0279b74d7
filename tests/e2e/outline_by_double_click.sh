#!/usr/bin/env bash
# Double-clicks inside a lot of a plan drawn on the colour the harness finds the picture by, takes the number the name box offers with Return
# and saves: the map must hold the lot's outline along its boundary line, under its number.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/plan.png
map=$E2E_WORK/site.map
convert -size 600x400 "xc:$E2E_MAGENTA" -fill white -stroke black -strokewidth 3 \
    -draw 'rectangle 100,80 300,240' -stroke none -fill black -font DejaVu-Sans -pointsize 40 \
    -draw "text 188,178 '7'" "$picture" || e2e_fail "could not draw the plan $picture"
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"
e2e_start

e2e_log "double-clicking inside the lot"
e2e_move 130 110
sleep 0.05
xdotool click --repeat 2 --delay 60 1
e2e_wait_window 'Make Hot Spot'
e2e_focus "$e2e_found"
xdotool key Return
e2e_wait_no_window 'Make Hot Spot'
e2e_focus "$e2e_wid"
e2e_save "$map"
e2e_exit_by_close_box

grep -q 'ID="7"' "$map" || e2e_fail "the lot's number was not taken: $(cat "$map")"
coords=$(sed -n 's/.*COORDS="\([^"]*\)".*/\1/p' "$map")
# The four corners, each within 2 pixels of the line's centre, in any order.
awk -v list="$coords" 'BEGIN {
    n = split(list, v, ","); if (n != 8) exit 1
    split("100,80 300,80 300,240 100,240", want, " ")
    for (w in want) {
        split(want[w], p, ","); found = 0
        for (i = 1; i < n; i += 2)
            if ((v[i] - p[1]) ^ 2 <= 4 && (v[i + 1] - p[2]) ^ 2 <= 4) found = 1
        if (!found) exit 1
    }
}' || e2e_fail "the traced outline $coords is not the lot's"
e2e_log "passed"
