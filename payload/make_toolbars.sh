#!/usr/bin/env bash
# Draws the four toolbar skins of the default payload (16 buttons in one row, N x N pixels
# each) with ImageMagick. The PNGs are kept in files/Toolbars/; run this only to redraw them.
#
# The images are palette PNGs saved without zlib compression: the payload archive deflates
# every file, and an already compressed image would not get any smaller there.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/files/Toolbars

# The 16 button shapes, drawn on a 16 x 16 grid and scaled to the skin's size.
shapes=(
  "rectangle 2,5 14,13 rectangle 2,3 7,5"                       # open
  "rectangle 3,2 13,14 rectangle 5,2 11,6"                      # save
  "polygon 2,8 9,2 9,6 14,6 14,10 9,10 9,14"                    # previous
  "polygon 14,8 7,2 7,6 2,6 2,10 7,10 7,14"                     # next
  "polygon 8,2 14,9 10,9 10,14 6,14 6,9 2,9"                    # up
  "polygon 8,14 14,7 10,7 10,2 6,2 6,7 2,7"                     # down
  "polygon 6,2 10,2 10,6 14,6 14,10 10,10 10,14 6,14 6,10 2,10 2,6 6,6"  # zoom in
  "rectangle 2,6 14,10"                                         # zoom out
  "rectangle 2,4 14,12"                                         # fit to window
  "rectangle 1,1 15,15"                                         # full screen
  "circle 8,8 8,2"                                              # slide show
  "roundrectangle 2,4 14,12 3,3"                                # thumbnails
  "polygon 8,1 15,8 8,15 1,8"                                   # rotate
  "polygon 3,2 8,6 13,2 14,3 10,8 14,13 13,14 8,10 3,14 2,13 6,8 2,3"  # delete
  "polygon 8,1 10,6 15,6 11,9 13,15 8,11 3,15 5,9 1,6 6,6"      # favourites
  "ellipse 8,8 7,4 0,360"                                       # information
)

draw_skin() { # file name, size, fill colour, outline colour
  local file=$1 size=$2 fill=$3 line=$4 scale
  scale=$(awk "BEGIN { print $size / 16 }")
  local args=()
  for shape in "${shapes[@]}"; do
    args+=( "(" -size "${size}x${size}" xc:none +antialias -fill "$fill" -stroke "$line"
            -draw "scale $scale,$scale $shape" ")" )
  done
  convert "${args[@]}" +append -strip -define png:exclude-chunks=date,time \
    -define png:compression-level=0 "PNG8:$out/$file"
}

draw_skin gnome-colors-human_48.png 48 '#e07a1f' '#7a3f0a'
draw_skin gnome-colors-wise_32.png  32 '#5a9e3a' '#2d5a1a'
draw_skin Halvint_24.png            24 '#2f6db5' '#173a66'
draw_skin Tessor_16.png             16 '#8a8a8a' '#3c3c3c'
