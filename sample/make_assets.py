#!/usr/bin/env python3
"""Writes the binary files of the sample document set: the two list icons,
the illustrations of the user's guides and the quick-setup PDF.

Run from anywhere: python3 sample/make_assets.py
Needs nothing beyond the Python standard library; the output is reproducible
byte for byte, so the committed files can be regenerated and compared.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.path.join(HERE, "docs")


# --------------------------------------------------------------------------
# GIF writer (GIF89a, one image, global palette, LZW compressed)

def _lzw(pixels, min_code_size):
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    acc = 0
    nacc = 0

    def emit(code, size):
        nonlocal acc, nacc
        acc |= code << nacc
        nacc += size
        while nacc >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nacc -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}

    table = fresh()
    size = min_code_size + 1
    next_code = eoi + 1
    emit(clear, size)
    w = bytes([pixels[0]])
    for p in pixels[1:]:
        wc = w + bytes([p])
        if wc in table:
            w = wc
            continue
        emit(table[w], size)
        if next_code < 4095:
            table[wc] = next_code
            next_code += 1
            # The decoder learns each entry one code later than we do, so it
            # widens its codes when our counter is one past the power of two.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = fresh()
            size = min_code_size + 1
            next_code = eoi + 1
        w = bytes([p])
    emit(table[w], size)
    emit(eoi, size)
    if nacc:
        out.append(acc & 0xFF)
    return bytes(out)


def write_gif(path, width, height, palette, pixels, transparent=None):
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | (bits - 1), 0, 0)
    for r, g, b in palette:
        data += bytes([r, g, b])
    if transparent is not None:
        data += bytes([0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0])
    data += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code = max(2, bits)
    data.append(min_code)
    stream = _lzw(pixels, min_code)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3b"
    with open(path, "wb") as f:
        f.write(bytes(data))


class Canvas:
    """A small raster of palette indices with the few shapes the
    illustrations need."""

    def __init__(self, width, height, background=0):
        self.w = width
        self.h = height
        self.px = [background] * (width * height)

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c, t=1):
        self.fill(x0, y0, x1, y0 + t - 1, c)
        self.fill(x0, y1 - t + 1, x1, y1, c)
        self.fill(x0, y0, x0 + t - 1, y1, c)
        self.fill(x1 - t + 1, y0, x1, y1, c)

    def box(self, x0, y0, x1, y1, face, edge, t=1):
        self.fill(x0, y0, x1, y1, face)
        self.frame(x0, y0, x1, y1, edge, t)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r // 2:
                    self.dot(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - 1) ** 2 <= d <= r * r + r // 2:
                    self.dot(x, y, c)

    def digit(self, x, y, ch, c):
        for row, bits in enumerate(DIGITS[ch]):
            for col in range(5):
                if bits & (0x10 >> col):
                    self.dot(x + col, y + row, c)

    def callout(self, cx, cy, number, ring_colour, text_colour):
        """A numbered disc that the caption under a figure explains."""
        self.disc(cx, cy, 8, ring_colour)
        text = str(number)
        x = cx - (len(text) * 6 - 1) // 2
        for ch in text:
            self.digit(x, cy - 3, ch, text_colour)
            x += 6


DIGITS = {
    "0": [0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E],
    "1": [0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E],
    "2": [0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F],
    "3": [0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E],
    "4": [0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02],
    "5": [0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E],
    "6": [0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E],
    "7": [0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08],
    "8": [0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E],
    "9": [0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C],
}

# Palette shared by the illustrations.
WHITE, INK, CASE, SHADE, PANEL, ACCENT, GREEN, PORT, CALLOUT, SLOT, GOLD = range(11)
FIG_PALETTE = [
    (255, 255, 255),  # white background
    (40, 48, 60),     # outlines
    (214, 218, 224),  # case metal
    (168, 176, 186),  # shadow, recesses
    (236, 238, 242),  # light panels
    (29, 79, 122),    # accent blue
    (60, 170, 90),    # activity light
    (70, 76, 86),     # port openings
    (200, 70, 40),    # callout discs
    (20, 110, 60),    # circuit board
    (212, 170, 60),   # contacts
]


def figure_front(path):
    c = Canvas(420, 300)
    # Tower body with a slight side shadow.
    c.fill(132, 22, 292, 284, SHADE)
    c.box(120, 14, 280, 278, CASE, INK, 2)
    # Optical drive and second 5.25-inch bay.
    c.box(138, 36, 262, 62, PANEL, INK)
    c.fill(150, 47, 230, 50, SHADE)
    c.box(244, 54, 256, 58, SHADE, INK)
    c.box(138, 68, 262, 94, PANEL, INK)
    # Memory-card reader.
    c.box(160, 104, 240, 122, PANEL, INK)
    for i in range(3):
        c.fill(168 + i * 24, 112, 184 + i * 24, 114, PORT)
    # Power button and lights.
    c.disc(200, 160, 13, ACCENT)
    c.ring(200, 160, 13, INK)
    c.ring(200, 160, 6, WHITE)
    c.fill(199, 150, 201, 158, WHITE)
    c.disc(176, 190, 3, GREEN)
    c.disc(224, 190, 3, GREEN)
    # Front USB and audio.
    c.box(150, 220, 170, 228, PORT, INK)
    c.box(176, 220, 196, 228, PORT, INK)
    c.disc(218, 224, 4, PORT)
    c.disc(236, 224, 4, PORT)
    # Ventilation slots at the foot.
    for y in range(246, 268, 5):
        c.fill(146, y, 254, y + 1, SHADE)
    # Callouts and their leader lines.
    marks = [
        (1, 64, 49, 138, 49),
        (2, 64, 113, 160, 113),
        (3, 352, 160, 214, 160),
        (4, 352, 190, 227, 190),
        (5, 64, 224, 150, 224),
        (6, 352, 224, 240, 224),
    ]
    for n, cx, cy, tx, ty in marks:
        c.line(cx + (9 if cx < tx else -9), cy, tx, ty, INK)
        c.callout(cx, cy, n, CALLOUT, WHITE)
    write_gif(path, c.w, c.h, FIG_PALETTE, c.px)


def figure_back(path):
    c = Canvas(420, 320)
    c.box(130, 10, 290, 306, CASE, INK, 2)
    # Power supply with socket and fan.
    c.box(142, 22, 278, 86, PANEL, INK)
    c.box(152, 40, 178, 66, PORT, INK)
    c.box(186, 46, 198, 62, CALLOUT, INK)  # voltage switch
    c.ring(236, 54, 24, INK)
    for r in (8, 16):
        c.ring(236, 54, r, SHADE)
    # Rear I/O panel.
    c.box(142, 98, 206, 220, PANEL, INK)
    c.disc(160, 114, 7, (ACCENT))      # keyboard
    c.disc(188, 114, 7, GREEN)         # mouse
    for i in range(4):                 # USB
        c.box(152, 134 + i * 12, 172, 140 + i * 12, PORT, INK)
    c.box(178, 134, 200, 160, PORT, INK)   # network
    c.box(151, 176, 197, 188, ACCENT, INK)  # video
    for i in range(3):                 # audio
        c.disc(158 + i * 16, 204, 5, [GREEN, ACCENT, CALLOUT][i])
    # Expansion slot covers.
    for i in range(4):
        c.box(218, 100 + i * 30, 278, 120 + i * 30, SHADE, INK)
    c.box(218, 100 + 3 * 30, 278, 120 + 3 * 30, PANEL, INK)
    c.box(226, 106 + 3 * 30, 270, 114 + 3 * 30, PORT, INK)
    # Vents.
    for y in range(236, 296, 6):
        c.fill(150, y, 270, y + 2, SHADE)
    marks = [
        (1, 64, 53, 152, 53),
        (2, 356, 53, 260, 53),
        (3, 64, 114, 153, 114),
        (4, 64, 152, 152, 152),
        (5, 356, 147, 200, 147),
        (6, 64, 182, 151, 182),
        (7, 64, 204, 153, 204),
        (8, 356, 200, 278, 200),
    ]
    for n, cx, cy, tx, ty in marks:
        c.line(cx + (9 if cx < tx else -9), cy, tx, ty, INK)
        c.callout(cx, cy, n, CALLOUT, WHITE)
    write_gif(path, c.w, c.h, FIG_PALETTE, c.px)


def figure_memory(path):
    c = Canvas(420, 230)
    # Part of the system board with two memory sockets.
    c.box(20, 20, 400, 210, SLOT, INK, 2)
    for i, y in enumerate((70, 130)):
        c.box(60, y, 360, y + 18, INK, INK)
        c.fill(64, y + 6, 356, y + 11, PORT)
        # Retaining clips, open.
        c.box(44, y - 6, 54, y + 24, PANEL, INK)
        c.box(366, y - 6, 376, y + 24, PANEL, INK)
    # A module being lowered into the upper socket.
    c.box(70, 26, 350, 58, SLOT, INK)
    for i in range(6):
        c.box(86 + i * 42, 32, 112 + i * 42, 48, INK, INK)
    for x in range(74, 346, 5):
        c.fill(x, 54, x + 2, 58, GOLD)
    c.fill(196, 52, 199, 58, SLOT)  # key notch
    for x in (120, 300):
        c.line(x, 60, x, 66, WHITE)
        c.line(x - 3, 63, x, 66, WHITE)
        c.line(x + 3, 63, x, 66, WHITE)
    marks = [
        (1, 392, 42, 351, 42),
        (2, 200, 196, 200, 152),
        (3, 28, 196, 49, 150),
    ]
    for n, cx, cy, tx, ty in marks:
        c.line(cx, cy, tx, ty, WHITE)
        c.callout(cx, cy, n, CALLOUT, WHITE)
    write_gif(path, c.w, c.h, FIG_PALETTE, c.px)


def icon_folder(path):
    pal = [(255, 255, 255), (150, 110, 10), (250, 210, 70), (255, 236, 150)]
    c = Canvas(16, 16, 0)
    c.box(1, 3, 6, 5, 2, 1)
    c.box(1, 5, 14, 13, 2, 1)
    c.fill(2, 6, 13, 7, 3)
    write_gif(path, 16, 16, pal, c.px, transparent=0)


def icon_document(path):
    pal = [(255, 255, 255), (60, 70, 90), (250, 250, 252), (120, 140, 170)]
    c = Canvas(16, 16, 0)
    c.box(3, 1, 12, 14, 2, 1)
    c.fill(10, 1, 12, 3, 0)
    c.line(9, 1, 12, 4, 1)
    c.fill(9, 1, 9, 4, 1)
    c.fill(9, 4, 12, 4, 1)
    for y in (6, 8, 10, 12):
        c.fill(5, y, 10, y, 3)
    write_gif(path, 16, 16, pal, c.px, transparent=0)


# --------------------------------------------------------------------------
# PDF writer: text pages in the standard Helvetica fonts, a few rules

def _pdf_text(s):
    return s.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")


def pdf_page(title, step_blocks, page_no, pages):
    ops = []
    ops.append("0.114 0.310 0.478 rg 0 792 612 -64 re f")
    ops.append("BT 1 1 1 rg /F2 20 Tf 48 748 Td (%s) Tj ET" % _pdf_text(title))
    y = 690
    for heading, lines in step_blocks:
        ops.append("0.114 0.310 0.478 rg 48 %d 6 18 re f" % (y - 4))
        ops.append("BT 0.1 0.1 0.1 rg /F2 14 Tf 62 %d Td (%s) Tj ET" % (y, _pdf_text(heading)))
        y -= 22
        for line in lines:
            ops.append("BT 0.15 0.15 0.15 rg /F1 11 Tf 62 %d Td (%s) Tj ET" % (y, _pdf_text(line)))
            y -= 15
        y -= 16
    ops.append("0.6 0.6 0.6 RG 0.5 w 48 56 m 564 56 l S")
    ops.append("BT 0.4 0.4 0.4 rg /F1 9 Tf 48 42 Td (Vesk Tower 500 Quick Setup) Tj ET")
    ops.append("BT 0.4 0.4 0.4 rg /F1 9 Tf 520 42 Td (Page %d of %d) Tj ET" % (page_no, pages))
    return "\n".join(ops).encode("latin-1")


def write_pdf(path, title, pages):
    objects = []  # index 0 is object 1

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    page_tree = add(None)
    font1 = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    font2 = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>")
    info = add(("<< /Title (%s) /Author (Vesk) /Producer (Vesk documentation tools) >>"
                % _pdf_text(title)).encode("latin-1"))
    kids = []
    for i, blocks in enumerate(pages):
        stream = pdf_page(title, blocks, i + 1, len(pages))
        content = add(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream")
        page = add(("<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] "
                    "/Resources << /Font << /F1 %d 0 R /F2 %d 0 R >> >> /Contents %d 0 R >>"
                    % (page_tree, font1, font2, content)).encode("latin-1"))
        kids.append(page)
    objects[catalog - 1] = ("<< /Type /Catalog /Pages %d 0 R >>" % page_tree).encode("latin-1")
    objects[page_tree - 1] = ("<< /Type /Pages /Kids [%s] /Count %d >>"
                              % (" ".join("%d 0 R" % k for k in kids), len(kids))).encode("latin-1")

    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for n, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % n + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n" % (len(objects) + 1)
    out += b"0000000000 65535 f \n"
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += (b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n"
            % (len(objects) + 1, catalog, info, xref))
    with open(path, "wb") as f:
        f.write(bytes(out))


QUICK_SETUP = [
    [
        ("1  Unpack the computer", [
            "Lift the computer out of the carton with both hands and stand it upright.",
            "Keep the carton and packing pieces in case you ever need to ship the computer.",
            "Check the contents: computer, keyboard, mouse, power cord, this poster,",
            "and the recovery discs if your order included them.",
        ]),
        ("2  Choose a place", [
            "Put the computer on a firm, level surface with at least 10 cm (4 in.)",
            "of free space behind it and on both sides so that air can circulate.",
            "Keep it away from radiators, direct sunlight, dust and moisture.",
        ]),
        ("3  Check the voltage switch", [
            "On the back of the power supply, the red voltage switch must match your",
            "local mains: 115 V in North America and Japan, 230 V in most other countries.",
            "A wrong setting can damage the power supply when you switch it on.",
        ]),
    ],
    [
        ("4  Connect the monitor, keyboard and mouse", [
            "Plug the monitor's video cable into the blue video connector and tighten",
            "the two screws by hand. Connect the keyboard to the upper round socket",
            "and the mouse to the green one, or use any two USB ports.",
        ]),
        ("5  Connect the network", [
            "For a wired network, plug a network cable into the network connector on",
            "the back panel. The lights beside the connector come on when the link works.",
        ]),
        ("6  Connect the power", [
            "Connect the power cord to the computer first, then to a grounded wall",
            "outlet or surge protector. Switch on the monitor, then press the power",
            "button on the front of the computer.",
        ]),
    ],
    [
        ("7  Finish Setup", [
            "The first start-up takes several minutes while the system prepares itself.",
            "Follow the instructions on the screen to choose your language, region and",
            "keyboard layout, and to create your user account.",
        ]),
        ("8  Read the documentation", [
            "Open Vesk Documents from the desktop. Start with Important Information,",
            "then read the User's Guide for your computer. The guide explains every",
            "connector, the technical data and what to do if something goes wrong.",
        ]),
        ("Need help?", [
            "Visit www.example.com/support or call Vesk Technical Support.",
            "Have the serial number from the label on the back of the computer ready.",
        ]),
    ],
]


def main():
    for folder in ("guide", "upgrade", "setup"):
        os.makedirs(os.path.join(DOCS, folder), exist_ok=True)
    figure_front(os.path.join(DOCS, "guide", "front.gif"))
    figure_back(os.path.join(DOCS, "guide", "back.gif"))
    figure_memory(os.path.join(DOCS, "upgrade", "memory.gif"))
    icon_folder(os.path.join(DOCS, "yellow.gif"))
    icon_document(os.path.join(DOCS, "doc.gif"))
    write_pdf(os.path.join(DOCS, "setup", "manual.pdf"), "Vesk Tower 500 Quick Setup", QUICK_SETUP)


if __name__ == "__main__":
    main()
