#!/usr/bin/env bash
# Makes the README's pictures in a real window under Xvfb: kalvio with the first
# catalogue sensor connected to the IO-Link master simulator, live data on, at
# 1280x800 and at 1920x1080, in English and in German:
# docs/kalvio-<language>-<width>x<height>.png.
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
work=$(mktemp -d)
cleanup() {
    stop_simulator
    rm -rf "$work"
}
trap cleanup EXIT
# A layout saved by an earlier session must not change the pictures.
export XDG_CONFIG_HOME=$work/config

sensor=$("$bin/kalvio" --list | sed -n 's/^  sensor [^:]*: //p' | head -n1)
[ -n "$sensor" ] || { echo "No plug-in lists a sensor." >&2; exit 1; }

shoot() { # <language> <size>
    local language=$1 size=$2
    local picture=$docs/kalvio-$language-$size.png
    rm -f "$picture"
    # A fresh simulator each time, so that every picture starts from the same sensor.
    start_simulator "$bin/iolink-master-sim" "$work"
    xvfb-run -a -s "-screen 0 1920x1080x24" \
        "$bin/kalvio" --open "$sensor" --language "$language" --size "$size" \
        --port "$device" --connect "$device" \
        --screenshot "$picture" --quit-after $((seconds * 1000))
    stop_simulator
    [ -s "$picture" ] || { echo "No picture written: $picture" >&2; exit 1; }
    echo "$picture"
}
for language in en de; do
    for size in 1280x800 1920x1080; do
        shoot "$language" "$size"
    done
done
