#!/usr/bin/env python3
"""Writes the alarm-clock picture of src/assets/alarm_clock.cpp as a Windows
icon file: 32 x 32 pixels, 16 colours, index 0 transparent.
usage: make-icon.py ALARM_CLOCK_CPP OUT.ico"""
import re
import struct
import sys

source = open(sys.argv[1], encoding="utf-8").read()
rows = re.findall(r'"([0-9a-f]{32})"', source)
palette = [int(v, 16) for v in re.findall(r"0x([0-9A-Fa-f]{8})", source)][:16]
if len(rows) != 32 or len(palette) != 16:
    sys.exit("make-icon: no 32 x 32, 16-colour picture in " + sys.argv[1])

size = 32
header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
colours = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0)
                   for c in palette)
xor = b""
mask = b""
for row in reversed(rows):  # bitmaps are stored bottom-up
    xor += bytes(int(row[i], 16) << 4 | int(row[i + 1], 16) for i in range(0, size, 2))
    bits = "".join("1" if c == "0" else "0" for c in row)
    mask += int(bits, 2).to_bytes(4, "big")
image = header + colours + xor + mask
entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
with open(sys.argv[2], "wb") as out:
    out.write(struct.pack("<HHH", 0, 1, 1) + entry + image)
