#!/usr/bin/env python3
"""Draws the desktop program's images as pixel art and writes them into res/.

- the tool bar strip (eight 16x15 buttons side by side): res/toolbar.xpm
- the application icon (32x32): res/app_icon.xpm, res/icons/rollscribe-{16,32,48,64,128}.png,
  res/icons/rollscribe.svg
- the document icon (32x32 and 16x16): res/document_icon.xpm,
  res/icons/application-x-rollscribe.document-{16,32,48,64,128}.png and .svg

Every image uses the sixteen colours of the classic palette. Run it again after changing a
drawing; the outputs are committed.
"""
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")

PALETTE = {
    "k": "#000000", "m": "#800000", "G": "#008000", "o": "#808000",
    "n": "#000080", "p": "#800080", "t": "#008080", "d": "#808080",
    "g": "#C0C0C0", "r": "#FF0000", "L": "#00FF00", "y": "#FFFF00",
    "b": "#0000FF", "M": "#FF00FF", "c": "#00FFFF", "w": "#FFFFFF",
}
TRANSPARENT = "."

NEW = """
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkwk....
..kwwwwwwkkkk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kkkkkkkkkkk...
................
"""

OPEN = """
................
..........kkk...
.........k...k.k
..............kk
.kkk.........kkk
kyyykkkkkkk.....
kywywywywyk.....
kwywywywkkkkkkkk
kywywywkoooooook
kwywywkoooooook.
kywywkoooooook..
kwywkoooooook...
kywkoooooook....
kkkkkkkkkkk.....
................
"""

SAVE = """
................
.kkkkkkkkkkkkkk.
.knkwwwwwwwwkgk.
.knkwwwwwwwwknk.
.knkwwwwwwwwknk.
.knkwwwwwwwwknk.
.knnkkkkkkkknnk.
.knnnnnnnnnnnnk.
.knnnkkkkkkknnk.
.knnnkggkkgknnk.
.knnnkggkkgknnk.
.knnnkggkkgknnk.
..kkkkkkkkkkkkk.
................
................
"""

CUT = """
................
....k.....k.....
....k.....k.....
....k.....k.....
....kk...kk.....
.....k...k......
.....kk.kk......
......kkk.......
.......k........
......nkn.......
....nnn.nnn.....
...n..n.n..n....
...n..n.n..n....
...n..n.n..n....
....nn...nn.....
"""

COPY = """
................
kkkkkk..........
kwwwwkk.........
kwkkwkwk........
kwwwwkkkkkkk....
kwkkkkwwwwkkk...
kwwwwkwkkwkwkk..
kwkkkkwwwwkkkkk.
kwwwwkwkkkkkwwk.
kkkkkkwwwwwwwwk.
......wkkkkkkwk.
......kwwwwwwwk.
......kwkkkkkwk.
......kwwwwwwwk.
......kkkkkkkkk.
"""

PASTE = """
................
.....kkkk.......
.kkkkyyyykkkk...
.kooky..ykook...
.kookkkkkkook...
.kooooooooook...
.kooookkkkkkk...
.kooookwwwwkwk..
.kooookwkkwkkkk.
.kooookwwwwwwwk.
.kooookwkkkkkwk.
.kooookwwwwwwwk.
.kooookwkkkkkwk.
.kkkkkkwwwwwwwk.
.......kkkkkkkk.
"""

PRINT = """
................
....kkkkkkkkk...
...kwwwwwwwwk...
...kwkkkkkwk....
..kwwwwwwwwk....
..kwkkkkkwk.....
.kkkkkkkkkkkkk..
k.............k.
kkkkkkkkkkkkkkk.
kggggggggggggkk.
kgggggggggGGgkk.
kkkkkkkkkkkkkkk.
k.............k.
.kkkkkkkkkkkkk..
................
"""

HELP = """
................
.....kkkkk......
....kbbbbbk.....
...kbbkkkbbk....
...kbbk.kbbk....
....kk..kbbk....
.......kbbk.....
......kbbk......
......kbbk......
.......kk.......
................
.......kk.......
......kbbk......
......kbbk......
.......kk.......
"""

# A 5x7 font for the letters the application icon writes.
FONT = {
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "I": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
}


def grid(text):
    rows = [r for r in text.strip("\n").split("\n")]
    width = max(len(r) for r in rows)
    return [list(r.ljust(width, TRANSPARENT)) for r in rows]


def app_icon():
    """Split diagonally: cyan left with BAR top to bottom in blue, yellow right with MID top to
    bottom in red, a blue arrow from left to right between them."""
    size = 32
    img = [["k"] * size for _ in range(size)]
    for y in range(size):
        # The dividing line runs from (21, 0) down to (10, 31).
        split = 21 - (y * 11) // 31
        for x in range(size):
            if x == 0 or y == 0 or x == size - 1 or y == size - 1:
                img[y][x] = "k"
            elif x < split:
                img[y][x] = "c"
            elif x == split:
                img[y][x] = "k"
            else:
                img[y][x] = "y"

    def write(word, left, colour):
        top = 3
        for letter in word:
            for dy, row in enumerate(FONT[letter]):
                for dx, bit in enumerate(row):
                    if bit == "#":
                        img[top + dy][left + dx] = colour
            top += 9

    write("BAR", 3, "b")
    write("MID", 24, "r")
    # The arrow: a shaft across the middle and a head pointing right.
    for x in range(9, 21):
        img[15][x] = "b"
        img[16][x] = "b"
    for i in range(5):
        for y in range(15 - i, 17 + i):
            img[y][21 - i + 2] = "b"
    return img


def document_icon(size):
    """A page with a turned corner."""
    img = [[TRANSPARENT] * size for _ in range(size)]
    left, right = (5, 26) if size == 32 else (2, 13)
    top, bottom = (1, 30) if size == 32 else (0, 15)
    fold = 7 if size == 32 else 4
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            corner = x > right - fold and y < top + fold
            if corner and (x - (right - fold)) > (y - top):
                continue  # cut away
            edge = x in (left, right) or y in (top, bottom)
            img[y][x] = "k" if edge else "w"
    # The fold: a diagonal edge and the turned-down flap.
    for i in range(fold + 1):
        img[top + i][right - fold + i] = "k"
    for y in range(top, top + fold + 1):
        img[y][right - fold] = "k"
    for x in range(right - fold, right + 1):
        img[top + fold][x] = "k"
    for y in range(top + 1, top + fold):
        for x in range(right - fold + 1, right - fold + 1 + (y - top)):
            img[y][x] = "g"
    # Lines of text on the page.
    if size == 32:
        for y in range(11, 28, 3):
            for x in range(left + 3, right - 2):
                img[y][x] = "d"
    else:
        for y in range(7, 14, 2):
            for x in range(left + 2, right - 1):
                img[y][x] = "d"
    return img


def xpm(name, img):
    height, width = len(img), len(img[0])
    used = sorted({c for row in img for c in row})
    lines = [f"/* XPM */\nstatic const char* const {name}[] = {{",
             f'"{width} {height} {len(used)} 1",']
    for c in used:
        colour = "None" if c == TRANSPARENT else PALETTE[c]
        lines.append(f'"{c} c {colour}",')
    for i, row in enumerate(img):
        lines.append('"' + "".join(row) + '"' + ("," if i + 1 < height else ""))
    lines.append("};\n")
    return "\n".join(lines)


def rgba(c):
    if c == TRANSPARENT:
        return (0, 0, 0, 0)
    h = PALETTE[c]
    return (int(h[1:3], 16), int(h[3:5], 16), int(h[5:7], 16), 255)


def png(img, scale=1):
    height, width = len(img) * scale, len(img[0]) * scale
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(rgba(img[y // scale][x // scale]))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def svg(img):
    height, width = len(img), len(img[0])
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}" shape-rendering="crispEdges">']
    for y, row in enumerate(img):
        x = 0
        while x < width:
            c = row[x]
            run = 1
            while x + run < width and row[x + run] == c:
                run += 1
            if c != TRANSPARENT:
                out.append(f'<rect x="{x}" y="{y}" width="{run}" height="1" fill="{PALETTE[c]}"/>')
            x += run
    out.append("</svg>\n")
    return "\n".join(out)


def main():
    buttons = [grid(b) for b in (NEW, OPEN, SAVE, CUT, COPY, PASTE, PRINT, HELP)]
    for b in buttons:
        assert len(b) == 15 and len(b[0]) == 16, "buttons are 16 by 15 pixels"
    strip = [sum((b[y] for b in buttons), []) for y in range(15)]
    with open(os.path.join(ROOT, "toolbar.xpm"), "w") as f:
        f.write(xpm("toolbar_xpm", strip))

    app = app_icon()
    doc32 = document_icon(32)
    doc16 = document_icon(16)
    with open(os.path.join(ROOT, "app_icon.xpm"), "w") as f:
        f.write(xpm("app_icon_xpm", app))
    with open(os.path.join(ROOT, "document_icon.xpm"), "w") as f:
        f.write(xpm("document_icon_xpm", doc32))
    with open(os.path.join(ROOT, "document_icon_small.xpm"), "w") as f:
        f.write(xpm("document_icon_small_xpm", doc16))

    icons = os.path.join(ROOT, "icons")
    os.makedirs(icons, exist_ok=True)
    for name, img, small in (("rollscribe", app, None),
                             ("application-x-rollscribe.document", doc32, doc16)):
        for size in (16, 32, 48, 64, 128):
            if size == 16:
                # Drawn on its own, or every other pixel of the 32 pixel image.
                data = png(small if small else [row[::2] for row in img[::2]])
            elif size == 48:
                data = png([[row[x * 2 // 3] for x in range(48)]
                            for row in [img[y * 2 // 3] for y in range(48)]])
            else:
                data = png(img, size // 32)
            with open(os.path.join(icons, f"{name}-{size}.png"), "wb") as f:
                f.write(data)
        with open(os.path.join(icons, f"{name}.svg"), "w") as f:
            f.write(svg(img))


if __name__ == "__main__":
    main()
