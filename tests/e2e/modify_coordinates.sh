#!/usr/bin/env bash
# A Shift+right click is no corner, so the plain click after it asks for no name; Ctrl+click on
# a hot spot edits its coordinate list, which Ctrl+S then saves.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
e2e_make_picture "$picture"
e2e_write_map "$map" 'A1' '50,50,250,50,250,200,50,200'
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

e2e_start
e2e_log "Shift+right click, then a plain left click"
xdotool keydown shift
e2e_click 3 450 300
xdotool keyup shift
e2e_click 1 500 320
e2e_expect_no_window 'Make Hot Spot' 2

e2e_log "Ctrl+click on the hot spot"
xdotool keydown ctrl
e2e_click 1 150 125
xdotool keyup ctrl
e2e_wait_window 'Modify Coordinates'
e2e_focus "$e2e_found"
xdotool key ctrl+a
e2e_answer_input 'Modify Coordinates' '60,60,240,60,150,190'
e2e_save "$map"
e2e_exit_by_menu

e2e_write_map "$E2E_WORK/expected.map" 'A1' '60,60,240,60,150,190'
e2e_expect_file "$map" "$E2E_WORK/expected.map" "the saved map file"
e2e_log "passed"
