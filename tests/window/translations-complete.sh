#!/usr/bin/env bash
# Every text the code marks for translation has its German translation: lupdate,
# run over the sources into a copy of each .ts file, finds nothing untranslated.
# Arguments: lupdate, the source root, then one "<file>.ts:<folder>,<folder>..." each.
set -euo pipefail
lupdate=$1
root=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for module in "$@"; do
    ts=${module%%:*}
    IFS=, read -r -a folders <<<"${module#*:}"
    cp "$root/translations/$ts" "$work/$ts"
    (cd "$root" && "$lupdate" -locations none -no-obsolete -I . -I host "${folders[@]}" \
        -ts "$work/$ts" >/dev/null)
    if grep -q 'type="unfinished"' "$work/$ts"; then
        echo "Without translation in $ts:"
        grep -A1 '<source>' "$work/$ts" | grep -B1 'type="unfinished"' | grep '<source>'
        status=1
    fi
done
exit $status
