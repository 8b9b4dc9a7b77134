# Sourced by the scripts that start the IO-Link master simulator on a
# pseudo-terminal. start_simulator <program> <folder> sets sim_pid and device
# (the simulator prints its device path as its first line); stop_simulator ends it.
# use_work_folder makes $work, a temporary folder that goes with the simulator on
# exit; first_sensor <kalvio> prints the first sensor a plug-in lists.
sim_pid=""
device=""
work=""

use_work_folder() {
    work=$(mktemp -d)
    trap 'stop_simulator; rm -rf "$work"' EXIT
}

first_sensor() {
    local list
    list=$("$1" --list)
    local sensor
    sensor=$(sed -n 's/^  sensor [^:]*: //p' <<<"$list" | head -n1)
    if [ -z "$sensor" ]; then
        echo "No plug-in lists a sensor:" >&2
        echo "$list" >&2
        return 1
    fi
    echo "$sensor"
}

start_simulator() {
    local program=$1 folder=$2
    "$program" >"$folder/sim.out" 2>"$folder/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do
        device=$(head -n1 "$folder/sim.out" 2>/dev/null || true)
        [ -n "$device" ] && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "The IO-Link master simulator did not start:" >&2
    cat "$folder/sim.err" >&2
    return 1
}

stop_simulator() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
