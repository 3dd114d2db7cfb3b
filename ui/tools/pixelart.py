#!/usr/bin/env python3
"""Turns Kestrin's text pixel art into Windows .ico and .cur files.

Each art file holds one image: one line per pixel row, one character per
pixel, every line as long as the image is wide. A character names a colour of
the 16-colour VGA palette (the legend below) or '.' for a transparent pixel.
Lines starting with '#' are comments.

    pixelart.py icon OUT.ico ART...          one icon image per ART file
    pixelart.py cursor OUT.cur X Y ART       one cursor, hot spot at (X, Y)
"""
import struct
import sys

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
    if width > 256 or len(rows) > 256:
        raise ValueError(f"{path}: larger than 256 pixels")
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


def resource_file(kind, images):
    """kind 1: icon, 2: cursor. images: (rows, field1, field2) where the two
    fields are planes and bit count for an icon, the hot spot for a cursor."""
    directory = struct.pack("<HHH", 0, kind, len(images))
    offset = len(directory) + 16 * len(images)
    entries, blocks = b"", b""
    for rows, field1, field2 in images:
        block = image_block(rows)
        width, height = len(rows[0]), len(rows)
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, field1, field2, len(block), offset)
        blocks += block
        offset += len(block)
    return directory + entries + blocks


def main(argv):
    if len(argv) >= 3 and argv[0] == "icon":
        data = resource_file(1, [(read_art(path), 1, 4) for path in argv[2:]])
    elif len(argv) == 5 and argv[0] == "cursor":
        rows = read_art(argv[4])
        x, y = int(argv[2]), int(argv[3])
        if not (0 <= x < len(rows[0]) and 0 <= y < len(rows)):
            raise ValueError(f"hot spot ({x}, {y}) lies outside the image")
        data = resource_file(2, [(rows, x, y)])
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
