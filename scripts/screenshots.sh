#!/usr/bin/env bash
# Makes the README's pictures in a real window under Xvfb: kalvio with the first
# catalogue sensor offline (docs/kalvio-window.png) and connected to the IO-Link
# master simulator with live data (docs/kalvio-live.png), and the link monitor
# during a connect (docs/kalvio-link-monitor.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
docs=$root/docs
# Connecting reads every parameter first; then some seconds of live data.
seconds=${RUN_SECONDS:-25}

configure=()
[ -f "$build/CMakeCache.txt" ] || configure=(-DBUILD_TESTING=OFF)
BUILD_DIR=$build "$root/scripts/build.sh" "${configure[@]}"
bin=$build/bin

# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
work=$(mktemp -d)
cleanup() {
    stop_simulator
    rm -rf "$work"
}
trap cleanup EXIT

start_simulator "$bin/iolink-master-sim" "$work"

sensor=$("$bin/kalvio" --list | sed -n 's/^  sensor [^:]*: //p' | head -n1)
[ -n "$sensor" ] || { echo "No plug-in lists a sensor." >&2; exit 1; }

shoot() { # <picture> <milliseconds> <kalvio arguments...>
    local picture=$1 ms=$2
    shift 2
    rm -f "$picture"
    xvfb-run -a -s "-screen 0 1920x1080x24" \
        "$bin/kalvio" --open "$sensor" "$@" --screenshot "$picture" --quit-after "$ms"
    [ -s "$picture" ] || { echo "No picture written: $picture" >&2; exit 1; }
    echo "$picture"
}
shoot "$docs/kalvio-window.png" 3000
shoot "$docs/kalvio-live.png" $((seconds * 1000)) --port "$device" --connect "$device"
# Some seconds into the connect: the parameter reads on the line.
shoot "$docs/kalvio-link-monitor.png" 5000 --port "$device" --connect "$device" --link-monitor
