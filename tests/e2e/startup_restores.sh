#!/usr/bin/env bash
# Starts on a remembered picture and map: the hot spot's outline must show on the picture,
# and closing the window without edits must neither ask a question nor touch the map file.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
e2e_make_picture "$picture"
e2e_write_map "$map" 'Lot 3' '100,100,300,100,300,250,100,250'
cp "$map" "$E2E_WORK/seeded.map"
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

e2e_start
title=$(xdotool getwindowname "$e2e_wid")
[ "$title" = "$E2E_TITLE" ] || e2e_fail "the main window's title is \"$title\""

shot=$E2E_WORK/shot.xwd
e2e_shot "$shot"
# Each edge of the polygon, near its middle: the outline may be a few pixels wide, and
# may lie on either side of the exact edge.
for edge in '195 97 10 7' '195 247 10 7' '97 170 7 10' '297 170 7 10'; do
    read -r x y w h <<<"$edge"
    count=$(e2e_count_colour "$shot" "$E2E_GREEN" "$x" "$y" "$w" "$h")
    [ "$count" -gt 0 ] ||
        e2e_fail "no outline pixel ($E2E_GREEN) in the ${w}x$h area at picture pixel ($x, $y)"
done
for area in '150 140 100 70' '400 120 150 200' '20 300 60 80'; do
    read -r x y w h <<<"$area"
    count=$(e2e_count_colour "$shot" "$E2E_GREEN" "$x" "$y" "$w" "$h")
    [ "$count" -eq 0 ] || e2e_fail "$count outline pixels ($E2E_GREEN) in the ${w}x$h area" \
        "at picture pixel ($x, $y), away from the outline"
done

e2e_exit_by_close_box
e2e_expect_file "$map" "$E2E_WORK/seeded.map" "the map file after a run without edits"
e2e_expect_setting CoordFile "$map"
e2e_expect_setting BGPicture "$picture"
e2e_log "passed"
