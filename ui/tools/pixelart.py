#!/usr/bin/env python3
"""Turns Kestrin's text pixel art into Windows .ico and .cur files.

Each art file holds one image: one line per pixel row, one character per
pixel, every line as long as the image is wide. A character names a colour of
the 16-colour VGA palette (the legend below) or '.' for a transparent pixel.
Lines starting with '#' are comments.

    pixelart.py icon OUT.ico SIZES ART...         one icon image per size
    pixelart.py cursor OUT.cur SIZES X Y ART      one cursor image per size,
                                                  hot spot at (X, Y) of ART

SIZES is a comma-separated list of square sizes. A size that some ART has is
that art, in 16 colours; any other size is drawn, in 32-bit colour with
alpha, from the largest ART below it (pixel art keeps its character when
enlarged; shrunk it loses detail), or else the smallest: whole multiples
pixel for pixel (sharp), the rest by averaging the area each pixel covers (a
soft edge of a pixel at most). Images of 256 pixels are stored as PNG, as Windows Vista and later
read them.
"""
import struct
import sys
import zlib

# The VGA palette in the order of the standard Windows 16-colour palette.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# Lower case for the dark half, upper case for the bright half.
LEGEND = {
    "K": 0,   # black
    "r": 1,   # maroon
    "g": 2,   # green
    "y": 3,   # olive
    "b": 4,   # navy
    "m": 5,   # purple
    "c": 6,   # teal
    "w": 7,   # silver
    "k": 8,   # grey
    "R": 9,   # red
    "G": 10,  # lime
    "Y": 11,  # yellow
    "B": 12,  # blue
    "M": 13,  # fuchsia
    "C": 14,  # aqua (cyan)
    "W": 15,  # white
}
TRANSPARENT = "."


def read_art(path):
    """The art's rows as lists of palette indices, None for transparent."""
    with open(path, encoding="ascii") as art:
        lines = [line.rstrip("\r\n") for line in art if not line.startswith("#")]
    lines = [line for line in lines if line]
    if not lines:
        raise ValueError(f"{path}: no pixel rows")
    width = len(lines[0])
    rows = []
    for number, line in enumerate(lines, 1):
        if len(line) != width:
            raise ValueError(f"{path}: row {number} is {len(line)} pixels wide, not {width}")
        row = []
        for column, char in enumerate(line, 1):
            if char == TRANSPARENT:
                row.append(None)
            elif char in LEGEND:
                row.append(LEGEND[char])
            else:
                raise ValueError(f"{path}: row {number}, column {column}: unknown colour {char!r}")
        rows.append(row)
    if width != len(rows) or width > 256:
        raise ValueError(f"{path}: {width} x {len(rows)} pixels, not square and at most 256")
    return rows


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def pack_bits(bits):
    """Packs 0/1 values most significant bit first."""
    out = bytearray((len(bits) + 7) // 8)
    for index, bit in enumerate(bits):
        if bit:
            out[index // 8] |= 0x80 >> (index % 8)
    return bytes(out)


def pack_nibbles(indices):
    out = bytearray((len(indices) + 1) // 2)
    for index, value in enumerate(indices):
        out[index // 2] |= value << (4 if index % 2 == 0 else 0)
    return bytes(out)


def image_block(rows):
    """A device-independent bitmap with its colour table, colour bits and
    mask, bottom row first, as the icon and cursor formats hold it."""
    height, width = len(rows), len(rows[0])
    colour = b"".join(padded(pack_nibbles([p or 0 for p in row])) for row in reversed(rows))
    mask = b"".join(padded(pack_bits([p is None for p in row])) for row in reversed(rows))
    # The header's height counts colour bits and mask together.
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + table + colour + mask


def rgba(rows):
    """Palette rows as rows of (r, g, b, a) with a from 0 to 1."""
    return [[(*PALETTE[p], 1.0) if p is not None else (0, 0, 0, 0.0) for p in row] for row in rows]


def covered(start, end):
    """The source pixels [start, end) overlaps, each with the overlap."""
    first = int(start)
    while first < end:
        yield first, min(end, first + 1) - max(start, first)
        first += 1


def scaled(rows, size):
    """rows (palette indices) drawn at size x size pixels: each target pixel
    averages the source area it covers, colours weighted by their coverage
    so that transparent pixels darken no edge."""
    source = rgba(rows)
    step = len(rows) / size
    image = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for sy, hy in covered(y * step, (y + 1) * step):
                for sx, hx in covered(x * step, (x + 1) * step):
                    pr, pg, pb, pa = source[sy][sx]
                    weight = hx * hy * pa
                    r, g, b, a = r + pr * weight, g + pg * weight, b + pb * weight, a + weight
            coverage = a / (step * step)
            row.append((round(r / a), round(g / a), round(b / a), round(255 * coverage)) if a else (0, 0, 0, 0))
        image.append(row)
    return image


def true_colour_block(image):
    """A 32-bit device-independent bitmap with alpha, and its mask."""
    size = len(image)
    colour = b"".join(bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(image))
    mask = b"".join(padded(pack_bits([a == 0 for *_, a in row])) for row in reversed(image))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def png_block(image):
    """image as a PNG file: 8-bit RGBA, no interlace."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    size = len(image)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in image)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


PNG_SIZE = 256  # the size Windows reads only as PNG inside an icon file


def drawn(arts, size):
    """The image block for size and its bit count."""
    for rows in arts:
        if len(rows) == size:
            return image_block(rows), 4
    smaller = [rows for rows in arts if len(rows) < size]
    image = scaled(max(smaller, key=len) if smaller else min(arts, key=len), size)
    return (png_block(image) if size == PNG_SIZE else true_colour_block(image)), 32


def resource_file(kind, images):
    """kind 1: icon, 2: cursor. images: (size, block, bits, field1, field2)
    where the two fields are planes and bit count for an icon, the hot spot
    for a cursor."""
    directory = struct.pack("<HHH", 0, kind, len(images))
    offset = len(directory) + 16 * len(images)
    entries, blocks = b"", b""
    for size, block, bits, field1, field2 in images:
        colours = 16 if bits == 4 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, field1, field2, len(block), offset)
        blocks += block
        offset += len(block)
    return directory + entries + blocks


def sizes_of(text):
    sizes = [int(size) for size in text.split(",")]
    if any(not 1 <= size <= 256 for size in sizes):
        raise ValueError(f"sizes {text}: each must lie in 1..256")
    return sizes


def main(argv):
    if len(argv) >= 4 and argv[0] == "icon":
        arts = [read_art(path) for path in argv[3:]]
        images = []
        for size in sizes_of(argv[2]):
            block, bits = drawn(arts, size)
            images.append((size, block, bits, 1, bits))
        data = resource_file(1, images)
    elif len(argv) == 6 and argv[0] == "cursor":
        rows = read_art(argv[5])
        x, y = int(argv[3]), int(argv[4])
        if not (0 <= x < len(rows[0]) and 0 <= y < len(rows)):
            raise ValueError(f"hot spot ({x}, {y}) lies outside the image")
        images = []
        for size in sizes_of(argv[2]):
            # The hot spot stays on the same art pixel: its top left corner.
            block, bits = drawn([rows], size)
            images.append((size, block, bits, x * size // len(rows), y * size // len(rows)))
        data = resource_file(2, images)
    else:
        sys.stderr.write(__doc__)
        return 64
    with open(argv[1], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError) as error:
        sys.stderr.write(f"pixelart: {error}\n")
        sys.exit(1)
