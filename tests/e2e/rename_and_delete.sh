#!/usr/bin/env bash
# Renames one hot spot of a loaded map with a plain click, deletes the other with a right
# click, saves with Ctrl+S and closes the window; the file must hold only the renamed one.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
e2e_make_picture "$picture"
e2e_write_map "$map" 'A1' '50,50,250,50,250,200,50,200' 'B2' '320,50,550,50,550,200,320,200'
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

e2e_start
e2e_click 1 150 125
e2e_answer_input "Modify Hot Spot's Name" 'Lot 9'
e2e_click 3 435 125
e2e_answer_box 'quorvel' y
e2e_save "$map"
e2e_exit_by_close_box

e2e_write_map "$E2E_WORK/expected.map" 'Lot 9' '50,50,250,50,250,200,50,200'
e2e_expect_file "$map" "$E2E_WORK/expected.map" "the saved map file"
e2e_expect_setting CoordFile "$map"
# A deleted hot spot keeps its slot, so the count still covers both.
e2e_expect_setting numLinesInCoordFile 2
e2e_log "passed"
