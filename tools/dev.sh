#!/usr/bin/env bash
# Sets up a fresh Debian machine for Fornaxel, builds it, and runs the program or the tests.
#   tools/dev.sh run     install what is missing, build, start the program (simulator)
#   tools/dev.sh test    install what is missing, build, run the whole test suite headless under
#                        the C, Russian and German locales (the last two write decimal commas)
#   tools/dev.sh build   install what is missing and build
#   tools/dev.sh bench   build and run the benchmarks
#   tools/dev.sh emulate install, build, start the controller emulator and the program connected to it
#   tools/dev.sh test-asan  install what is missing, build with AddressSanitizer and
#                        UndefinedBehaviorSanitizer into build-asan/ and run the whole suite once
#   tools/dev.sh fuzz [S] install what is missing and run every fuzz target for S seconds (60)
#   tools/dev.sh package install what is missing, build and make the Debian package; prints its path
#   tools/dev.sh studio  install, build, and start a studio of two kilns on this computer: a
#                        Mosquitto broker, two emulators and two windows ("Big" and "Small")
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
# What building and running the program needs, what the tests, benchmarks and sanitizer build
# add, what the fuzz targets add (clang and its libFuzzer), and what making and checking the
# Debian package adds.
BUILD_PACKAGES="build-essential cmake qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
                libqcustomplot-dev libgif-dev ccache qt6-httpserver-dev
                qt6-websockets-dev libmosquitto-dev libqt6sql6-sqlite libnlopt-dev"
TEST_PACKAGES="googletest libgtest-dev libbenchmark-dev xvfb xauth locales chromium
               mosquitto mosquitto-clients openssl"
FUZZ_PACKAGES="clang libclang-rt-14-dev"
PACKAGING_PACKAGES="dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin"

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        echo "Installing: ${missing[*]}"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# The locales the suite runs under besides C.
TEST_LOCALES="ru_RU.UTF-8 de_DE.UTF-8"

has_locale() {
    local want
    want=$(echo "$1" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')
    locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want"
}

# Generates the test locales under the build folder when the system lacks any of them, and
# points LOCPATH there (which then replaces the system's locales, hence all of them).
prepare_locales() {
    local missing=0 l
    for l in $TEST_LOCALES; do has_locale "$l" || missing=1; done
    [ "$missing" -eq 0 ] && return
    local dir="$BUILD_DIR/locale"
    case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac
    mkdir -p "$dir"
    for l in $TEST_LOCALES; do
        [ -f "$dir/$l/LC_NUMERIC" ] || localedef -i "${l%%.*}" -f "${l#*.}" "$dir/$l" ||
            { [ -f "$dir/$l/LC_NUMERIC" ] || { echo "Cannot generate the locale $l" >&2; exit 1; }; }
    done
    export LOCPATH="$dir"
    for l in $TEST_LOCALES; do
        [ "$(LC_ALL=$l locale decimal_point 2>/dev/null)" = "," ] ||
            { echo "The locale $l in $dir does not work" >&2; exit 1; }
    done
}

# The whole suite once per locale; fails when any run fails and names the locales that did.
run_tests() {
    prepare_locales
    cd "$BUILD_DIR"
    local failed=() l
    for l in C $TEST_LOCALES; do
        echo "=== Tests under LANG=$l LC_ALL=$l ==="
        LANG=$l LC_ALL=$l QT_QPA_PLATFORM=offscreen ctest -j "$(nproc)" --output-on-failure --timeout 600 ||
            failed+=("$l")
    done
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Tests failed under the locale(s): ${failed[*]}" >&2
        return 1
    fi
}

# The suite once, in the C locale, built with the sanitizers (the emulator the tests start too).
# Any report ends the test that made it, with its stack.
run_sanitized_tests() {
    local dir=build-asan
    # With the benchmarks, for the soak's short run under LeakSanitizer. Line tables are all a
    # sanitizer's stack needs, and -O1 keeps the instrumented build quick.
    BUILD_DIR=$dir build -DFORNAXEL_SANITIZE=ON -DFORNAXEL_BENCH=ON \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -fno-omit-frame-pointer -DNDEBUG"
    cd "$dir"
    LANG=C LC_ALL=C QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/../tools/lsan.supp \
        ctest -j "$(nproc)" --output-on-failure --timeout 900
}

# The program in controller mode on the emulator's pseudo-terminal. The program gets a folder
# of its own (build/Fornaxel-emulator), so the simulator settings of build/Fornaxel stay as they
# are; the terminal becomes the emulator's console for fault commands.
emulate() {
    local app="$BUILD_DIR/Fornaxel-emulator"
    local link="$BUILD_DIR/emulator-port"
    case "$link" in /*) ;; *) link="$PWD/$link" ;; esac
    mkdir -p "$app"
    # What the operator saved there stays; the program and its language files are refreshed.
    cp -an "$BUILD_DIR/Fornaxel/." "$app/"
    cp -f "$BUILD_DIR/Fornaxel/fornaxel" "$BUILD_DIR/Fornaxel/fornaxel-guardian" "$BUILD_DIR"/Fornaxel/*.lng "$app/"
    [ -f "$app/term.ini" ] && grep -q "^Port_Path=" "$app/term.ini" ||
        printf '[TForm1]\r\nFormVersion=0\r\nInterfaceType_Checked=TRUE\r\nEnglish_Checked=TRUE\r\nScale_ItemIndex=0\r\nPort_Path=%s\r\n' \
            "$link" > "$app/term.ini"
    exec 3<&0
    "$BUILD_DIR/tools/emulator/fornaxel-emulator" --link "$link" \
        --state "$BUILD_DIR/emulator-nv.txt" <&3 &
    EMULATOR_PID=$!
    trap 'kill "$EMULATOR_PID" 2>/dev/null' EXIT
    for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
    echo "Emulator on $link. Type fault commands here (help lists them); close the window to end."
    "$app/fornaxel"
}

# The Debian package from the build folder as it is configured (with the tests, when they were
# built there, so that nothing is built twice); a first configuration leaves the tests out.
make_package() {
    if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
        build
    else
        build -DFORNAXEL_TESTS=OFF
    fi
    local out
    out=$(cd "$BUILD_DIR" && cpack -G DEB) || { echo "$out" >&2; exit 1; }
    echo "$out"
    local deb
    deb=$(echo "$out" | sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' | tail -n 1)
    [ -f "$deb" ] || { echo "cpack made no .deb" >&2; exit 1; }
    echo "$deb"
}

# A build to run the program leaves out the tests and benchmarks, so it needs no GoogleTest.
RUN_ONLY="-DFORNAXEL_TESTS=OFF -DFORNAXEL_BENCH=OFF"

case "${1:-}" in
emulate)
    install_missing $BUILD_PACKAGES
    build $RUN_ONLY
    emulate
    ;;
run)
    install_missing $BUILD_PACKAGES
    build $RUN_ONLY
    exec "$BUILD_DIR/Fornaxel/fornaxel"
    ;;
test)
    install_missing $BUILD_PACKAGES $TEST_PACKAGES
    # The benchmarks are built too, so they cannot go stale; line tables are debug enough for
    # a failing test's stack, and build far quicker than full debug information.
    build -DFORNAXEL_TESTS=ON -DFORNAXEL_BENCH=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
    run_tests
    ;;
build)
    install_missing $BUILD_PACKAGES $TEST_PACKAGES
    build -DFORNAXEL_TESTS=ON
    ;;
test-asan)
    install_missing $BUILD_PACKAGES $TEST_PACKAGES
    run_sanitized_tests
    ;;
fuzz)
    install_missing $BUILD_PACKAGES $FUZZ_PACKAGES
    exec bash tools/fuzz.sh "${@:2}"
    ;;
bench)
    install_missing $BUILD_PACKAGES $TEST_PACKAGES
    build -DFORNAXEL_BENCH=ON
    for b in "$BUILD_DIR"/bench/fornaxel_bench_*; do
        # The glob also matches the benchmarks' *_autogen folders.
        [ -f "$b" ] && [ -x "$b" ] || continue
        QT_QPA_PLATFORM=offscreen "$b"
    done
    BUILD_DIR="$BUILD_DIR" bash bench/startup.sh
    BUILD_DIR="$BUILD_DIR" bash bench/firing.sh
    QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/fornaxel_soak"
    ;;
studio)
    install_missing $BUILD_PACKAGES mosquitto mosquitto-clients
    build $RUN_ONLY
    BUILD_DIR="$BUILD_DIR" exec bash tools/studio.sh
    ;;
package)
    install_missing $BUILD_PACKAGES $PACKAGING_PACKAGES
    make_package
    ;;
*)
    echo "usage: tools/dev.sh run|test|test-asan|fuzz|build|bench|emulate|studio|package" >&2
    exit 2
    ;;
esac
