#!/bin/sh
# Renders the light bulb of ui/assets/lightbulb.ico into the hicolor PNGs the desktop uses.
# The PNGs are committed, so a build never runs this; rerun it only when the .ico changes and
# commit the results with it.
#
# The icon is pixel art: 16 and 32 come straight from the matching images in the .ico, and the
# larger sizes enlarge the 32 px image with point sampling so every pixel stays a hard-edged
# block (48 is not a whole multiple, so some rows and columns double; still better than a blur).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
ico=$root/ui/assets/lightbulb.ico
id=io.github.brelunda.Brelunda

command -v convert >/dev/null || {
    echo "make-icons: convert not found; apt-get install imagemagick" >&2
    exit 1
}

# No timestamps or other ancillary chunks: a rerun without changes leaves the files identical.
png_options="-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt"

# The .ico holds the 32 px image first and the 16 px image second.
# shellcheck disable=SC2086
convert "$ico[1]" $png_options "PNG32:$here/$id-16.png"
# shellcheck disable=SC2086
convert "$ico[0]" $png_options "PNG32:$here/$id-32.png"
for size in 48 64 128; do
    # shellcheck disable=SC2086
    convert "$ico[0]" -filter point -resize "${size}x${size}" $png_options "PNG32:$here/$id-$size.png"
done
