#!/bin/sh
# Remakes the small test pictures in this folder from one 16 x 8 pattern that this
# script writes itself, each stored by ImageMagick in a different layout, so the
# decoders meet files that our own encoders did not write. The test that reads them
# (tests/image/picture_io_codecs.cpp) computes the same pattern.
#
#   pixel (x, y): red 16x + 8, green 32y + 16, blue 64((x + y) mod 4) + 32
#   the "alpha" pictures: alpha 0 where x + y is 3, 128 where it is 7, else 255
set -eu
cd "$(dirname "$0")"
python3 - <<'PY'
def rgba(x, y):
    a = 0 if x + y == 3 else 128 if x + y == 7 else 255
    return bytes([16 * x + 8, 32 * y + 16, 64 * ((x + y) % 4) + 32, a])
rows = [[rgba(x, y) for x in range(16)] for y in range(8)]
with open("pattern.ppm", "wb") as f:
    f.write(b"P6\n16 8\n255\n" + b"".join(p[:3] for r in rows for p in r))
with open("pattern.pam", "wb") as f:
    f.write(b"P7\nWIDTH 16\nHEIGHT 8\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n")
    f.write(b"".join(p for r in rows for p in r))
PY
c="convert -define png:exclude-chunks=date,time +set date:create +set date:modify"
$c pattern.ppm -strip -define png:color-type=2 rgb.png
$c pattern.ppm -strip -interlace PNG interlaced.png
$c pattern.ppm -strip PNG8:palette.png
$c pattern.pam -strip -define png:color-type=6 alpha.png
$c pattern.ppm -strip rgb.gif
$c pattern.ppm -strip -interlace GIF interlaced.gif
$c pattern.pam -strip -channel A -threshold 0 +channel transparent.gif
$c pattern.ppm -strip -quality 95 -sampling-factor 1x1 rgb.jpg
$c pattern.ppm -strip -quality 95 -sampling-factor 1x1 -interlace JPEG progressive.jpg
$c pattern.ppm -strip -type TrueColor BMP3:rgb24.bmp
$c pattern.ppm -strip -type Palette BMP3:palette8.bmp
$c pattern.pam -strip -define bmp:format=bmp4 alpha32.bmp
$c pattern.ppm -strip -compress LZW rgb.tif
$c pattern.pam -strip -compress None alpha.tif
$c pattern.ppm -strip -type Palette -compress None palette.tif
$c pattern.ppm -strip -compress LZW -define tiff:tile-geometry=16x16 tiled.tif
$c pattern.ppm -strip -compress None -interlace Plane planar.tif
rm pattern.ppm pattern.pam
