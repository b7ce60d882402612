#!/usr/bin/env python3
"""Writes the alarm clock as a Windows icon file: one 32-bit picture with an
alpha channel per size, from PNG files rendered from data/icons/tockmere.svg
(8-bit RGBA, as rsvg-convert writes them), so that each size a notification
area or Explorer asks for is drawn from a picture at least as large.
usage: make-icon.py OUT.ico PNG...   (square pictures, one per size)"""
import struct
import sys
import zlib


def read_png(path):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA, non-interlaced PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("make-icon: %s is not a PNG file" % path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        sys.exit("make-icon: %s is not 8-bit RGBA without interlacing" % path)
    raw = zlib.decompress(idat)
    stride, rows, previous = width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                nearest = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + nearest) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def icon_image(width, height, rows):
    """One icon picture: a 32-bit BGRA bitmap, bottom-up, and its AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels, mask = b"", b""
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):  # bitmaps are stored bottom-up
        pixels += b"".join(bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
                           for i in range(0, len(row), 4))
        bits = "".join("1" if row[i + 3] == 0 else "0" for i in range(0, len(row), 4))
        mask += int(bits, 2).to_bytes((width + 7) // 8, "big").ljust(mask_stride, b"\0")
    return header + pixels + mask


pictures = [read_png(path) for path in sys.argv[2:]]
if not pictures:
    sys.exit(__doc__)
images = [icon_image(*p) for p in pictures]
offset = 6 + 16 * len(images)
directory = b""
for (width, height, _), image in zip(pictures, images):
    directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
with open(sys.argv[1], "wb") as out:
    out.write(struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images))
