#!/usr/bin/env bash
# Screenshots of the real program under a private Xvfb, on the 1,001-lot 6000 x 4000 plan:
#   name-box.png        a lot double-clicked, its outline traced and the name box open with
#                       the number read (selected);
#   detect-sites.png    Tools > Detect Sites with every name read: the list filled and the
#                       proposals drawn dashed on the plan;
#   after-add.png       the plan once Return has added the checked sites.
#   bench/trace/screenshots.sh OUT_DIR [BUILD_DIR]     (default build/dev)
# The screen is read window by window (ImageMagick's import): read as one image of the root
# window (xwd -root), this server shows the program's dialogs black where they lie over its
# main window, although the dialogs have painted (name-box-xwd-root.png shows it).
out=$(realpath -m "$1")
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${2:-build/dev}
# shellcheck source=bench/trace/outside.sh
source bench/trace/outside.sh
mkdir -p "$out"
shot() { import -window root "$out/$1"; }

picture=$(plan 6000x4000 --marker)
start box "$picture"
origin=$("$uiwatch" origin "$window")
# Lot 10: a bold number in the first block.
read -r x y < <(awk -v ox="${origin% *}" -v oy="${origin#* }" '$1 == 10 {print $2 + ox, $3 + oy}' \
    "${picture%.jpg}.lots")
"$uiwatch" doubleclick "$window" --keep-last "$x,$y"
sleep 0.5
shot name-box.png
xwd -root -silent | convert xwd:- "$out/name-box-xwd-root.png"
stop

start detect "$(plan 6000x4000)"
"$uiwatch" detect "$window"
sleep 0.5
shot detect-sites.png
xdotool search --name '^Detect Sites$' windowfocus --sync key Return
for _ in $(seq 100); do
    [ -n "$(xdotool search --onlyvisible --name '^Detect Sites$' 2>/dev/null)" ] || break
    sleep 0.1
done
sleep 1
shot after-add.png
stop
ls "$out"
