#!/usr/bin/env bash
# A studio with two kilns on one computer: a Mosquitto broker on this computer, two controller
# emulators with different kilns ("Big" and "Small"), and two Fornaxel windows, each with a
# program folder of its own, publishing to the one broker and serving a live page each.
# Closing both windows ends it all. Called by `tools/dev.sh studio` after the build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
STUDIO="$BUILD_DIR/studio"
case "$STUDIO" in /*) ;; *) STUDIO="$PWD/$STUDIO" ;; esac
mkdir -p "$STUDIO"

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
first_free_port() {
    local p
    for p in "$@"; do port_free "$p" && { echo "$p"; return; }; done
    echo "No free port among $*" >&2
    exit 1
}

BROKER_PORT=$(first_free_port 1883 18830 18831 18832)
PIDS=()
stop_all() { for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap stop_all EXIT

# The broker: this computer only, anyone may connect (the README's studio section shows a
# broker with a password file and TLS for a real studio network).
cat > "$STUDIO/mosquitto.conf" <<CONF
listener $BROKER_PORT 127.0.0.1
allow_anonymous true
persistence false
log_dest stderr
CONF
# Run as root, mosquitto becomes its own user and could not open a log file here.
mosquitto -c "$STUDIO/mosquitto.conf" 2>"$STUDIO/mosquitto.log" &
PIDS+=($!)

# kiln name, page port, heater power (W), the model's P and I: a big slow kiln and a small
# quick one.
start_kiln() {
    local name=$1 page_port=$2 heater=$3 model_p=$4 model_i=$5
    local app="$STUDIO/$name" link="$STUDIO/$name-port"
    mkdir -p "$app"
    cp -an "$BUILD_DIR/Fornaxel/." "$app/"
    cp -f "$BUILD_DIR/Fornaxel/fornaxel" "$BUILD_DIR/Fornaxel/fornaxel-guardian" "$BUILD_DIR"/Fornaxel/*.lng "$app/"
    sed -e "s/^HeaterPower_Text=.*/HeaterPower_Text=$heater/" -e "s/^MODEL_P_Text=.*/MODEL_P_Text=$model_p/" \
        -e "s/^MODEL_I_Text=.*/MODEL_I_Text=$model_i/" "$BUILD_DIR/Fornaxel/Oven/Oven1.ovn" > "$app/Oven/$name.ovn"
    printf '%s\r\n' "[TForm1]" "FormVersion=0" "InterfaceType_Checked=TRUE" "English_Checked=TRUE" \
        "Scale_ItemIndex=0" "Port_Path=$link" "OVEN=$app/Oven/$name.ovn" \
        "[Remote]" "KilnName=$name" \
        "[MQTT]" "Enabled=TRUE" "Host=127.0.0.1" "Port=$BROKER_PORT" "TLS=FALSE" \
        "[LivePage]" "Enabled=TRUE" "Port=$page_port" "Listen=local" > "$app/term.ini"
    "$BUILD_DIR/tools/emulator/fornaxel-emulator" --quiet --link "$link" --oven "$app/Oven/$name.ovn" \
        --state "$STUDIO/$name-nv.txt" </dev/null >"$STUDIO/$name-emulator.log" 2>&1 &
    PIDS+=($!)
    for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
    "$app/fornaxel" >"$STUDIO/$name.log" 2>&1 &
    PIDS+=($!)
    echo "  $name: program folder $app, live page http://127.0.0.1:$page_port/"
}

echo "Broker on 127.0.0.1:$BROKER_PORT (log: $STUDIO/mosquitto.log)"
BIG_PAGE=$(first_free_port 8081 18081 18091)
start_kiln Big "$BIG_PAGE" 4000 0,0017 0,00008
SMALL_PAGE=$(first_free_port 8082 18082 18092)
start_kiln Small "$SMALL_PAGE" 1500 0,004 0,0002
cat <<TEXT

Watch both kilns on the broker:
  mosquitto_sub -h 127.0.0.1 -p $BROKER_PORT -v -t 'fornaxel/#'
and what Home Assistant would find:
  mosquitto_sub -h 127.0.0.1 -p $BROKER_PORT -v -t 'homeassistant/#'
Start a firing in either window; close both windows to end the studio.
TEXT
# The studio lasts as long as either window.
while kill -0 "${PIDS[2]}" 2>/dev/null || kill -0 "${PIDS[4]}" 2>/dev/null; do sleep 1; done
