#!/usr/bin/env bash
# The desktop entry is valid, and what the menus show and start matches what we install: the
# binary's name and the icon's name (icons missing at any size fall back to a generic one).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

desktop=$1 icons=$2 program=$3
shift 3
sizes=("$@")
((${#sizes[@]} > 0)) || fail "usage: desktop_entry.sh <desktop file> <icon dir> <program> <size>..."
need desktop-file-validate desktop-file-utils

# It exits 0 on warnings and hints; we want none.
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[[ -z $report ]] || fail "desktop-file-validate complains: $report"

# value <key>: the key's value in the [Desktop Entry] group.
value() {
    awk -v key="$1=" '
        /^\[/ { in_entry = ($0 == "[Desktop Entry]") }
        in_entry && index($0, key) == 1 { print substr($0, length(key) + 1); found = 1; exit }
        END { exit !found }' "$desktop" || fail "no $1 in [Desktop Entry]"
}

id=$(basename "$desktop" .desktop)
[[ $(value Name) == Brelunda ]] || fail "Name is '$(value Name)'"
[[ $(value Exec) == "$program" ]] || fail "Exec is '$(value Exec)', the installed program is '$program'"
[[ $(value Icon) == "$id" ]] || fail "Icon is '$(value Icon)', the icons are installed as '$id'"
[[ $(value Type) == Application ]] || fail "Type is '$(value Type)'"
[[ $(value Terminal) == false ]] || fail "Terminal is '$(value Terminal)'"

comment=$(value Comment)
comment_pt=$(value 'Comment[pt_BR]')
[[ -n $comment && -n $comment_pt ]] || fail "Comment and Comment[pt_BR] must both say something"
[[ $comment != "$comment_pt" ]] || fail "Comment[pt_BR] is the English comment untranslated"

for size in "${sizes[@]}"; do
    png=$icons/$id-$size.png
    [[ -f $png ]] || fail "no $size px icon: $png"
    # The PNG header holds the width and height as big-endian 32-bit numbers at bytes 16..23.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
    [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height, not ${size}x$size"
done
echo "desktop entry $id: valid, starts $program, icons at ${sizes[*]} px"
