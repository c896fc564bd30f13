#!/usr/bin/env bash
# A twelve-hour firing of the shipped program on the shipped kiln in the real window, shown on a
# display (Xvfb when none is set), at simulator speed 1000: the wall time against the ideal.
#   bench/firing.sh [HOURS] [SPEED]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
probe="$BUILD_DIR/bench/fornaxel_firing_probe"
folder=$(mktemp -d)
trap 'rm -rf "$folder"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT
cp -r "$BUILD_DIR/Fornaxel/." "$folder/"
sed -i "s/^SIM_SPEED_Text=.*/SIM_SPEED_Text=${2:-1000}/" "$folder/term.ini"
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :74 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:74
    sleep 1
fi
"$probe" "$folder" "${1:-12}" 2>/dev/null
