#!/usr/bin/env bash
# Makes the README's pictures in a real window under Xvfb: kalvio with the first
# catalogue sensor connected to the IO-Link master simulator, live data on, at
# 1280x800 and at 1920x1080, in English and in German
# (docs/kalvio-<language>-<width>x<height>.png), and the link monitor during a
# connect (docs/kalvio-link-monitor.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
docs=$root/docs
# Connecting reads every parameter first; then some seconds of live data.
seconds=${RUN_SECONDS:-20}

configure=()
[ -f "$build/CMakeCache.txt" ] || configure=(-DBUILD_TESTING=OFF)
BUILD_DIR=$build "$root/scripts/build.sh" "${configure[@]}"
bin=$build/bin

# shellcheck source=scripts/simulator.sh
. "$root/scripts/simulator.sh"
use_work_folder
# A size saved by an earlier session must not change the pictures.
export XDG_CONFIG_HOME=$work/config

sensor=$(first_sensor "$bin/kalvio")

shoot() { # <picture> <milliseconds> <kalvio arguments...>
    local picture=$1 ms=$2
    shift 2
    rm -f "$picture"
    # A fresh simulator each time, so that every picture starts from the same sensor.
    start_simulator "$bin/iolink-master-sim" "$work"
    xvfb-run -a -s "-screen 0 1920x1080x24" \
        "$bin/kalvio" --open "$sensor" --port "$device" --connect "$device" "$@" \
        --screenshot "$picture" --quit-after "$ms"
    stop_simulator
    sim_pid=""
    [ -s "$picture" ] || { echo "No picture written: $picture" >&2; exit 1; }
    echo "$picture"
}
for language in en de; do
    for size in 1280x800 1920x1080; do
        shoot "$docs/kalvio-$language-$size.png" $((seconds * 1000)) \
            --language "$language" --size "$size"
    done
done
# Some seconds into the connect: the parameter reads on the line.
shoot "$docs/kalvio-link-monitor.png" 5000 --link-monitor
