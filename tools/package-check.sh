#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: builds it (reusing build/), lints it and its
# desktop files, installs it with apt-get, starts the installed program headless for a user with
# an empty home, ends it with SIGTERM, and removes the package again.
#   tools/package-check.sh          (as root, or with sudo rights for apt-get)
# Needs to install and remove the package on this machine: for CI and throwaway machines.
set -euo pipefail
cd "$(dirname "$0")/.."

START_DEADLINE=${START_DEADLINE:-90}   # seconds until the first start has laid out its folder
EXIT_DEADLINE=${EXIT_DEADLINE:-60}     # seconds from SIGTERM until the program is gone

fail() {
    echo "package-check: FAILED: $*" >&2
    exit 1
}
step() { echo "=== package-check: $* ==="; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/fornaxel-package-check.XXXXXX")
chmod 755 "$WORK"
CHECK_USER=""
PROGRAM_PID=""
INSTALLED=0
cleanup() {
    [ -n "$PROGRAM_PID" ] && kill -KILL "$PROGRAM_PID" 2>/dev/null || true
    [ -n "$CHECK_USER" ] && userdel "$CHECK_USER" 2>/dev/null || true
    if [ "$INSTALLED" -eq 1 ] && dpkg-query -W -f='${Status}' fornaxel 2>/dev/null | grep -q "ok installed"; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y fornaxel >/dev/null 2>&1 || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

step "building the package"
bash tools/dev.sh package | tee "$WORK/package.log"
DEB=$(tail -n 1 "$WORK/package.log")
[ -f "$DEB" ] || fail "tools/dev.sh package did not name a .deb (last line: '$DEB')"

step "lintian $DEB"
# Errors fail the check; warnings are shown.
lintian --fail-on error "$DEB" || fail "lintian reports errors in $DEB (E: lines above)"

step "desktop entry and AppStream metadata as packaged"
dpkg-deb -x "$DEB" "$WORK/unpacked"
desktop-file-validate "$WORK/unpacked/usr/share/applications/org.fornaxel.Fornaxel.desktop" ||
    fail "desktop-file-validate rejects org.fornaxel.Fornaxel.desktop"
appstreamcli validate --no-net "$WORK/unpacked/usr/share/metainfo/org.fornaxel.Fornaxel.metainfo.xml" ||
    fail "appstreamcli rejects org.fornaxel.Fornaxel.metainfo.xml"

for f in usr/bin/fornaxel usr/libexec/fornaxel/fornaxel-guardian usr/share/fornaxel/term.ini \
         usr/share/man/man1/fornaxel.1.gz usr/share/mime/packages/fornaxel.xml \
         usr/share/icons/hicolor/scalable/apps/org.fornaxel.Fornaxel.svg \
         usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/org.fornaxel.Fornaxel.png; do
    [ -f "$WORK/unpacked/$f" ] || fail "the package lacks /$f"
done

step "installing with apt-get"
INSTALLED=1
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --reinstall "$DEB" ||
    fail "apt-get could not install $DEB"
[ -x /usr/bin/fornaxel ] || fail "/usr/bin/fornaxel is missing after the install"
[ -x /usr/libexec/fornaxel/fornaxel-guardian ] || fail "the guardian is missing after the install"

# The installed program runs as a user of its own with an empty home when this runs as root, or
# else with a fresh home of this user's: either way nothing of a real user's is touched.
HOME_DIR="$WORK/home"
RUNTIME_DIR="$WORK/runtime"
mkdir -p "$HOME_DIR" "$RUNTIME_DIR"
chmod 700 "$RUNTIME_DIR"
RUN_AS=()
if [ "$(id -u)" -eq 0 ]; then
    CHECK_USER="fxcheck$$"
    useradd --no-create-home --home-dir "$HOME_DIR" --shell /usr/sbin/nologin "$CHECK_USER" ||
        fail "could not create the user $CHECK_USER"
    chown "$CHECK_USER:" "$HOME_DIR" "$RUNTIME_DIR"
    RUN_AS=(setpriv --reuid "$CHECK_USER" --regid "$CHECK_USER" --init-groups --)
fi
# Runs a command of the installed package as that user, in place of the calling (sub)shell.
run_installed() {
    exec env -i PATH=/usr/bin:/bin HOME="$HOME_DIR" USER="${CHECK_USER:-$(id -un)}" LANG=C.UTF-8 \
        XDG_DATA_HOME="$HOME_DIR/.local/share" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        XDG_CACHE_HOME="$HOME_DIR/.cache" XDG_RUNTIME_DIR="$RUNTIME_DIR" QT_QPA_PLATFORM=offscreen \
        "${RUN_AS[@]}" "$@"
}

step "fornaxel --version"
status=0
version=$(cd "$HOME_DIR" && run_installed timeout 30 /usr/bin/fornaxel --version </dev/null 2>&1) || status=$?
[ "$status" -ne 124 ] || fail "fornaxel --version did not end within 30 s (output: '$version')"
[ "$status" -eq 0 ] || fail "fornaxel --version ended with status $status: $version"
echo "$version"
echo "$version" | grep -Eq '^Fornaxel [0-9]+(\.[0-9]+)+$' ||
    fail "fornaxel --version printed '$version', not 'Fornaxel <version>'"

step "first start of the installed program, headless, with an empty home"
APP_DIR="$HOME_DIR/.local/share/Fornaxel"
LOG="$WORK/fornaxel.log"
started=$(date +%s)
(cd "$HOME_DIR" && run_installed /usr/bin/fornaxel </dev/null >"$LOG" 2>&1) &
PROGRAM_PID=$!

alive() { [ -d "/proc/$PROGRAM_PID" ] && ! grep -q '^State:.*Z' "/proc/$PROGRAM_PID/status" 2>/dev/null; }
show_log() { echo "--- the program's output:" >&2; cat "$LOG" >&2; echo "---" >&2; }

laid_out() {
    compgen -G "$APP_DIR/Prog/*.prg" >/dev/null && [ -f "$APP_DIR/Oven/Oven1.ovn" ] && [ -f "$APP_DIR/term.ini" ]
}
until laid_out; do
    alive || { show_log; fail "the program ended before laying out $APP_DIR"; }
    [ $(($(date +%s) - started)) -lt "$START_DEADLINE" ] ||
        { show_log; ls -lR "$HOME_DIR" >&2 || true;
          fail "no Prog/*.prg, Oven/Oven1.ovn and term.ini in $APP_DIR after $START_DEADLINE s"; }
    sleep 0.5
done
echo "laid out: $(cd "$APP_DIR" && echo Prog/*.prg Oven/*.ovn term.ini)"

# SIGTERM means an orderly close only once the program has set up its handler for it: wait until
# the kernel shows the signal as caught by the program itself, not by the shell that starts it
# (SIGTERM is the 15th bit of SigCgt).
term_caught() {
    local mask
    [ "$(cat "/proc/$PROGRAM_PID/comm" 2>/dev/null)" = fornaxel ] || return 1
    mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$PROGRAM_PID/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (( (16#$mask >> 14) & 1 ))
}
until term_caught; do
    alive || { show_log; fail "the program ended on its own after laying out its folder"; }
    [ $(($(date +%s) - started)) -lt "$START_DEADLINE" ] ||
        { show_log; fail "the program did not take over SIGTERM within $START_DEADLINE s"; }
    sleep 0.5
done
sleep 1  # lets the start settle, and a rewrite of term.ini show as a later time stamp
ini_before=$(stat -c '%.9Y %s' "$APP_DIR/term.ini")
ini_sum_before=$(md5sum <"$APP_DIR/term.ini")

step "SIGTERM to the program (pid $PROGRAM_PID)"
kill -TERM "$PROGRAM_PID"
( sleep "$EXIT_DEADLINE"; kill -KILL "$PROGRAM_PID" 2>/dev/null ) &
watchdog=$!
status=0
wait "$PROGRAM_PID" || status=$?
kill "$watchdog" 2>/dev/null || true
wait "$watchdog" 2>/dev/null || true
PROGRAM_PID=""
if [ "$status" -eq 137 ]; then
    show_log; fail "the program did not end within $EXIT_DEADLINE s of SIGTERM (killed)"
fi
[ "$status" -eq 0 ] || { show_log; fail "the program ended with status $status after SIGTERM, not 0"; }
[ -s "$APP_DIR/Data/lastlog.txt" ] || { show_log; fail "no $APP_DIR/Data/lastlog.txt after the close"; }
ini_after=$(stat -c '%.9Y %s' "$APP_DIR/term.ini")
ini_sum_after=$(md5sum <"$APP_DIR/term.ini")
[ "$ini_after" != "$ini_before" ] || [ "$ini_sum_after" != "$ini_sum_before" ] ||
    { show_log; fail "term.ini was not written at the close (time stamp and contents unchanged)"; }
echo "closed in order: Data/lastlog.txt ($(stat -c %s "$APP_DIR/Data/lastlog.txt") bytes), term.ini written"

step "apt-get remove fornaxel"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y fornaxel || fail "apt-get could not remove fornaxel"
INSTALLED=0
[ ! -e /usr/bin/fornaxel ] || fail "/usr/bin/fornaxel is still there after the removal"
[ ! -e /usr/share/fornaxel ] || fail "/usr/share/fornaxel is still there after the removal"

echo "package-check: passed ($DEB)"
