#!/bin/sh
# Draws the diagram of the PUMP sample deck (installation/samples/PUMP.BMP):
# well, pump, riser, tank with rim spill, and the drain valve, labelled with the
# deck's names. Needs ImageMagick; run it again after changing the drawing.
set -e
out=${1:-$(dirname "$0")/../../installation/samples/PUMP.BMP}
font=DejaVu-Sans
convert -size 420x280 xc:white -font "$font" -pointsize 12 -stroke black -strokewidth 2 \
  -fill '#cfe8ff' -draw "rectangle 20,200 110,260" \
  -fill none -draw "line 20,200 20,262" -draw "line 110,200 110,262" -draw "line 18,262 112,262" \
  -draw "line 65,228 65,170" \
  -fill '#ffe9a8' -draw "circle 65,150 65,170" \
  -fill black -draw "polygon 55,160 55,140 80,150" \
  -fill none -draw "line 65,130 65,40" -draw "line 65,40 230,40" -draw "line 230,40 230,60" \
  -fill '#cfe8ff' -stroke none -draw "rectangle 201,120 329,230" \
  -stroke black -fill none -draw "line 200,60 200,232" -draw "line 330,60 330,232" -draw "line 198,232 332,232" \
  -stroke '#1f6fbf' -strokewidth 1 -draw "line 201,120 329,120" \
  -stroke black -strokewidth 2 -draw "line 330,218 370,218" \
  -fill white -draw "polygon 350,208 350,228 366,218" -draw "polygon 382,208 382,228 366,218" \
  -fill none -draw "line 382,218 405,218" -draw "line 405,218 405,250" \
  -fill black -draw "polygon 399,244 411,244 405,256" \
  -draw "line 330,62 352,62" -draw "line 352,62 352,100" -fill black -draw "polygon 346,94 358,94 352,106" \
  -stroke none -fill black \
  -draw "text 118,250 'well'" -draw "text 88,154 'PUMP'" -draw "text 88,170 'QPUMP'" \
  -draw "text 120,34 'riser (HSTAT)'" -draw "text 236,100 'TANK (AREA)'" \
  -draw "text 240,140 'LEVEL'" -draw "text 338,246 'valve CV'" -draw "text 340,272 'QOUT'" \
  -draw "text 358,60 'rim HMAX'" -draw "text 360,120 'QSPILL'" \
  -pointsize 15 -draw "text 20,22 'PUMP.DCK: pump, tank and drain valve'" \
  -colors 16 -type Palette BMP3:"$out"
