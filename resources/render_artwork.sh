#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders Sonavel's images from the SVG sources beside this script, with
# rsvg-convert (librsvg2-bin), ImageMagick and icotool (icoutils):
#
#   play.png, pause.png, stop.png  8-bit grey with alpha, at the SVG's own size
#   mute.png                       8-bit palette with a transparency table
#   unmute.png                     8-bit RGBA
#   app_icon-SIZE.png              app_icon.svg at each SIZE, 32-bit RGBA: the
#                                  desktop's icons (the hicolor theme's), and
#   app_icon.ico                   those, each an uncompressed 32-bit image with
#                                  its 1-bit mask, in the order of the SIZEs
#
#     render_artwork.sh SIZE...          rewrites those files
#     render_artwork.sh --check SIZE...  fails, naming them, when the pixels of
#                                        the committed files are not what the
#                                        sources render to
#
# The icon sizes come from CMake (SONAVEL_ICON_SIZES): after changing an SVG,
# `cmake --build <build dir> --target artwork` rewrites the files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() {
    echo "usage: $0 [--check] SIZE..." >&2
    exit 2
}

# Writes the files into $1 for the icon sizes that follow.
render() {
    local out=$1 name size
    shift
    # Only alpha carries the buttons' shapes: grey and alpha is all they need.
    for name in play pause stop; do
        rsvg-convert "$here/$name.svg" |
            convert png:- -strip -define png:color-type=4 -define png:bit-depth=8 "$out/$name.png"
    done
    # Two colours and their edges fit a palette; +dither keeps each edge pixel
    # to the nearest entry instead of spreading noise around it.
    rsvg-convert "$here/mute.svg" |
        convert png:- -strip +dither -type PaletteAlpha -define png:bit-depth=8 "$out/mute.png"
    rsvg-convert "$here/unmute.svg" |
        convert png:- -strip -define png:color-type=6 -define png:bit-depth=8 "$out/unmute.png"

    local frames=()
    for size in "$@"; do
        rsvg-convert -w "$size" -h "$size" "$here/app_icon.svg" -o "$out/app_icon-$size.png"
        frames+=("$out/app_icon-$size.png")
    done
    # From 32-bit PNGs icotool writes 32-bit bitmaps with their masks, not PNG entries.
    icotool -c -o "$out/app_icon.ico" "${frames[@]}"
}

# Same number of images, same sizes in the same order, and not one pixel apart.
same_pixels() {
    local a=$1 b=$2 sizes i
    sizes=$(identify -format '%wx%h\n' "$a" 2>/dev/null) || return 1
    [ "$sizes" = "$(identify -format '%wx%h\n' "$b")" ] || return 1
    for ((i = 0; i < $(wc -l <<<"$sizes"); i++)); do
        [ "$(compare -metric AE "${a}[$i]" "${b}[$i]" null: 2>&1)" = 0 ] || return 1
    done
}

mode=write
case ${1:-} in
--check)
    mode=check
    shift
    ;;
esac
[ $# -ge 1 ] || usage
files=(play.png pause.png stop.png mute.png unmute.png app_icon.ico)
for size in "$@"; do
    files+=("app_icon-$size.png")
done

case $mode in
write)
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    render "$scratch" "$@"
    for file in "${files[@]}"; do
        cp "$scratch/$file" "$here/$file"
        echo "$here/$file"
    done
    ;;
check)
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    render "$scratch" "$@"
    stale=()
    for file in "${files[@]}"; do
        if same_pixels "$here/$file" "$scratch/$file"; then
            echo "$file: as rendered"
        elif [ ! -e "$here/$file" ]; then
            echo "$file: MISSING"
            stale+=("$file")
        else
            echo "$file: DIFFERS from what its source renders to"
            stale+=("$file")
        fi
    done
    if ((${#stale[@]})); then
        echo "Render them again: cmake --build <build dir> --target artwork" >&2
        exit 1
    fi
    ;;
esac
