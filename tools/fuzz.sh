#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs each of them for
# the given number of seconds (60 by default), one after the other, starting from the seed
# corpus in fuzz/corpus/<target>. Fails when any target finds a crash, a sanitizer report, a
# broken invariant, a hang or a runaway allocation; the input that did it is kept in
# build-fuzz/findings/.
#   tools/fuzz.sh [seconds] [target...]     targets: rx inifiles language settings firingrecord
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-60}
shift || true
TARGETS=${*:-rx inifiles language settings firingrecord}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S fuzz -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in $TARGETS; do targets+=("fuzz_$t"); done
cmake --build "$BUILD_DIR" -j 2 --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export LC_ALL=C LANG=C
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}

failed=()
for t in $TARGETS; do
    work="$BUILD_DIR/corpus/$t"      # what the runs add; the committed seeds stay as they are
    findings="$BUILD_DIR/findings/$t"
    mkdir -p "$work" "$findings"
    echo "=== fuzz_$t for ${SECONDS_EACH}s ==="
    if ! "$BUILD_DIR/fuzz_$t" "$work" "fuzz/corpus/$t" -max_total_time="$SECONDS_EACH" -timeout=30 \
        -rss_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$findings/" 2>"$BUILD_DIR/fuzz_$t.log"; then
        tail -n 60 "$BUILD_DIR/fuzz_$t.log" >&2
        failed+=("$t")
    else
        grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$BUILD_DIR/fuzz_$t.log" || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found something in: ${failed[*]} (inputs in $BUILD_DIR/findings/)" >&2
    exit 1
fi
echo "Fuzzing found nothing in: $TARGETS"
