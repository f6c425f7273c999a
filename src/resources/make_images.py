#!/usr/bin/env python3
"""Draws Tarnwick's icons and cursors and writes them as .ico, .cur and .ani.

Standard library only. Run it after changing a picture; the generated files
are kept beside it so that a build needs no Python:

    python3 src/resources/make_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
SKIN = (255, 226, 190, 255)
CUFF = (46, 94, 190, 255)
CLEAR = (0, 0, 0, 0)


def blank(size=32):
    return [[CLEAR] * size for _ in range(size)]


def hand_shape():
    """The pixels of a hand pointing up, its index fingertip at (6, 8)."""
    inside = set()

    def rect(x0, y0, x1, y1):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                inside.add((x, y))

    rect(5, 9, 8, 22)     # index finger
    rect(6, 8, 7, 8)      # its rounded tip
    rect(9, 14, 12, 22)   # folded fingers
    rect(10, 13, 11, 13)
    rect(13, 15, 16, 22)
    rect(14, 14, 15, 14)
    rect(17, 16, 20, 23)
    rect(18, 15, 19, 15)
    rect(5, 20, 20, 27)   # palm
    rect(6, 28, 19, 28)
    rect(2, 17, 4, 20)    # thumb
    rect(3, 21, 5, 23)
    rect(4, 24, 5, 25)
    return inside


def draw_hand(img, fill):
    shape = hand_shape()
    for (x, y) in shape:
        edge = any((x + dx, y + dy) not in shape
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        img[y][x] = BLACK if edge else fill
    # creases between the folded fingers
    for x, y0, y1 in ((9, 15, 19), (13, 16, 19), (17, 17, 20)):
        for y in range(y0, y1 + 1):
            img[y][x] = BLACK
    for y in range(29, 32):  # the cuff
        for x in range(6, 20):
            img[y][x] = BLACK if x in (6, 19) or y == 31 else CUFF
    return img


def draw_waves(img, count):
    """Arcs to the upper right of the fingertip: the capture reaching out."""
    cx, cy = 6, 8
    for i in range(count):
        r = 4 + 3 * i
        for step in range(0, 91):
            a = math.radians(step)
            x = int(round(cx + 2 + r * math.cos(a)))
            y = int(round(cy - r * math.sin(a)))
            if 0 <= x < 32 and 0 <= y < 32 and img[y][x] == CLEAR:
                img[y][x] = (200, 0, 0, 255)
    return img


def program_picture(size):
    img = blank(32)
    blue = (46, 94, 190, 255)
    for y in range(32):
        for x in range(32):
            corner = min(x, 31 - x) + min(y, 31 - y)
            if corner >= 3 and 1 <= x <= 30 and 1 <= y <= 30:
                img[y][x] = blue
    for y in range(4, 28):
        for x in range(8, 24):
            img[y][x] = WHITE
    for y in range(7, 26, 4):
        for x in range(11, 21 if y != 15 else 18):
            img[y][x] = (110, 110, 110, 255)
    for y in range(14, 18):  # the captured line, highlighted
        for x in range(10, 22):
            img[y][x] = (40, 40, 40, 255) if y == 15 and x < 20 else (255, 220, 60, 255)
    if size == 16:
        return shrink(img)
    return img


def shrink(img):
    out = blank(16)
    for y in range(16):
        for x in range(16):
            px = [img[2 * y + j][2 * x + i] for j in (0, 1) for i in (0, 1)]
            a = sum(p[3] for p in px)
            if a < 512:
                out[y][x] = CLEAR
                continue
            out[y][x] = tuple(sum(p[k] * p[3] for p in px) // a for k in range(3)) + (255,)
    return out


def dib(img):
    """BITMAPINFOHEADER, 32-bit XOR bitmap and 1-bit AND mask, bottom up."""
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(img):
        for (r, g, b, a) in row:
            xor += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(img):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def icon_file(images, kind=1, hotspot=(0, 0)):
    """An .ico (kind 1) or .cur (kind 2) file holding `images`."""
    data = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for img in images:
        blob = dib(img)
        size = len(img)
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspot
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, planes, bits,
                            len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return data + b"".join(blobs)


def chunk(tag, body):
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack("<I", len(body)) + body + pad


def ani_file(frames, rates, hotspot):
    anih = struct.pack("<9I", 36, len(frames), len(rates), 0, 0, 0, 0, rates[0], 1)
    rate = struct.pack("<%dI" % len(rates), *rates)
    icons = b"".join(chunk(b"icon", icon_file([f], 2, hotspot)) for f in frames)
    fram = chunk(b"LIST", b"fram" + icons)
    body = b"ACON" + chunk(b"anih", anih) + chunk(b"rate", rate) + fram
    return chunk(b"RIFF", body)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    write("tarnwick.ico", icon_file([program_picture(32), program_picture(16)]))
    write("hand.ico", icon_file([draw_hand(blank(), SKIN)]))
    write("point.cur", icon_file([draw_hand(blank(), WHITE)], 2, (6, 8)))
    frames = [draw_waves(draw_hand(blank(), WHITE), n) for n in range(6)]
    write("drag.ani", ani_file(frames, [6, 6, 6, 6, 6, 10], (6, 8)))


if __name__ == "__main__":
    main()
