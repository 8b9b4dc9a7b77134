#!/usr/bin/env bash
# The installed tree on its own: install the build, move the tree elsewhere (run
# paths and data must be relative), list the plug-in through bin/kalvio, then
# connect to the installed simulator with the tree read-only and check that the
# window layout goes to the user's configuration folder.
set -euo pipefail
build=$1
cmake=${2:-cmake}
work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$work/staged" >"$work/install.log"
mv "$work/staged" "$work/prefix"
prefix=$work/prefix
lib=$prefix/lib/kalvio

list=$("$prefix/bin/kalvio" --list) || fail "kalvio --list: $list"
echo "$list"
grep -qxE "IoLinkZT4Kfamily [0-9.]+ \[SERIAL\] $lib/IoLinkZT4Kfamily\.so" <<<"$list" \
    || fail "plug-in not loaded from $lib"
for sensor in "ZT41: ZT4K-010 -1...10 bar" "ZT42: ZT4K-100 0...100 bar" \
              "ZT43: ZT4K-400 0...400 bar"; do
    grep -qxF "  sensor $sensor" <<<"$list" || fail "sensor $sensor not listed"
done

# chmod does not stop root, and the product asks access(2) whether it may write
# beside the program. So as root (CI) both programs run as the unprivileged
# user nobody through setpriv, for whom the root-owned, read-only tree is what
# it is for any user of an installed package. (A read-only bind mount would need
# CAP_SYS_ADMIN, which containers often lack.)
chmod -R a-w "$prefix"
home=$work/home
mkdir -p "$home" "$work/out"
run=()
if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups true \
        || { echo "SKIP: cannot switch to an unprivileged user"; exit 77; }
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    chmod 755 "$work"
    chown 65534:65534 "$home" "$work/out"
fi

"${run[@]}" "$prefix/bin/iolink-master-sim" --log >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
device=""
for _ in $(seq 50); do
    device=$(head -n1 "$work/sim.out")
    [ -n "$device" ] && break
    sleep 0.1
done
[ -n "$device" ] || fail "simulator did not start: $(cat "$work/sim.err")"

shot=$work/out/kalvio.png
"${run[@]}" env HOME="$home" XDG_CONFIG_HOME="$home/config" "$prefix/bin/kalvio" \
    --open "ZT4K-010 -1...10 bar" --port "$device" --connect "$device" \
    --screenshot "$shot" --quit-after 3000 || fail "kalvio exited with $?"

[ "$(head -c4 "$shot" | od -An -c | tr -d ' ')" = "211PNG" ] || fail "no PNG screenshot"
grep -q '^>' "$work/sim.err" && grep -q '^<' "$work/sim.err" \
    || fail "no request answered by the simulator"
ini=$home/config/kalvio/IoLinkZT4Kfamily.ini
grep -q 'geometry=' "$ini" || fail "no window layout in $ini"
[ ! -e "$lib/IoLinkZT4Kfamily.ini" ] || fail "layout written into the installed tree"
echo "layout in $ini"
