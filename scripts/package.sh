#!/usr/bin/env bash
# Builds (like scripts/build.sh) and makes the Debian package
# out/kalvio_<version>_amd64.deb, which installs under /usr.
# Install it with `sudo apt install ./out/kalvio_<version>_amd64.deb`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${OUT_DIR:-$root/out}

# A first build leaves the tests out; an existing build folder keeps its choice.
configure=()
[ -f "$build/CMakeCache.txt" ] || configure=(-DBUILD_TESTING=OFF)
BUILD_DIR=$build "$root/scripts/build.sh" "${configure[@]}"

# CPack installs the build into its own staging folder under $build/package.
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
mkdir -p "$out"
shopt -s nullglob
packages=("$build"/package/kalvio_*_amd64.deb)
[ ${#packages[@]} -eq 1 ] || { echo "cpack made no single kalvio package" >&2; exit 1; }
mv -f "${packages[0]}" "$out/"
echo "Package: $out/$(basename "${packages[0]}")"
