#!/usr/bin/env bash
# Makes a hot spot, kills the program with SIGKILL before it is saved, starts it again and
# takes the offered changes back (Return: Yes is the default), then saves: the map file must
# hold the hot spot, and no recovery copy may be left once the program has ended.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

picture=$E2E_WORK/pic.bmp
map=$E2E_WORK/site.map
recovery=$HOME/.local/share/quorvel/recovery
e2e_make_picture "$picture"
e2e_write_map "$map"
cp "$map" "$E2E_WORK/empty.map"
e2e_seed_settings "CoordFile=$map" "BGPicture=$picture"

e2e_start
e2e_outline 100 80 300 80 300 240 100 240
e2e_answer_input 'Make Hot Spot' 'Lot 7'

e2e_log "waiting for the recovery copy"
for _ in $(seq 100); do
    compgen -G "$recovery/*.map" >/dev/null && break
    sleep 0.1
done
compgen -G "$recovery/*.map" >/dev/null ||
    e2e_fail "no recovery copy in $recovery within 10 s of the change"
grep -q 'ID="Lot 7"' "$recovery"/*.map || e2e_fail "the recovery copy does not hold Lot 7"

e2e_log "killing the program"
kill -9 "$e2e_pid"
wait "$e2e_pid" 2>/dev/null || true
e2e_pid=
e2e_expect_file "$map" "$E2E_WORK/empty.map" "the map file after the kill"

e2e_start
e2e_answer_box 'Recover?' Return
e2e_save "$map"
e2e_exit_by_close_box

e2e_write_map "$E2E_WORK/expected.map" 'Lot 7' '100,80,300,80,300,240,100,240'
e2e_expect_file "$map" "$E2E_WORK/expected.map" "the saved map file"
leftover=$(find "$recovery" -type f 2>/dev/null)
[ -z "$leftover" ] || e2e_fail "files left in the recovery folder: $leftover"
e2e_log "passed"
