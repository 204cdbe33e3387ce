#!/usr/bin/env bash
# Redraws the window's small pictures and the application icon from the Noto Sans CJK font
# (fonts-noto-cjk) with ImageMagick, fontTools (python3-fonttools) and rsvg-convert
# (librsvg2-bin). The outputs are committed; run this only to change them. The same fonts and
# tools give the same bytes.
set -euo pipefail
cd "$(dirname "$0")"

font=Noto-Sans-CJK-SC-Bold
font_file=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
yellow='#FFE600'
red='#D00000'

# glyph <character> <side> <pointsize> <raise> <output>: a red character centred on a yellow square.
glyph() {
  convert -size "$2x$2" xc:"$yellow" -font "$font" -pointsize "$3" -fill "$red" \
    -gravity center -annotate +0-"$4" "$1" -strip -define png:exclude-chunks=date,time \
    PNG24:"$5"
}

# The default logo sits in the symbol's centre, over the alignment pattern of the versions that
# have one there. At this size the yellow ring round the character keeps its strokes from
# looking like an alignment pattern to zbar; bench/logo/logo_scan.py checks every version.
glyph 福 48 30 0 pictures/logo-fu.png
glyph 囍 48 38 2 pictures/about-xi.png
glyph 码 32 26 1 pictures/window-icon.png

# The application icon: the window icon's red 码 on a yellow rounded square, with the character
# as outlines so that the icon needs no font where it is shown.
/usr/bin/python3 - "$font_file" "$yellow" "$red" >icons/quorlik.svg <<'PYTHON'
import sys
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.ttLib import TTCollection

font_file, yellow, red = sys.argv[1:4]
face = next(f for f in TTCollection(font_file).fonts
            if f["name"].getDebugName(4) == "Noto Sans CJK SC Bold")
glyphs = face.getGlyphSet()
name = face.getBestCmap()[ord("码")]
bounds = BoundsPen(glyphs)
glyphs[name].draw(bounds)
x0, y0, x1, y1 = bounds.bounds
outline = SVGPathPen(glyphs)
glyphs[name].draw(outline)

side, ink = 256, 192  # the character's larger extent fills 3/4 of the square
scale = ink / max(x1 - x0, y1 - y0)
dx = (side - (x1 - x0) * scale) / 2 - x0 * scale
dy = (side + (y1 - y0) * scale) / 2 + y0 * scale
print(f'<svg xmlns="http://www.w3.org/2000/svg" width="{side}" height="{side}" '
      f'viewBox="0 0 {side} {side}">')
print(f'  <rect x="8" y="8" width="240" height="240" rx="36" fill="{yellow}"/>')
print(f'  <path fill="{red}" transform="translate({dx:.2f} {dy:.2f}) scale({scale:.5f} {-scale:.5f})"')
print(f'        d="{outline.getCommands()}"/>')
print('</svg>')
PYTHON

for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" icons/quorlik.svg |
    convert - -strip -define png:exclude-chunks=date,time PNG32:"icons/quorlik-$size.png"
done
