#!/bin/sh
# Remakes the seed corpora of the fuzz targets: a few valid inputs of each kind
# (the test pictures of tests/data/pictures and bitmaps written here byte by byte)
# and a few broken ones (cut short, lying headers). Kept tiny on purpose: the
# fuzzer grows its own corpus in a scratch copy (scripts/fuzz).
set -eu
cd "$(dirname "$0")"
pictures=../../data/pictures
rm -rf picture_bmp picture_gif picture_memory picture_file saver_args render_args key_script
mkdir -p picture_bmp picture_gif picture_memory picture_file saver_args render_args key_script
for f in rgb24.bmp palette8.bmp alpha32.bmp; do cp $pictures/$f picture_bmp/; done
for f in rgb.gif interlaced.gif transparent.gif; do cp $pictures/$f picture_gif/; done
for f in rgb.png palette.png interlaced.png rgb.jpg progressive.jpg rgb.tif tiled.tif palette.tif \
         rgb.gif rgb24.bmp; do
  cp $pictures/$f picture_memory/
done
for f in alpha.png rgb.jpg planar.tif transparent.gif palette8.bmp; do cp $pictures/$f picture_file/; done
python3 - <<'PY'
import struct

def put(path, data):
    with open(path, "wb") as f:
        f.write(data)

def info(w, h, bpp, compression=0, colours=0, size=40):
    return struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, compression, 0, 2835, 2835,
                       colours, 0)

def bmp(dib, bits_at):
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 14 + bits_at) + dib

# 1-bit 5x3, two colours, rows padded to 4 bytes.
grey = struct.pack("<4B", 0, 0, 0, 0) + struct.pack("<4B", 255, 255, 255, 0)
dib = info(5, 3, 1, colours=2) + grey + bytes([0b10100000, 0, 0, 0, 0b01010000, 0, 0, 0,
                                               0b11111000, 0, 0, 0])
put("picture_bmp/mono.bmp", bmp(dib, 40 + 8))
put("picture_bmp/mono.dib", dib)
# 4-bit and 8-bit run-length bitmaps 6x4 with every escape: end of row, move, literal, end.
pal16 = b"".join(struct.pack("<4B", 16 * i, 255 - 16 * i, 8 * i, 0) for i in range(16))
rle4 = bytes([6, 0x12, 0, 0, 0, 2, 1, 1, 4, 0x34, 0, 0, 0, 4, 0x56, 0x78, 0, 1])
put("picture_bmp/rle4.bmp", bmp(info(6, 4, 4, 2, 16) + pal16 + rle4, 40 + 64))
pal256 = b"".join(struct.pack("<4B", i, i ^ 0x55, 255 - i, 0) for i in range(256))
rle8 = bytes([3, 7, 0, 3, 9, 10, 11, 0, 0, 0, 2, 2, 1, 2, 200, 0, 0, 0, 1])
put("picture_bmp/rle8.bmp", bmp(info(6, 4, 8, 1, 256) + pal256 + rle8, 40 + 1024))
# 16-bit 5-6-5 bit fields, top-down, 3x2.
masks = struct.pack("<3I", 0xF800, 0x07E0, 0x001F)
rows = struct.pack("<3H", 0xF800, 0x07E0, 0x001F) + b"\0\0" + struct.pack("<3H", 0xFFFF, 0, 0x8410) + b"\0\0"
put("picture_bmp/fields565.bmp", bmp(info(3, -2, 16, 3) + masks + rows, 40 + 12))
# A core (12-byte) header with a 3-byte palette, 8-bit 2x2.
core = struct.pack("<IHHHH", 12, 2, 2, 1, 8) + b"".join(bytes([i, 0, 255 - i]) for i in range(256))
put("picture_bmp/core.bmp", bmp(core + bytes([1, 200, 0, 0, 255, 3, 0, 0]), 12 + 768))
# Broken: cut short, and a header that claims a huge picture over a few bytes.
with open("picture_bmp/rgb24.bmp", "rb") as f:
    whole = f.read()
put("picture_bmp/cut.bmp", whole[:len(whole) // 2])
put("picture_bmp/huge.bmp", bmp(info(16384, 16384, 24), 40) + b"\xff" * 16)

# GIF: a 1x1 picture placed past a 2x2 screen, and broken ones.
def gif(screen_w, screen_h, left, top, w, h, data):
    head = b"GIF89a" + struct.pack("<HHBBB", screen_w, screen_h, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    gce = b"\x21\xf9\x04\x01\0\0\x01\0"
    desc = b"\x2c" + struct.pack("<HHHHB", left, top, w, h, 0)
    return head + gce + desc + data + b"\x3b"
lzw = b"\x02\x02\x44\x01\x00"  # min code size 2, one block: clear, 1, end
put("picture_gif/offscreen.gif", gif(2, 2, 1, 1, 1, 1, lzw))
put("picture_gif/emptyscreen.gif", gif(0, 0, 0, 0, 1, 1, lzw))
with open("picture_gif/rgb.gif", "rb") as f:
    whole = f.read()
put("picture_gif/cut.gif", whole[:200])
put("picture_memory/cut.png", open("picture_memory/rgb.png", "rb").read()[:60])
put("picture_memory/cut.jpg", open("picture_memory/rgb.jpg", "rb").read()[:300])
put("picture_memory/cut.tif", open("picture_memory/rgb.tif", "rb").read()[:200])

args = {
    "saver_args": [["C:\\dir\\saver.scr"], ["C:\\dir\\saver.scr", "/s"], ["saver", "/P", "1234"],
                   ["saver.scr", "/p", "abc"], ["x", "/c:1234"], ["x", "/p"],
                   ["\\\\host\\my.saver.scr", "/S", "extra"]],
    "render_args": [["--frames", "10", "--size", "64x48", "--keys", "3:Esc,3:Enter"],
                    ["--seed", "32767", "--every", "5", "--quiet", "--out", "/tmp/x"],
                    ["--size", "16384x8", "--frames", "0"], ["--keys", "1:Nope"], ["--frames"],
                    ["--demo", "--keys", "1:Move(300,100),2:RClick,4:Move(360,148),6:LClick"]],
}
for target, lines in args.items():
    for i, line in enumerate(lines):
        put("%s/seed%d" % (target, i), "\0".join(line).encode("utf-8"))
for i, line in enumerate(["10:Enter,20:CU", "3:Esc,", "0:f1,100000000:z,5:space", "1:", "x:A",
                          "7:Colon:", "99999999999:A", " +4:bslash", "1:Move(3,4),2:LDown,3:rup",
                          "5:Move(16384,0)", "6:Move((1,2)),7:LClick"]):
    put("key_script/seed%d" % i, line.encode())
PY

# The fill: a 64x48 view, then a triangle, an even-odd pair of squares, and a
# triangle reaching far past the view (points as selector 3: whole pixels).
python3 - <<'PY'
import os, struct
os.makedirs("raster", exist_ok=True)
def point(x, y):
    return b"\x01" + b"\x03" + struct.pack("<h", x) + b"\x03" + struct.pack("<h", y)
def path(*pts):
    return b"\x00" + b"".join(point(x, y) for x, y in pts)
view = struct.pack("<HH", 63, 47)
seeds = {
    "triangle": view + b"\x00" + path((2, 2), (60, 10), (20, 45)),
    "evenodd": view + b"\x01" + path((4, 4), (40, 4), (40, 40), (4, 40))
               + path((10, 10), (30, 10), (30, 30), (10, 30)),
    "far": view + b"\x02" + path((32, -10), (30000, 30000), (-30000, 30000)),
}
for name, data in seeds.items():
    with open(os.path.join("raster", name), "wb") as f:
        f.write(data)
PY

# Outlines that run left to right: a 200x100 view, a gentle wave and a rough one
# (steps and heights as the monotone target reads them).
python3 - <<'PY'
import math, os, struct
os.makedirs("monotone", exist_ok=True)
def wave(flags, base, x0, samples):
    return struct.pack("<HHBff", 199, 99, flags, base, x0) + b"".join(
        struct.pack("<Bh", step, h) for step, h in samples)
seeds = {
    "gentle": wave(0x08, 90.0, 0.0, [(95, int(80 * math.sin(k / 5))) for k in range(80)]),
    "rough": wave(0x27, 120.0, -3.5, [(k * 37 % 256, (k * 7919 % 1200) - 600) for k in range(120)]),
}
for name, data in seeds.items():
    with open(os.path.join("monotone", name), "wb") as f:
        f.write(data)
PY
