#!/usr/bin/env python3
"""Writes the toolbar images and the application icon as SVG files.

Every toolbar picture is drawn once on a 22x20 grid. The normal set keeps that
size; the hot set (shown while the pointer is over a button) is 22x22 with the
same picture moved down one pixel and drawn in brighter colours. Straight edges
sit on half-pixel coordinates so that 1px outlines cover whole pixels at 1x and
2x.

Run from any folder: python3 make_icons.py  (writes next to this script).
"""

import colorsys
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def hexrgb(c):
    return tuple(int(c[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def rgbhex(rgb):
    return "#" + "".join("%02x" % max(0, min(255, round(v * 255))) for v in rgb)


def brighten(c, value=0.18, saturation=0.12):
    h, s, v = colorsys.rgb_to_hsv(*hexrgb(c))
    if s > 0.08:
        s = min(1.0, s + saturation)
    v = min(1.0, v + value)
    return rgbhex(colorsys.hsv_to_rgb(h, s, v))


def lighten(c, amount):
    r, g, b = hexrgb(c)
    return rgbhex((r + (1 - r) * amount, g + (1 - g) * amount, b + (1 - b) * amount))


# Base colours: each fill has a darker outline of the same hue.
BASE = {
    "green": "#3c9a34", "green_line": "#1d5418",
    "red": "#cc3429", "red_line": "#741209",
    "blue": "#3272c2", "blue_line": "#18407a",
    "roof": "#c4472f", "roof_line": "#6e1f12",
    "wall": "#e9dfc6", "wall_line": "#5b5140",
    "door": "#8c5a2a",
    "gold": "#eebc1c", "gold_line": "#7e5a00",
    "glass": "#cfe3f6", "ring": "#4a5058", "ring_line": "#23272c",
    "handle": "#6b4422", "handle_line": "#2e1c0c",
    "metal": "#c3c7cd", "metal_line": "#363b42",
    "paper": "#ffffff", "paper_line": "#5a6068", "ink": "#8a9098",
    "lamp": "#46c23a",
    "letter": "#1f3f7a",
}


def palette(hot):
    if not hot:
        return dict(BASE)
    p = {}
    for k, v in BASE.items():
        if k.endswith("_line") or k in ("ink", "letter", "ring"):
            p[k] = brighten(v, 0.06, 0.05)
        elif k in ("paper", "wall", "glass", "metal"):
            p[k] = lighten(v, 0.35)
        else:
            p[k] = brighten(v)
    return p


class Icon:
    """Collects gradient definitions and shapes of one picture."""

    def __init__(self, name, pal):
        self.name = name
        self.p = pal
        self.defs = []
        self.body = []
        self.n = 0

    def grad(self, colour, top_lift=0.38):
        """Vertical gradient from a light tint at the top to the colour."""
        self.n += 1
        gid = "%s%d" % (self.name, self.n)
        self.defs.append(
            '<linearGradient id="%s" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/>'
            '</linearGradient>' % (gid, lighten(colour, top_lift), colour))
        return "url(#%s)" % gid

    def add(self, s):
        self.body.append(s)


def pts(points):
    return " ".join("%g,%g" % (round(x, 3), round(y, 3)) for x, y in points)


def shape(ic, points, fill, line, join="miter"):
    ic.add('<polygon points="%s" fill="%s" stroke="%s" stroke-width="1" '
           'stroke-linejoin="%s"/>' % (pts(points), fill, line, join))


def draw_arrow(ic, mirror):
    p = ic.p
    outline = [(2.5, 10), (10.5, 2), (10.5, 6.5), (19.5, 6.5), (19.5, 13.5),
               (10.5, 13.5), (10.5, 18)]
    if mirror:
        outline = [(22 - x, y) for x, y in outline]
    shape(ic, outline, ic.grad(p["green"], 0.45), p["green_line"])
    # A soft light edge along the top of the shaft.
    x0, x1 = (11, 19) if not mirror else (3, 11)
    ic.add('<path d="M%g 7.5H%g" stroke="#ffffff" stroke-opacity="0.45" '
           'stroke-width="1"/>' % (x0, x1))


def draw_stop(ic):
    p = ic.p
    octagon = [(8, 2.5), (14, 2.5), (18.5, 7), (18.5, 13), (14, 17.5),
               (8, 17.5), (3.5, 13), (3.5, 7)]
    shape(ic, octagon, ic.grad(p["red"], 0.35), p["red_line"])
    ic.add('<path d="M7.5 6.5L14.5 13.5M14.5 6.5L7.5 13.5" stroke="#ffffff" '
           'stroke-width="2.2" stroke-linecap="round"/>')


def arc_arrow(ic, cx, cy, r, start, end, width, fill, line):
    """A clockwise arc from start to end degrees ending in an arrowhead."""
    def at(a, rad):
        t = math.radians(a)
        return (cx + rad * math.cos(t), cy + rad * math.sin(t))
    sx, sy = at(start, r)
    ex, ey = at(end, r)
    large = 1 if (end - start) % 360 > 180 else 0
    d = "M%.3f %.3fA%g %g 0 %d 1 %.3f %.3f" % (sx, sy, r, r, large, ex, ey)
    ic.add('<path d="%s" fill="none" stroke="%s" stroke-width="%g" '
           'stroke-linecap="butt"/>' % (d, line, width + 2))
    ic.add('<path d="%s" fill="none" stroke="%s" stroke-width="%g" '
           'stroke-linecap="butt"/>' % (d, fill, width))
    # Arrowhead: base across the ring at the end angle, tip ahead along it.
    t = math.radians(end)
    tangent = (-math.sin(t), math.cos(t))
    normal = (math.cos(t), math.sin(t))
    half = width / 2 + 2.2
    tip = (ex + tangent[0] * 4.2, ey + tangent[1] * 4.2)
    a = (ex + normal[0] * half, ey + normal[1] * half)
    b = (ex - normal[0] * half, ey - normal[1] * half)
    shape(ic, [a, tip, b], fill, line, 'round')


def draw_refresh(ic):
    p = ic.p
    fill = p["blue"]
    arc_arrow(ic, 11, 10, 6, 170, 300, 2.4, fill, p["blue_line"])
    arc_arrow(ic, 11, 10, 6, 350, 480, 2.4, fill, p["blue_line"])


def draw_home(ic):
    p = ic.p
    # Chimney, then the walls, the roof over them and the door.
    ic.add('<rect x="14.5" y="3.5" width="2" height="5" fill="%s" stroke="%s"/>'
           % (p["roof"], p["roof_line"]))
    ic.add('<rect x="4.5" y="9.5" width="13" height="8" fill="%s" stroke="%s"/>'
           % (ic.grad(p["wall"], 0.5), p["wall_line"]))
    shape(ic, [(11, 1.8), (20.5, 10.5), (18, 10.5), (11, 4.3), (4, 10.5),
               (1.5, 10.5)], ic.grad(p["roof"], 0.3), p["roof_line"])
    ic.add('<rect x="9.5" y="12.5" width="3" height="5" fill="%s" stroke="%s"/>'
           % (p["door"], p["wall_line"]))
    ic.add('<rect x="14" y="12" width="2" height="2" fill="%s"/>' % p["blue"])


def draw_star(ic):
    p = ic.p
    cx, cy, ro, ri = 11, 10.6, 8.6, 3.6
    points = []
    for i in range(10):
        a = math.radians(-90 + i * 36)
        r = ro if i % 2 == 0 else ri
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    shape(ic, points, ic.grad(p["gold"], 0.45), p["gold_line"],
          'round')


def draw_find(ic):
    p = ic.p
    # Handle first so the lens ring covers its end.
    ic.add('<path d="M13.5 13.5L18.5 18.5" stroke="%s" stroke-width="4.6" '
           'stroke-linecap="round"/>' % p["handle_line"])
    ic.add('<path d="M13.5 13.5L18.5 18.5" stroke="%s" stroke-width="2.6" '
           'stroke-linecap="round"/>' % p["handle"])
    ic.add('<circle cx="9" cy="8.5" r="6" fill="none" stroke="%s" '
           'stroke-width="3.4"/>' % p["ring_line"])
    ic.add('<circle cx="9" cy="8.5" r="6" fill="%s" fill-opacity="0.9" '
           'stroke="%s" stroke-width="1.6"/>' % (ic.grad(p["glass"], 0.6), p["ring"]))
    ic.add('<path d="M5.6 7.6A3.6 3.6 0 0 1 8.1 5" fill="none" stroke="#ffffff" '
           'stroke-width="1.3" stroke-linecap="round"/>')


def printer(ic, x0, x1, top_sheets, out_sheets, lamp_x=None):
    """A printer whose body spans x0..x1 (pixel edges), with paper sheets."""
    p = ic.p
    w = x1 - x0
    # Paper waiting at the back; several sheets fan out to the upper right.
    front_y = 1.5 + (top_sheets - 1) * 0.5 if top_sheets > 1 else 1.5
    front_y = 2.5 if top_sheets > 2 else front_y
    for i in reversed(range(top_sheets)):
        ic.add('<rect x="%g" y="%g" width="%g" height="%g" fill="%s" stroke="%s"/>'
               % (x0 + 3.5 + 2 * i, front_y - i, w - 8, 8 - front_y + i,
                  p["paper"], p["paper_line"]))
    ic.add('<rect x="%g" y="6.5" width="%g" height="8" rx="1.5" fill="%s" '
           'stroke="%s"/>' % (x0 + 0.5, w - 1, ic.grad(p["metal"], 0.55),
                              p["metal_line"]))
    ic.add('<path d="M%g 11.5H%g" stroke="%s" stroke-width="1"/>'
           % (x0 + 3, x1 - 3, p["metal_line"]))
    ic.add('<rect x="%g" y="8" width="2" height="1" fill="%s"/>'
           % (x1 - 4 if lamp_x is None else lamp_x, p["lamp"]))
    # Printed sheets coming out at the front, stacked when there are several.
    for i in reversed(range(out_sheets)):
        dx, dy = 1 * i, -1 * i
        sx, sy = x0 + 3.5 + dx, 11.5 + dy
        ic.add('<rect x="%g" y="%g" width="%g" height="%g" fill="%s" stroke="%s"/>'
               % (sx, sy, w - 7, 18.5 - sy - i * 0, p["paper"], p["paper_line"]))
    lx0, lx1 = x0 + 5, x1 - 5
    for y in (14, 16):
        ic.add('<path d="M%g %g.5H%g" stroke="%s" stroke-width="1"/>'
               % (lx0, y, lx1 - (2 if y == 16 else 0), p["ink"]))


def draw_print(ic):
    printer(ic, 2, 20, 1, 1)


def draw_print_all(ic):
    p = ic.p
    printer(ic, 1, 15, 1, 1, lamp_x=3)
    # A pile of printed pages beside the printer, fanned to the upper right.
    for i in (2, 1, 0):
        x, y = 12.5 + 2 * i, 9.5 - 2 * i
        ic.add('<rect x="%g" y="%g" width="5" height="9" fill="%s" stroke="%s"/>'
               % (x, y, p["paper"], p["paper_line"]))
    for y in (12, 14, 16):
        ic.add('<path d="M14 %g.5H%g" stroke="%s" stroke-width="1"/>'
               % (y, 16 if y == 16 else 17, p["ink"]))


def letter_a(ic, left, right, top, base, weight, colour):
    cx = (left + right) / 2
    bar = top + (base - top) * 0.62
    frac = (bar - top) / (base - top)
    bl = cx - (cx - left) * frac
    br = cx + (right - cx) * frac
    d = "M%g %gL%g %gL%g %gM%g %gH%g" % (left, base, cx, top, right, base,
                                          bl + 0.6, bar, br - 0.6)
    ic.add('<path d="%s" fill="none" stroke="#ffffff" stroke-opacity="0.75" '
           'stroke-width="%g" stroke-linejoin="round"/>' % (d, weight + 1.6))
    ic.add('<path d="%s" fill="none" stroke="%s" stroke-width="%g" '
           'stroke-linejoin="miter" stroke-miterlimit="8"/>' % (d, colour, weight))


def draw_font(ic):
    p = ic.p
    letter_a(ic, 2.2, 12.8, 3.2, 17.2, 2.4, p["letter"])
    letter_a(ic, 13.2, 19.8, 9.4, 17.2, 1.7, p["letter"])


DRAW = [
    lambda ic: draw_arrow(ic, False),
    lambda ic: draw_arrow(ic, True),
    draw_stop,
    draw_refresh,
    draw_home,
    draw_star,
    draw_find,
    draw_print,
    draw_font,
    draw_print_all,
]


def svg(width, height, ic, dy=0):
    g = "\n".join(ic.body)
    if dy:
        g = '<g transform="translate(0 %g)">\n%s\n</g>' % (dy, g)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n<defs>%s</defs>\n%s\n</svg>\n'
            % (width, height, width, height, "".join(ic.defs), g))


def write(path, text):
    full = os.path.join(HERE, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


def app_icon():
    p = palette(False)
    ic = Icon("app", p)
    # An open manual on a blue hard cover, drawn on a 128 grid so that it
    # scales from 16 to 256 pixels: the cover, the edges of the page block,
    # two curved pages meeting at the spine, a red ribbon hanging out below,
    # lines of text on the left page and a heading, a figure and text on the
    # right page. Outlines are 3 units wide so that they still show at 32px.
    ic.add('<path d="M6 42Q6 36 12 36H116Q122 36 122 42V110Q122 116 116 116H72'
           'L64 121L56 116H12Q6 116 6 110Z" fill="%s" stroke="%s" '
           'stroke-width="3" stroke-linejoin="round"/>'
           % (ic.grad(p["blue"], 0.3), p["blue_line"]))
    ic.add('<path d="M58 104H70V126L64 120L58 126Z" fill="%s" stroke="%s" '
           'stroke-width="2.5" stroke-linejoin="round"/>'
           % (p["red"], p["red_line"]))
    ic.add('<path d="M12 34C30 28 50 30 64 38C78 30 98 28 116 34V106C98 102 78 104 '
           '64 112C50 104 30 102 12 106Z" fill="#dfe3e8" stroke="%s" '
           'stroke-width="3" stroke-linejoin="round"/>' % p["paper_line"])
    page = ic.grad("#f1f3f5", 0.9)
    ic.add('<path d="M64 30C50 20 32 18 16 22V100C32 96 50 98 64 106Z" fill="%s" '
           'stroke="%s" stroke-width="3" stroke-linejoin="round"/>'
           % (page, p["paper_line"]))
    ic.add('<path d="M64 30C78 20 96 18 112 22V100C96 96 78 98 64 106Z" fill="%s" '
           'stroke="%s" stroke-width="3" stroke-linejoin="round"/>'
           % (page, p["paper_line"]))
    for y in (36, 46, 56, 66, 76, 86):
        ic.add('<path d="M24 %g Q40 %g 56 %g" fill="none" stroke="%s" '
               'stroke-width="4" stroke-linecap="round"/>'
               % (y - 4, y - 7, y, p["ink"]))
    ic.add('<path d="M72 36Q86 29 102 30" fill="none" stroke="%s" '
           'stroke-width="6" stroke-linecap="round"/>' % p["blue"])
    ic.add('<path d="M73.5 46.5Q87 41 102.5 42V62.5Q87 61.5 73.5 66.5Z" fill="%s" '
           'stroke="%s" stroke-width="3" stroke-linejoin="round"/>'
           % (ic.grad(p["glass"], 0.5), p["blue_line"]))
    ic.add('<path d="M77 63L85 53L91 59L95 55L100 61" fill="none" stroke="%s" '
           'stroke-width="3" stroke-linejoin="round" stroke-linecap="round"/>'
           % p["green_line"])
    for y in (78, 88):
        ic.add('<path d="M72 %g Q88 %g 104 %g" fill="none" stroke="%s" '
               'stroke-width="4" stroke-linecap="round"/>'
               % (y, y - 7, y - 4, p["ink"]))
    return svg(128, 128, ic)


def main():
    for hot in (False, True):
        pal = palette(hot)
        for index, draw in enumerate(DRAW):
            ic = Icon("i%d" % index, pal)
            draw(ic)
            folder = "hot" if hot else "normal"
            text = svg(22, 22, ic, 1) if hot else svg(22, 20, ic)
            write("%s/%02d.svg" % (folder, index), text)
    write("quiro.svg", app_icon())


if __name__ == "__main__":
    main()
