#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kalvio with the first sensor of the
# catalogue open and connected to the IO-Link master simulator on a
# pseudo-terminal, live data on. Without a display it runs offscreen, saves a
# screenshot under out/ and exits; with one it runs until closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${OUT_DIR:-$root/out}
# Connecting reads every parameter of the sensor first (about 15 s); then about
# ten seconds of live data.
seconds=${RUN_SECONDS:-25}

# A first build leaves the tests out (scripts/test.sh builds them); an existing
# build folder keeps its own choice.
configure=()
[ -f "$build/CMakeCache.txt" ] || configure=(-DBUILD_TESTING=OFF)
BUILD_DIR=$build "$root/scripts/build.sh" "${configure[@]}"
bin=$build/bin

# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
use_work_folder
trap 'exit 130' INT TERM

start_simulator "$bin/iolink-master-sim" "$work"
echo "IO-Link master simulator on $device"

sensor=$(first_sensor "$bin/kalvio")
echo "Opening \"$sensor\""

args=(--open "$sensor" --port "$device" --connect "$device")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    mkdir -p "$out"
    shot=$out/kalvio.png
    rm -f "$shot"
    QT_QPA_PLATFORM=offscreen "$bin/kalvio" "${args[@]}" \
        --screenshot "$shot" --quit-after $((seconds * 1000))
    if [ ! -s "$shot" ]; then
        echo "No screenshot was written." >&2
        exit 1
    fi
    echo "Screenshot of the running window: $shot"
else
    "$bin/kalvio" "${args[@]}"
fi
