#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor on the sample site plan and map in
# examples/, with a settings store of its own under build/ (your own settings are not touched).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
demo=$PWD/build/demo
# Seeded once: later runs keep whatever was edited and saved in the demo.
if [ ! -f "$demo/config/quorvel/quorvel.conf" ]; then
    mkdir -p "$demo/config/quorvel"
    cp examples/siteplan.map "$demo/siteplan.map"
    cat >"$demo/config/quorvel/quorvel.conf" <<CONF
[Settings]
CoordFile=$demo/siteplan.map
BGPicture=$PWD/examples/siteplan.jpg
SiteRegister=$PWD/examples/siteregister.csv
CONF
fi
XDG_CONFIG_HOME=$demo/config exec build/dev/src/app/quorvel
