#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang and libFuzzer and runs each for SECONDS
# (default 60), then prints its executions and findings. New inputs collect in the
# build folder, never in the sources; a finding is left there as
# findings/<target>/crash-… (or leak-, timeout-, oom-), to be replayed with
# `<build>/bin/<target> <file>`. Build folder: $BUILD_DIR or build-fuzz-clang beside
# the sources. $TARGETS limits the run to some targets; $PARALLEL targets run at once
# (default 1). The exit code is 1 when anything was found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${BUILD_DIR:-$root/build-fuzz-clang}
read -ra targets <<< "${TARGETS:-fuzz_catalogue fuzz_description fuzz_settings fuzz_history fuzz_answers fuzz_simulator}"

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (scripts/install-deps.sh)"; exit 2; }
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DBUILD_FUZZERS=ON -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}

run() {
    local target=$1 corpus=$build/corpus/$1 findings=$build/findings/$1
    mkdir -p "$corpus" "$findings"
    "$build/bin/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
        -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$root/fuzz/corpus/$target" >"$build/findings/$target.log" 2>&1 || true
}

running=0
for target in "${targets[@]}"; do
    run "$target" &
    running=$((running + 1))
    if [ "$running" -ge "${PARALLEL:-1}" ]; then wait -n || true; running=$((running - 1)); fi
done
wait

status=0
for target in "${targets[@]}"; do
    log=$build/findings/$target.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    found=$(find "$build/findings/$target" -type f | wc -l)
    echo "$target: ${runs:-?} executions, $found findings"
    [ "$found" -eq 0 ] || status=1
done
exit $status
