# Sourced by the scripts that start the IO-Link master simulator on a
# pseudo-terminal. start_simulator <program> <folder> sets sim_pid and device
# (the simulator prints its device path as its first line); stop_simulator ends it.
sim_pid=""
device=""

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
