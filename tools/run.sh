#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor on the sample site plan and map in
# examples/, with a settings store of its own under build/ (your own settings are not touched).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== checking the Debian packages the editor needs =="
bash tools/install-deps.sh --run
echo "== configuring (build/dev) =="
cmake --preset dev >/dev/null
# The editor and the picture decoder it starts; the tests, benchmarks and fuzzers are left to
# tools/test.sh.
echo "== building the editor and its picture decoder (a few minutes the first time) =="
cmake --build --preset dev --target quorvel quorvel-picture-decoder
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
echo "== starting the editor on examples/siteplan.jpg =="
XDG_CONFIG_HOME=$demo/config exec build/dev/src/app/quorvel
