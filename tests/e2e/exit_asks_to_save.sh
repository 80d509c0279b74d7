#!/usr/bin/env bash
# Makes two hot spots, the second first named after the first (refused, asked again), then
# exits through the File menu without saving: the unsaved-changes question comes up, and OK
# saves to the remembered map file before the program ends and stores its path again.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
e2e_make_picture "$picture"
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

e2e_start
e2e_outline 50 50 250 50 250 200 50 200
e2e_answer_input 'Make Hot Spot' 'A1'
e2e_outline 320 60 560 60 560 300 320 300
e2e_answer_input 'Make Hot Spot' 'A1'
e2e_answer_box 'QuorvelImap' Return
e2e_answer_input 'Make Hot Spot' 'B2'
[ ! -e "$map" ] || e2e_fail "the map file was written before any save"

e2e_open_file_menu
e2e_log "choosing Exit"
xdotool key x
e2e_answer_box 'Save?' Return last
e2e_wait_exit

e2e_write_map "$E2E_WORK/expected.map" 'A1' '50,50,250,50,250,200,50,200' \
    'B2' '320,60,560,60,560,300,320,300'
e2e_expect_file "$map" "$E2E_WORK/expected.map" "the map file saved on the way out"
e2e_expect_setting CoordFile "$map"
e2e_expect_setting BGPicture "$picture"
e2e_expect_setting numLinesInCoordFile 2
e2e_log "passed"
