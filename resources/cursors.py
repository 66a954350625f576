"""The control library's sixteen monochrome 32 x 32 cursors, drawn here from simple strokes:
black shapes with a white outline on a transparent ground, hot spots where they point."""
import os
import struct

SIZE = 32


class Cursor:
    def __init__(self, hot):
        self.hot = hot
        self.ink = [[None] * SIZE for _ in range(SIZE)]  # None transparent, 0 black, 1 white

    def dot(self, x, y, value=0):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.ink[y][x] = value

    def line(self, x0, y0, x1, y1, value=0):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), value)

    def box(self, x0, y0, x1, y1, value=0):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, value)

    def ring(self, cx, cy, r, value=0):
        for y in range(SIZE):
            for x in range(SIZE):
                if abs(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - r) < 0.6:
                    self.dot(x, y, value)

    def outline(self):
        """A white edge around every black pixel, so the cursor shows on dark ground too."""
        black = [(x, y) for y in range(SIZE) for x in range(SIZE) if self.ink[y][x] == 0]
        for x, y in black:
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < SIZE and 0 <= ny < SIZE and self.ink[ny][nx] is None:
                        self.ink[ny][nx] = 1
        return self

    def cur(self):
        """A .cur file: one 1-bit image, XOR rows then AND rows, both bottom-up."""
        xor, and_ = bytearray(), bytearray()
        for row in reversed(self.ink):
            xbits = abits = 0
            for x, v in enumerate(row):
                bit = 1 << (31 - x)
                if v is None:
                    abits |= bit
                elif v == 1:
                    xbits |= bit
            xor += struct.pack(">I", xbits)
            and_ += struct.pack(">I", abits)
        header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
        image = header + bytes((0, 0, 0, 0, 255, 255, 255, 0)) + bytes(xor) + bytes(and_)
        directory = struct.pack("<HHH", 0, 2, 1)
        entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, self.hot[0], self.hot[1], len(image), 22)
        return directory + entry + image


def arrow(c, x=0, y=0):
    """The pointer: a filled triangle with a tail, its tip at (x, y)."""
    for row in range(16):
        c.line(x, y + row, x + row * 11 // 16, y + row)
    c.line(x + 4, y + 15, x + 8, y + 22)
    c.line(x + 5, y + 15, x + 9, y + 22)


def double_arrow(c, vertical, bars):
    """A two-headed arrow through the centre, with a pair of bars across it when asked."""
    for i in range(6):
        if vertical:
            c.line(16 - i, 4 + i, 16 + i, 4 + i)
            c.line(16 - i, 27 - i, 16 + i, 27 - i)
        else:
            c.line(4 + i, 16 - i, 4 + i, 16 + i)
            c.line(27 - i, 16 - i, 27 - i, 16 + i)
    if vertical:
        c.box(15, 4, 17, 27)
        if bars:
            c.box(8, 14, 24, 14)
            c.box(8, 18, 24, 18)
    else:
        c.box(4, 15, 27, 17)
        if bars:
            c.box(14, 8, 14, 24)
            c.box(18, 8, 18, 24)


def scroll(c, directions):
    """The panning mark: a dot in a ring, with a head for each direction."""
    c.ring(16, 16, 5)
    c.box(15, 15, 17, 17)
    heads = {"up": (16, 3, 0, 1), "down": (16, 28, 0, -1), "left": (3, 16, 1, 0), "right": (28, 16, -1, 0)}
    for name in directions:
        x, y, dx, dy = heads[name]
        for i in range(5):
            if dx:
                c.line(x + dx * i, y - i, x + dx * i, y + i)
            else:
                c.line(x - i, y + dy * i, x + i, y + dy * i)


def page(c, x, y):
    """A small dragged sheet below the pointer."""
    c.box(x, y, x + 9, y + 7, 1)
    c.line(x, y, x + 9, y)
    c.line(x, y + 7, x + 9, y + 7)
    c.line(x, y, x, y + 7)
    c.line(x + 9, y, x + 9, y + 7)


def draw_all():
    cursors = {}

    def make(name, hot, paint):
        c = Cursor(hot)
        paint(c)
        cursors[name] = c.outline()

    def drag_copy(c):
        arrow(c, 1, 1)
        page(c, 12, 20)
        c.line(21, 23, 27, 23)
        c.line(24, 20, 24, 26)

    def remove(c):
        arrow(c, 1, 1)
        for i in range(7):
            c.dot(18 + i, 20 + i)
            c.dot(19 + i, 20 + i)
            c.dot(24 - i, 20 + i)
            c.dot(25 - i, 20 + i)

    def multi_drag(c):
        arrow(c, 1, 1)
        page(c, 14, 18)
        page(c, 11, 21)

    def no_drop(c):
        c.ring(16, 16, 9)
        c.ring(16, 16, 10)
        c.line(10, 10, 22, 22)
        c.line(11, 10, 23, 22)

    def drag(c):
        arrow(c, 1, 1)
        page(c, 12, 20)

    def color_picker(c):
        # A pipette whose tip is the hot spot at the lower left.
        for i in range(16):
            c.line(2 + i, 29 - i, 3 + i, 29 - i)
        c.box(17, 9, 23, 15)
        c.box(21, 4, 27, 10)

    def mouse_wheel(c):
        # A mouse seen from above, its wheel in the middle, with a head above and below it.
        c.ring(16, 16, 8)
        c.box(15, 11, 17, 15)
        c.line(8, 17, 24, 17)
        for i in range(4):
            c.line(16 - i, 1 + i, 16 + i, 1 + i)
            c.line(16 - i, 30 - i, 16 + i, 30 - i)

    make("CX_DRAGCOPYCURSOR", (1, 1), drag_copy)
    make("CX_FULLSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["up", "down", "left", "right"]))
    make("CX_HORSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["left", "right"]))
    make("CX_VERSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["up", "down"]))
    make("CX_UPSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["up"]))
    make("CX_RIGHTSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["right"]))
    make("CX_DOWNSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["down"]))
    make("CX_LEFTSCROLLCURSOR", (16, 16), lambda c: scroll(c, ["left"]))
    make("CX_REMOVECURSOR", (1, 1), remove)
    make("CX_VERTSIZECURSOR", (16, 16), lambda c: double_arrow(c, True, True))
    make("CX_HORZSIZECURSOR", (16, 16), lambda c: double_arrow(c, False, True))
    make("CX_MULTIDRAGCURSOR", (1, 1), multi_drag)
    make("CX_NODROPCURSOR", (16, 16), no_drop)
    make("CX_DRAGCURSOR", (1, 1), drag)
    make("CX_COLORPICKERCURSOR", (2, 29), color_picker)
    # The editors' mouse-wheel panning cursor, named as the editor unit loads it.
    make("CXEDIT_MOUSEWHEEL", (16, 16), mouse_wheel)
    return cursors


def write(out):
    """Writes the .cur files; returns the resource-script lines that name them."""
    lines = []
    for name, cursor in draw_all().items():
        path = os.path.join(out, name.lower() + ".cur")
        with open(path, "wb") as f:
            f.write(cursor.cur())
        lines.append('%s CURSOR "%s"' % (name, path.replace("\\", "/")))
    return lines
