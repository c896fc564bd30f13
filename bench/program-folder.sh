# Sourced by the whole-program benchmarks: a copy of the built program folder in $folder, and a
# display (Xvfb on :$1 when none is set); both go when the script exits.
BUILD_DIR=${BUILD_DIR:-build-bench}
folder=$(mktemp -d)
trap 'rm -rf "$folder"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT
cp -r "$BUILD_DIR/Fornaxel/." "$folder/"
if [ -z "${DISPLAY:-}" ]; then
    Xvfb ":$1" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=":$1"
    sleep 1
fi
