#!/usr/bin/env bash
# Start-up time, from starting the program to its first control cycle, with the shipped
# settings, program and kiln, on a display (Xvfb when none is set). Five runs and their median.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/program-folder.sh 73
probe="$BUILD_DIR/bench/fornaxel_startup_probe"
times=()
restored=()
for _ in 1 2 3 4 5; do
    read -r first shown < <("$probe" "$folder" "$(date +%s%N)" 2>/dev/null)
    times+=("$first")
    restored+=("$shown")
done
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
echo "start-up to the first control cycle, ms: ${times[*]} (median $(median "${times[@]}"))"
echo "of which until the window was shown and restored, ms: ${restored[*]} (median $(median "${restored[@]}"))"
echo "the rest is the cycle timer's first interval: 2000 ms divided by the simulator's speed-up"
