#!/bin/sh
# Draws the edition logos and the diagnostics severity icons with ImageMagick.
# The PNGs are committed; run this again only to change them:
#   sh resources/make-images.sh
# Every logo is a simple mark plus the company name, on a transparent ground,
# in exactly the size the windows place it at.
set -eu
cd "$(dirname "$0")"
BOLD=DejaVu-Sans-Bold
BOOK=DejaVu-Sans
# Strip time stamps so that regenerating gives the same bytes.
OUT="-define png:exclude-chunks=date,time +set date:create +set date:modify"

# Qorvana, the maker (262 x 65): a ring with a tail, the name and a tag line.
convert -size 262x65 xc:none \
    -stroke '#0f7c8c' -strokewidth 7 -fill none -draw 'circle 32,32 32,11' \
    -stroke '#0f7c8c' -strokewidth 7 -draw 'line 40,40 54,54' \
    -stroke none -fill '#f2a900' -draw 'circle 32,32 32,25' \
    -fill '#1d2b3a' -font $BOLD -pointsize 30 -annotate +66+38 'QORVANA' \
    -fill '#0f7c8c' -font $BOOK -pointsize 11 -annotate +68+55 'networked pixel control' \
    $OUT logos/LogoQorvana.png

# Brand 1, Brightwell Stage Systems (231 x 65): a rayed sun.
convert -size 231x65 xc:none \
    -stroke '#e08a00' -strokewidth 3 \
    -draw 'line 28,6 28,58' -draw 'line 2,32 54,32' -draw 'line 10,14 46,50' -draw 'line 10,50 46,14' \
    -stroke none -fill '#ffb000' -draw 'circle 28,32 28,19' \
    -fill '#2a2a2a' -font $BOLD -pointsize 24 -annotate +62+34 'Brightwell' \
    -fill '#e08a00' -font $BOOK -pointsize 11 -annotate +64+52 'STAGE SYSTEMS' \
    $OUT logos/LogoBrand1.png

# Brand 2, Kestrel Lightworks (197 x 65): a wing made of two chevrons.
convert -size 197x65 xc:none \
    -fill '#b3202a' -draw 'polygon 4,46 30,14 56,46 46,46 30,27 14,46' \
    -fill '#e0474f' -draw 'polygon 14,56 30,36 46,56 38,56 30,46 22,56' \
    -fill '#222222' -font $BOLD -pointsize 24 -annotate +62+34 'Kestrel' \
    -fill '#b3202a' -font $BOOK -pointsize 11 -annotate +64+52 'LIGHTWORKS' \
    $OUT logos/LogoBrand2.png

# Brand 3, Harborline FX (176 x 65): three waves.
convert -size 176x65 xc:none -fill none -stroke '#1565c0' -strokewidth 3 \
    -draw 'path "M 3,22 Q 11,15 19,22 T 35,22"' \
    -draw 'path "M 3,33 Q 11,26 19,33 T 35,33"' \
    -draw 'path "M 3,44 Q 11,37 19,44 T 35,44"' \
    -stroke none -fill '#0d2f57' -font $BOLD -pointsize 20 -annotate +44+32 'Harborline' \
    -fill '#1565c0' -font $BOLD -pointsize 14 -annotate +46+51 'FX' \
    $OUT logos/LogoBrand3.png

# Brand 4, Solwyn Illumination (258 x 66): a rising half sun over a line.
convert -size 258x66 xc:none \
    -fill '#f57c00' -draw 'ellipse 30,44 24,24 180,360' \
    -stroke '#5d4037' -strokewidth 4 -draw 'line 2,46 58,46' \
    -stroke none -fill '#3e2723' -font $BOLD -pointsize 28 -annotate +68+36 'Solwyn' \
    -fill '#f57c00' -font $BOOK -pointsize 12 -annotate +70+55 'ILLUMINATION' \
    $OUT logos/LogoBrand4.png

# Brand 5, Tidemark Displays (211 x 65): stacked bars of falling length.
convert -size 211x65 xc:none \
    -fill '#00897b' -draw 'roundrectangle 4,12 50,20 3,3' \
    -fill '#26a69a' -draw 'roundrectangle 4,28 40,36 3,3' \
    -fill '#80cbc4' -draw 'roundrectangle 4,44 30,52 3,3' \
    -fill '#263238' -font $BOLD -pointsize 23 -annotate +58+34 'Tidemark' \
    -fill '#00897b' -font $BOOK -pointsize 11 -annotate +60+52 'DISPLAYS' \
    $OUT logos/LogoBrand5.png

# Brand 6, Orrin Vale Lighting (306 x 65): a diamond with a valley cut.
convert -size 306x65 xc:none \
    -fill '#6a1b9a' -draw 'polygon 30,6 56,32 30,58 4,32' \
    -fill '#e1bee7' -draw 'polygon 16,26 30,40 44,26 44,34 30,48 16,34' \
    -fill '#2e1a3a' -font $BOLD -pointsize 26 -annotate +66+36 'Orrin Vale' \
    -fill '#6a1b9a' -font $BOOK -pointsize 12 -annotate +68+54 'LIGHTING' \
    $OUT logos/LogoBrand6.png

# Severity pictures of the diagnostics grid, 25 x 25.
convert -size 25x25 xc:none -fill '#d32f2f' -draw 'circle 12,12 12,1' \
    -stroke white -strokewidth 3 -draw 'line 8,8 16,16' -draw 'line 16,8 8,16' \
    $OUT icons/Error.png
convert -size 25x25 xc:none -fill '#f9a825' -stroke '#c17900' -strokewidth 1 \
    -draw 'polygon 12,2 23,22 1,22' \
    -stroke none -fill '#222222' -draw 'rectangle 11,8 13,15' -draw 'rectangle 11,18 13,20' \
    $OUT icons/Warning.png
convert -size 25x25 xc:none -fill '#1976d2' -draw 'circle 12,12 12,1' \
    -fill white -draw 'rectangle 11,10 13,18' -draw 'rectangle 11,6 13,8' \
    $OUT icons/Info.png

for f in logos/*.png icons/*.png; do identify -format '%f %wx%h\n' "$f"; done
