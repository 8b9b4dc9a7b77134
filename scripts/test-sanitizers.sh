#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the whole test suite headless. Any report fails the test that caused it.
# Build folder: $BUILD_DIR or build-asan beside the sources; further arguments go
# to ctest (for example -L e2e).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-asan}
jobs=${JOBS:-$(nproc)}

cmake -S "$root" -B "$build" -DENABLE_SANITIZERS=ON -DBUILD_TESTING=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Leaks inside system libraries (fontconfig, Qt's platform plug-ins) are not ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
cd "$build"
# Sanitised programs run several times slower (their time-outs are tripled in
# this configuration); a few at once.
ctest --output-on-failure -j"${CTEST_JOBS:-2}" "$@"
