#!/usr/bin/env bash
# Draws the default skin's pictures with ImageMagick and the DejaVu fonts (Debian packages
# imagemagick and fonts-dejavu-core). Run it from anywhere; it writes into its own folder.
set -euo pipefail
cd "$(dirname "$0")"
im=$(command -v convert-im6.q16 || echo /usr/bin/convert)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# The background: a rounded card with transparent corners, a title and a thin rule.
"$im" -size 480x300 xc:none \
  \( -size 480x300 gradient:'#222b3d-#141926' \) \
  \( -size 480x300 xc:none -fill white -draw 'roundrectangle 0,0 479,299 18,18' \) \
  -delete 0 -alpha off -compose CopyOpacity -composite \
  -fill '#e8ecf4' -font "$bold" -pointsize 17 -annotate +24+34 'Kivu Updata' \
  -fill '#7d8aa5' -font "$font" -pointsize 11 -annotate +150+33 'firmware updater' \
  -fill '#2d3850' -draw 'rectangle 24,48 456,48' \
  PNG32:main.png

# The mouse: a rounded body with a wheel and a button seam, with a soft shadow.
"$im" -size 120x120 xc:none \
  -fill '#0b0e15' -draw 'roundrectangle 34,16 90,112 28,30' -blur 0x3 \
  -fill '#d9deea' -stroke '#aab3c7' -strokewidth 2 -draw 'roundrectangle 30,10 86,106 28,30' \
  -stroke '#9aa4ba' -strokewidth 2 -draw 'line 58,12 58,46' -draw 'line 31,46 85,46' \
  -stroke none -fill '#2a7de1' -draw 'roundrectangle 54,20 62,36 4,4' \
  PNG32:mouse.png

# The receiver: a small USB plug with its connector.
"$im" -size 120x120 xc:none \
  -fill '#0b0e15' -draw 'roundrectangle 42,48 94,86 8,8' -blur 0x3 \
  -fill '#c9cfdc' -stroke '#98a2b8' -strokewidth 2 -draw 'rectangle 14,50 44,80' \
  -fill '#7d8aa5' -stroke none -draw 'rectangle 20,58 26,62' -draw 'rectangle 32,58 38,62' \
  -fill '#3a4560' -stroke '#56627f' -strokewidth 2 -draw 'roundrectangle 42,44 92,86 8,8' \
  -fill '#2a7de1' -stroke none -draw 'circle 80,65 83,65' \
  PNG32:dongle.png

text() {  # text FILE COLOUR WORDS
  "$im" -size 280x22 xc:none -fill "$2" -font "$font" -pointsize 12 -gravity west -annotate +0+0 "$3" PNG32:"$1"
}
text mouse_text1.png '#e8ecf4' 'Updates the firmware of your wireless mouse.'
text mouse_text2.png '#b9c2d6' 'Keep the USB receiver plugged in.'
text mouse_text3.png '#b9c2d6' 'Switch the mouse on and keep it close by.'
text mouse_text4.png '#f0b35a' 'Do not unplug anything during the update.'
text mouse_text5.png '#b9c2d6' 'Press Start to begin.'
text dongle_text1.png '#e8ecf4' 'Updates the firmware of your USB receiver.'
text dongle_text2.png '#b9c2d6' 'Keep the receiver plugged in.'
text dongle_text3.png '#b9c2d6' 'Two stages: the radio, then the USB chip.'
text dongle_text4.png '#f0b35a' 'Do not unplug the receiver during the update.'
text dongle_text5.png '#b9c2d6' 'Press Start to begin.'

# The exit button: a cross in a soft circle.
"$im" -size 24x24 xc:none -fill '#2d3850' -draw 'circle 12,12 12,1' \
  -stroke '#c9cfdc' -strokewidth 2 -draw 'line 8,8 16,16' -draw 'line 16,8 8,16' PNG32:exit.png

# The progress bar, empty and filled.
"$im" -size 400x12 xc:none -fill '#2a3347' -draw 'roundrectangle 0,0 399,11 6,6' PNG32:progress.png
"$im" -size 400x12 xc:none \
  \( -size 400x12 gradient:'#3fa2ff-#2a6fe0' -rotate 90 -resize 400x12! \) \
  \( -size 400x12 xc:none -fill white -draw 'roundrectangle 0,0 399,11 6,6' \) \
  -delete 0 -alpha off -compose CopyOpacity -composite PNG32:progress_over.png

button() {  # button FILE TOP BOTTOM LABEL
  "$im" -size 140x40 xc:none \
    \( -size 140x40 gradient:"$2-$3" \) \
    \( -size 140x40 xc:none -fill white -draw 'roundrectangle 0,0 139,39 12,12' \) \
    -delete 0 -alpha off -compose CopyOpacity -composite \
    -fill white -font "$bold" -pointsize 15 -gravity center -annotate +0+0 "$4" PNG32:"$1"
}
button start.png '#3f9bff' '#2a6fe0' 'Start'
button pass.png '#3cc36f' '#23985a' 'PASS'
button fail.png '#f0625d' '#c93b3b' 'FAIL'
