#!/usr/bin/env bash
# A twelve-hour firing of the shipped program on the shipped kiln in the real window, shown on a
# display (Xvfb when none is set), at simulator speed 1000: the wall time against the ideal.
#   bench/firing.sh [HOURS] [SPEED]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/program-folder.sh 74
probe="$BUILD_DIR/bench/fornaxel_firing_probe"
sed -i "s/^SIM_SPEED_Text=.*/SIM_SPEED_Text=${2:-1000}/" "$folder/term.ini"
"$probe" "$folder" "${1:-12}" 2>/dev/null
