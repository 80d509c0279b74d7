#!/usr/bin/env bash
# Outlines a new hot spot with Shift+clicks, names it, saves with Ctrl+S and closes the window;
# the map file and the settings must hold exactly what was made.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
e2e_make_picture "$picture"
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

# The remembered map file does not exist yet: start-up stays silent and keeps its path as the
# current map file, so Ctrl+S writes there without a dialog.
e2e_start

e2e_outline 100 80 300 80 300 240 100 240
e2e_answer_input 'Make Hot Spot' 'Lot 7'
e2e_save "$map"
e2e_exit_by_close_box

e2e_write_map "$E2E_WORK/expected.map" 'Lot 7' '100,80,300,80,300,240,100,240'
e2e_expect_file "$map" "$E2E_WORK/expected.map" "the saved map file"
e2e_expect_setting CoordFile "$map"
e2e_expect_setting BGPicture "$picture"
e2e_expect_setting numLinesInCoordFile 1
e2e_log "passed"
