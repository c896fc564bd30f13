#!/usr/bin/env bash
# Sets up a fresh Debian machine for Fornaxel, builds it, and runs the program or the tests.
#   tools/dev.sh run     install what is missing, build, start the program (simulator)
#   tools/dev.sh test    install what is missing, build, run the whole test suite headless
#   tools/dev.sh build   install what is missing and build
#   tools/dev.sh bench   build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES="build-essential cmake qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libqcustomplot-dev
          libgif-dev googletest libgtest-dev libbenchmark-dev xvfb xauth ccache"

install_missing() {
    local missing=()
    for p in $PACKAGES; do
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

case "${1:-}" in
run)
    install_missing
    build
    exec "$BUILD_DIR/Fornaxel/fornaxel"
    ;;
test)
    install_missing
    build
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600
    ;;
build)
    install_missing
    build
    ;;
bench)
    install_missing
    build -DFORNAXEL_BENCH=ON
    for b in "$BUILD_DIR"/bench/fornaxel_bench_*; do QT_QPA_PLATFORM=offscreen "$b"; done
    ;;
*)
    echo "usage: tools/dev.sh run|test|build|bench" >&2
    exit 2
    ;;
esac
