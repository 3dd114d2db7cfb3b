#!/usr/bin/env python3
"""Writes a registry hive file ("regf") from a tree, for the tests and the
benchmark: every structure the readers must handle, on demand.

    python3 regf_writer.py [--offsets OFFSETS.json] TREE.json OUT.hiv

TREE.json (everything but "name" optional):

    {"minor": 5,                         hive version 1.minor, 3 to 6
     "sequence": [7, 7],                 primary and secondary sequence numbers
     "root": KEY}
    KEY   = {"name": "ROOT", "utf16": false, "time": 132000000000000000,
             "list": "lh",                li, lf, lh or ri
             "leaves": ["li", "lf"],      with ri: the kinds of its leaves, which
                                          share the subkeys in order, evenly
             "keys": [KEY, ...], "values": [VALUE, ...]}
    VALUE = {"name": "", "utf16": false, "type": 1 or "REG_SZ" (REG_BINARY),
             "storage": "auto",           auto, inline, cell or db
             one of: "string": "text"     UTF-16LE with its terminator
                     "strings": ["a","b"] REG_MULTI_SZ layout
                     "dword": 42, "qword": 42
                     "hex": "00ff", "repeat": 1   raw bytes, repeated}

Names are compressed (one Latin-1 byte a character) when every character
is below U+0100 and "utf16" is not set; otherwise UTF-16LE, lone surrogates
included (JSON's "\\ud800"); a name may hold a NUL ("\\u0000"), as the
native calls allow. Keys and values are written in the order given
(Windows keeps subkeys sorted by upper-cased name: sort where that matters).
"auto" storage is what Windows does: up to 4 bytes inline, over 16344 bytes
as big data in 1.4 and later, a cell otherwise. Python callers may give
"data" as bytes instead.

build() annotates the tree with the file offsets of what it wrote, so that
tests can damage a structure precisely: on a key "@nk", "@list", "@leaves"
(with ri), "@values" (the value list); on a value "@vk", "@data" (the data
cell or db record), "@segments" (the db's segment list) and "@segment" (each
segment). --offsets writes that annotated tree as JSON.
"""
import json
import struct
import sys

BASE_SIZE = 4096
BIN_SIZE = 4096
BIN_HEADER = 32
SEGMENT = 16344
NO_CELL = 0xFFFFFFFF
DEFAULT_TIME = 133000000000000000  # 2022-06-17, FILETIME ticks
TYPES = {"REG_NONE": 0, "REG_SZ": 1, "REG_EXPAND_SZ": 2, "REG_BINARY": 3, "REG_DWORD": 4,
         "REG_DWORD_BIG_ENDIAN": 5, "REG_LINK": 6, "REG_MULTI_SZ": 7, "REG_QWORD": 11}


def encode_name(name, force_utf16):
    """The stored bytes of a name and whether they are compressed."""
    if not force_utf16 and all(ord(c) < 256 for c in name):
        return name.encode("latin-1"), True
    return name.encode("utf-16-le", "surrogatepass"), False


def value_data(value):
    """The raw data of a VALUE, from bytes or one of the JSON forms."""
    if "data" in value:
        return bytes(value["data"])
    if "string" in value:
        return (value["string"] + "\0").encode("utf-16-le", "surrogatepass")
    if "strings" in value:
        return "".join(s + "\0" for s in value["strings"] + [""]).encode("utf-16-le", "surrogatepass")
    if "dword" in value:
        return struct.pack("<I", value["dword"])
    if "qword" in value:
        return struct.pack("<Q", value["qword"])
    return bytes.fromhex(value.get("hex", "")) * value.get("repeat", 1)


def name_hash(name):
    h = 0
    for c in name:
        upper = c.upper()
        unit = ord(upper) if len(upper) == 1 and ord(upper) < 0x10000 else ord(c)
        h = (h * 37 + unit) & 0xFFFFFFFF
    return h


class Writer:
    def __init__(self, minor):
        self.minor = minor
        self.bins = bytearray()
        self.bin_end = 0

    def cell(self, data):
        """Allocates a cell holding data; returns its offset in the bins."""
        size = (len(data) + 4 + 7) & ~7
        if len(self.bins) + size > self.bin_end:
            self.close_bin()
            bin_size = max(BIN_SIZE, (size + BIN_HEADER + BIN_SIZE - 1) // BIN_SIZE * BIN_SIZE)
            start = len(self.bins)
            self.bins += struct.pack("<4sII8xQ4x", b"hbin", start, bin_size, DEFAULT_TIME)
            self.bin_end = start + bin_size
        offset = len(self.bins)
        self.bins += struct.pack("<i", -size) + data + bytes(size - 4 - len(data))
        return offset

    def close_bin(self):
        """Fills the rest of the current bin with one free cell."""
        rest = self.bin_end - len(self.bins)
        if rest:
            self.bins += struct.pack("<i", rest) + bytes(rest - 4)

    def patch(self, cell, fields):
        """Sets u32 fields of a written cell: {offset in its data: value}."""
        for at, field in fields.items():
            struct.pack_into("<I", self.bins, cell + 4 + at, field)

    def value(self, value):
        data = value_data(value)
        name, compressed = encode_name(value.get("name", ""), value.get("utf16", False))
        storage = value.get("storage", "auto")
        if storage == "auto":
            storage = "inline" if len(data) <= 4 else "db" if len(data) > SEGMENT and self.minor >= 4 else "cell"
        if storage == "inline":
            size, offset = len(data) | 0x80000000, struct.unpack("<I", data.ljust(4, b"\0"))[0]
        else:
            size, offset = len(data), self.data(value, data, storage)
        kind = value.get("type", 3)
        kind = TYPES[kind] if isinstance(kind, str) else kind
        value["@vk"] = BASE_SIZE + self.cell(
            struct.pack("<2sHIIIHH", b"vk", len(name), size, offset, kind, 1 if compressed else 0, 0) + name)
        return value["@vk"] - BASE_SIZE

    def data(self, value, data, storage):
        if storage == "cell":
            offset = self.cell(data)
            value["@data"] = BASE_SIZE + offset
            return offset
        # Like Windows, each segment's cell has 4 bytes of slack (16344 + 8
        # rounds to 16352); some readers count on it.
        segments = [self.cell(data[i:i + SEGMENT] + bytes(4)) for i in range(0, len(data), SEGMENT)]
        value["@segment"] = [BASE_SIZE + s for s in segments]
        listed = self.cell(struct.pack("<%dI" % len(segments), *segments))
        value["@segments"] = BASE_SIZE + listed
        offset = self.cell(struct.pack("<2sHI4x", b"db", len(segments), listed))
        value["@data"] = BASE_SIZE + offset
        return offset

    def leaf(self, kind, children):
        """One li, lf or lh list over (cell, name) pairs."""
        body = bytearray(struct.pack("<2sH", kind.encode(), len(children)))
        for cell, name in children:
            if kind == "li":
                body += struct.pack("<I", cell)
            elif kind == "lf":
                body += struct.pack("<I4s", cell, name[:4].encode("utf-16-le", "surrogatepass")[::2][:4])
            else:
                body += struct.pack("<II", cell, name_hash(name))
        return self.cell(bytes(body))

    def subkey_list(self, key, children):
        kind = key.get("list", "lh")
        if kind != "ri":
            key["@list"] = BASE_SIZE + self.leaf(kind, children)
            return key["@list"] - BASE_SIZE
        kinds = key.get("leaves", ["lh", "lh"])
        cuts = [len(children) * i // len(kinds) for i in range(len(kinds) + 1)]
        leaves = [self.leaf(k, children[cuts[i]:cuts[i + 1]]) for i, k in enumerate(kinds)]
        key["@leaves"] = [BASE_SIZE + leaf for leaf in leaves]
        key["@list"] = BASE_SIZE + self.cell(struct.pack("<2sH%dI" % len(leaves), b"ri", len(leaves), *leaves))
        return key["@list"] - BASE_SIZE

    def key(self, key, parent, security, root=False):
        name, compressed = encode_name(key["name"], key.get("utf16", False))
        flags = (0x2C if root else 0) | (0x20 if compressed else 0)
        nk = self.cell(struct.pack("<2sHQ15IHH", b"nk", flags, key.get("time", DEFAULT_TIME), 0,
                                   parent, 0, 0, NO_CELL, NO_CELL, 0, NO_CELL, security, NO_CELL,
                                   0, 0, 0, 0, 0, len(name), 0) + name)
        key["@nk"] = BASE_SIZE + nk
        values = [self.value(v) for v in key.get("values", [])]
        value_list = NO_CELL
        if values:
            value_list = self.cell(struct.pack("<%dI" % len(values), *values))
            key["@values"] = BASE_SIZE + value_list
        children = [(self.key(k, nk, security), k["name"]) for k in key.get("keys", [])]
        subkey_list = self.subkey_list(key, children) if children else NO_CELL
        longest_name = max((len(k["name"]) * 2 for k in key.get("keys", [])), default=0)
        longest_value = max((len(v.get("name", "")) * 2 for v in key.get("values", [])), default=0)
        longest_data = max((len(value_data(v)) for v in key.get("values", [])), default=0)
        self.patch(nk, {20: len(children), 28: subkey_list, 36: len(values), 40: value_list,
                        52: longest_name, 60: longest_value, 64: longest_data})
        return nk


def security_cell(writer):
    """One sk that every key shares: owner and group Administrators."""
    sid = struct.pack("<BB6sII", 1, 2, b"\0\0\0\0\0\x05", 32, 544)
    descriptor = struct.pack("<BBHIIII", 1, 0, 0x8000, 20, 20 + len(sid), 0, 0) + sid + sid
    body = struct.pack("<2sHIIII", b"sk", 0, 0, 0, 1, len(descriptor)) + descriptor
    offset = writer.cell(body)
    writer.patch(offset, {4: offset, 8: offset})
    return offset


def build(tree):
    """The hive's bytes; annotates tree with file offsets (see above)."""
    minor = tree.get("minor", 5)
    writer = Writer(minor)
    security = security_cell(writer)
    root = writer.key(tree["root"], NO_CELL, security, root=True)
    writer.close_bin()
    sequence = tree.get("sequence", [1, 1])
    base = bytearray(BASE_SIZE)
    struct.pack_into("<4sIIQIIIIIII", base, 0, b"regf", sequence[0], sequence[1], DEFAULT_TIME, 1, minor, 0, 1,
                     root, len(writer.bins), 1)
    base[48:48 + 22] = "\\kestrin\\test.hiv".encode("utf-16-le")[:22]
    struct.pack_into("<I", base, 508, checksum(base))
    return bytes(base) + bytes(writer.bins)


def checksum(base):
    words = struct.unpack_from("<127I", base)
    result = 0
    for word in words:
        result ^= word
    return 1 if result == 0 else 0xFFFFFFFE if result == 0xFFFFFFFF else result


def main(argv):
    offsets = None
    if len(argv) > 2 and argv[0] == "--offsets":
        offsets, argv = argv[1], argv[2:]
    if len(argv) != 2:
        sys.exit("usage: regf_writer.py [--offsets OFFSETS.json] TREE.json OUT.hiv")
    with open(argv[0], encoding="utf-8") as source:
        tree = json.load(source)
    with open(argv[1], "wb") as out:
        out.write(build(tree))
    if offsets:
        with open(offsets, "w", encoding="utf-8") as out:
            json.dump(tree, out, indent=1)


if __name__ == "__main__":
    main(sys.argv[1:])
