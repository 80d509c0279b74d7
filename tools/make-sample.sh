#!/usr/bin/env bash
# Redraws the sample site plan and its map in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target quorvel_makesample
QT_QPA_PLATFORM=offscreen build/dev/tools/makesample/quorvel_makesample \
    examples/siteplan.jpg examples/siteplan.map
