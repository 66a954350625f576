#!/usr/bin/env python3
"""Writes the painters' bitmaps (our own artwork, drawn here pixel by pixel) and the resource
script that names them. Usage: painting.py OUTPUT_DIR"""
import os
import struct
import sys

import cursors


def bmp24(pixels):
    """A 24-bit bottom-up BMP file of rows of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def canvas(width, height, color):
    return [[color] * width for _ in range(height)]


def from_art(art, palette):
    return [[palette[ch] for ch in line] for line in art]


WHITE, BLACK = (255, 255, 255), (0, 0, 0)


def expand_button(plus):
    """11 x 11: a framed square, lighter at the top, with a minus or plus sign."""
    size = 11
    frame = (46, 70, 95)
    img = canvas(size, size, frame)
    for y in range(1, size - 1):
        shade = 255 - (y - 1) * 6  # white fading to a pale blue-grey
        for x in range(1, size - 1):
            img[y][x] = (shade - 14, shade - 8, shade)
    img[0][0] = (158, 174, 191)
    mid = size // 2
    for x in range(3, size - 3):
        img[mid][x] = BLACK
    if plus:
        for y in range(3, size - 3):
            img[y][mid] = BLACK
    return img


def submenu_expand():
    """16 x 16 on a key colour: a rounded shaded tab with a black double chevron pointing down.
    The red levels of the shading are what recolouring maps onto the scheme's colours."""
    key = (255, 0, 255)
    img = canvas(16, 16, key)
    for y in range(2, 14):
        for x in range(4, 12):
            if (y in (2, 13)) and x in (4, 11):
                continue  # rounded corners
            level = 250 - (y - 2) * 9  # several red levels, light at the top
            img[y][x] = (level, level, level)
    for top in (4, 8):
        for i in range(3):
            for x in range(5 + i, 11 - i):
                img[top + i][x] = BLACK if x in (5 + i, 10 - i) or i == 2 else img[top + i][x]
    return img


# Indicator glyphs, 8 wide and 9 high, black on white.
GLYPHS = {
    "CX_ARROWBITMAP": [
        "........",
        "..#.....",
        "..##....",
        "..###...",
        "..####..",
        "..###...",
        "..##....",
        "..#.....",
        "........",
    ],
    "CX_EDITBITMAP": [
        ".##.##..",
        "...#....",
        "...#....",
        "...#....",
        "...#....",
        "...#....",
        "...#....",
        "...#....",
        ".##.##..",
    ],
    "CX_INSERTBITMAP": [
        "........",
        "...#....",
        ".#.#.#..",
        "..###...",
        "#######.",
        "..###...",
        ".#.#.#..",
        "...#....",
        "........",
    ],
    "CX_MULTIDOTBITMAP": [
        "........",
        "........",
        ".##..##.",
        ".##..##.",
        "........",
        ".##..##.",
        ".##..##.",
        "........",
        "........",
    ],
    "CX_MULTIARROWBITMAP": [
        "#.......",
        "##......",
        "###.....",
        "####....",
        "###.....",
        "##......",
        "#.......",
        "........",
        "#.#.#.#.",
    ],
    "CX_FILTERBITMAP": [
        "........",
        "#######.",
        ".#####..",
        "..###...",
        "...#....",
        "...#....",
        "...#....",
        "...##...",
        "........",
    ],
}


def panning_mark(directions):
    """31 x 31: a pale disc with a centre dot and a small solid arrowhead towards each direction
    panning can take; the anchor window clips it to an ellipse."""
    size = 31
    mid = size // 2
    face, ink = (236, 238, 242), (40, 44, 52)
    img = canvas(size, size, face)
    for y in range(mid - 1, mid + 2):
        for x in range(mid - 1, mid + 2):
            img[y][x] = ink
    for d in directions:
        for k in range(5):  # rows of the arrowhead, tip first
            tip = 3 + k
            for w in range(-k, k + 1):
                if d == "up":
                    img[tip][mid + w] = ink
                elif d == "down":
                    img[size - 1 - tip][mid + w] = ink
                elif d == "left":
                    img[mid + w][tip] = ink
                else:
                    img[mid + w][size - 1 - tip] = ink
    return img


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    images = {
        "DXEXPANDBUTTON_MINUS": expand_button(False),
        "DXEXPANDBUTTON_PLUS": expand_button(True),
        "DXSUBMENUEXPAND": submenu_expand(),
        "CX_FULLSCROLLBITMAP": panning_mark(["up", "down", "left", "right"]),
        "CX_HORSCROLLBITMAP": panning_mark(["left", "right"]),
        "CX_VERSCROLLBITMAP": panning_mark(["up", "down"]),
    }
    for name, art in GLYPHS.items():
        images[name] = from_art(art, {".": WHITE, "#": BLACK})
    lines = ["// Generated by resources/painting.py; do not edit."]
    for name, pixels in images.items():
        path = os.path.join(out, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(bmp24(pixels))
        lines.append('%s BITMAP "%s"' % (name, path.replace("\\", "/")))
    lines += cursors.write(out)
    with open(os.path.join(out, "Painting.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
