#!/usr/bin/env bash
# Installs what is missing, builds, and shows what the host sees of the
# plug-in: its identity and the sensors of its catalogue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
BUILD_DIR=$build "$root/scripts/build.sh"
exec "$build/bin/plugininfo" "$@"
