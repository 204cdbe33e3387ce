#!/usr/bin/env bash
# Redraws the window's small pictures with ImageMagick and the Noto Sans CJK font
# (fonts-noto-cjk). The PNGs are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/pictures"

font=Noto-Sans-CJK-SC-Bold

# glyph <character> <side> <pointsize> <raise> <output>: a red character centred on a yellow square.
glyph() {
  convert -size "$2x$2" xc:'#FFE600' -font "$font" -pointsize "$3" -fill '#D00000' \
    -gravity center -annotate +0-"$4" "$1" -strip -define png:exclude-chunks=date,time \
    PNG24:"$5"
}

glyph 福 48 38 2 logo-fu.png
glyph 囍 48 38 2 about-xi.png
glyph 码 32 26 1 window-icon.png
