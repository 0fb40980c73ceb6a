#!/bin/sh
# Regenerates everything under ui/assets and ui/fonts. The outputs are
# committed, so a normal build never runs this; run it after changing
# anything here and commit the results together with the change.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
assets=$root/ui/assets
fonts=$root/ui/fonts

# The system interpreter, because it is the one that has Debian's numpy
# and fontTools; a pyenv or venv python on PATH usually has neither.
python=/usr/bin/python3

liberation=/usr/share/fonts/truetype/liberation2
texgyre=/usr/share/texmf/fonts/opentype/public/tex-gyre
texgyre_doc=/usr/share/texmf/doc/fonts/tex-gyre

for f in "$liberation/LiberationSans-Regular.ttf" "$texgyre/texgyrechorus-mediumitalic.otf" \
    /usr/share/doc/fonts-liberation2/copyright "$texgyre_doc/GUST-FONT-LICENSE.txt"; do
    if [ ! -e "$f" ]; then
        echo "make-assets: $f is missing; apt-get install fonts-liberation2 fonts-texgyre" >&2
        exit 1
    fi
done
for tool in convert; do
    command -v "$tool" >/dev/null || {
        echo "make-assets: $tool not found; apt-get install imagemagick" >&2
        exit 1
    }
done

mkdir -p "$assets" "$fonts"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- background --------------------------------------------------------
"$python" "$here/background.py" "$tmp/background.ppm"
# Baseline JFIF 1.01 at 96 dpi with 2x2 chroma subsampling: the picture is
# read by Qt's JPEG plugin and by anything else that shows a plain JFIF file.
# -strip keeps ImageMagick from adding EXIF or comments, so the bytes only
# change when the pixels do.
convert "$tmp/background.ppm" -strip -colorspace sRGB -type TrueColor \
    -density 96 -units PixelsPerInch -interlace none -sampling-factor 2x2 \
    -quality 92 "$assets/background.jpg"

# --- icons -------------------------------------------------------------
"$python" "$here/icons.py" "$assets"

# --- fonts -------------------------------------------------------------
# Only the characters the program shows (Portuguese text: ASCII and
# Latin-1). Every name record stays: Chorus's Windows family record reads
# "TeXGyreChorus", and Qt finds "TeX Gyre Chorus" only in the typographic
# and Mac records that fontTools would drop by default; the copyright and
# licence records are how the licences ask to travel with the fonts. OS/2,
# hinting, GPOS and the legacy kern table stay so the text sets and renders
# as it would with the full fonts.
subset() {
    "$python" -m fontTools.subset "$1" --output-file="$2" \
        --unicodes=U+0020-007E,U+00A0-00FF \
        --layout-features='*' --legacy-kern \
        --name-IDs='*' --name-languages='*' --name-legacy \
        --notdef-glyph --notdef-outline --glyph-names \
        --drop-tables+=FFTM
}
for name in LiberationSerif-Bold LiberationSerif-BoldItalic LiberationSans-Bold LiberationSans-Regular; do
    subset "$liberation/$name.ttf" "$fonts/$name.ttf"
done
subset "$texgyre/texgyrechorus-mediumitalic.otf" "$fonts/texgyrechorus-mediumitalic.otf"
# Modified fonts may not carry the originals' reserved names (see rename_font.py).
rename() { "$python" "$here/rename_font.py" "$fonts/$1" "$2" "$3"; }
rename LiberationSerif-Bold.ttf "Liberation Serif" "Brelunda Serif"
rename LiberationSerif-BoldItalic.ttf "Liberation Serif" "Brelunda Serif"
rename LiberationSans-Bold.ttf "Liberation Sans" "Brelunda Sans"
rename LiberationSans-Regular.ttf "Liberation Sans" "Brelunda Sans"
rename texgyrechorus-mediumitalic.otf "TeX Gyre Chorus" "Brelunda Script"

{
    echo "The Liberation*.ttf files here are subsets of Debian's fonts-liberation2, made by tools/assets/make-assets.sh"
    echo "and renamed to the families Brelunda Serif and Brelunda Sans, as the Reserved Font Name below requires."
    echo
    # The font stanza of the Debian copyright file: copyright lines and the
    # full OFL text, without the Debian packaging's own stanza.
    sed -n '/^Files: \*$/,/^Files: /p' /usr/share/doc/fonts-liberation2/copyright |
        sed -e '/^Files: /d' -e 's/^ \.$//' -e 's/^ //' |
        sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
} >"$fonts/LICENSE-Liberation.txt"

{
    echo "texgyrechorus-mediumitalic.otf here is a subset of Debian's fonts-texgyre, made by tools/assets/make-assets.sh"
    echo "and renamed to the family Brelunda Script, as the licence below asks of modified versions."
    echo
    # Copyright and licence paragraphs from the font's manifest, then the
    # licence it refers to.
    sed -n '/^Copyright /,/^of this work is /p' "$texgyre_doc/MANIFEST-TeX-Gyre-Chorus.txt"
    echo
    sed -e 's/[[:space:]]*$//' "$texgyre_doc/GUST-FONT-LICENSE.txt" |
        sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
} >"$fonts/LICENSE-TeXGyre.txt"

echo "make-assets: wrote $(cd "$root" && ls ui/assets/* ui/fonts/* | tr '\n' ' ')"
