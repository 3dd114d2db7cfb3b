#!/usr/bin/env python3
"""Writes the reader tests' hives into OUT_DIR with regf_writer, and beside
each hive what a correct reader reads back and where its structures stand:

    make_test_hives.py OUT_DIR

    full-1.N.hiv        the fixture tree in version 1.N (3 to 6)
    full-1.N.expected   its keys and values, as tests/hive/HiveWalk renders them
    full-1.N.offsets    "<path> <@field> <file offset>" for every structure
    small-1.5.hiv       the tree without its big values: a seed the fuzzer
                        mutates faster

In the offsets, a key's path is its names below the root joined by "/"
("." for the root), a value's is its key's path, ":" and its name.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import regf_writer  # noqa: E402

SEGMENT = regf_writer.SEGMENT
TIME = 131000000000000000


def fixture_tree(minor, lone_surrogate=True):
    """Every structure once: the list kinds, Latin-1 and UTF-16 names,
    inline (1, 3, 4 bytes), cell and big data; big data that begins with
    "db", which 1.3 must take as a plain cell. "Last" is written last."""
    names = ["A", "B\x80", "C\u0416", "E", "F", "G"]
    if lone_surrogate:
        names[3] = "D\ud800x"
    lists = [{"name": n, "time": TIME + i, "utf16": n == "F"} for i, n in enumerate(names)]
    lists[0].update(list="li", keys=[{"name": "A1"}, {"name": "A2"}])
    lists[1].update(list="lf", keys=[{"name": "B1"}])
    big = b"db" + bytes((i * 7) % 251 for i in range(40000 - 2))
    values = [
        {"name": "", "type": "REG_SZ", "string": "x"},
        {"name": "one", "data": b"\x01"},
        {"name": "three", "data": b"\x01\x02\x03"},
        {"name": "four", "type": "REG_DWORD", "dword": 0x2A},
        {"name": "sz", "type": "REG_SZ", "string": "hello world"},
        {"name": "multi", "type": "REG_MULTI_SZ", "strings": ["a", "b\u0416"]},
        {"name": "qword", "type": "REG_QWORD", "qword": 1 << 40},
        {"name": "empty", "type": "REG_SZ", "data": b""},
        {"name": "two in a cell", "data": b"\xAB\xCD", "storage": "cell"},
        {"name": "latin\x80", "type": 0x20000, "data": b"\x00\xff"},
        {"name": "\u0416wide", "utf16": True, "type": "REG_EXPAND_SZ", "string": "%x%"},
        {"name": "big", "data": big},
        {"name": "a byte past a segment", "data": bytes(range(256)) * (SEGMENT // 256) + bytes(SEGMENT % 256 + 1)},
    ]
    root = {"name": "ROOT", "time": TIME, "keys": [
        {"name": "Lists", "list": "ri", "leaves": ["li", "lf", "lh"], "keys": lists},
        {"name": "Values", "list": "lf", "values": values, "keys": [{"name": "Child", "values": [
            {"name": "v1", "type": "REG_SZ", "string": "one"},
            {"name": "v2", "type": "REG_SZ", "string": "two"},
            {"name": "v3", "type": "REG_SZ", "string": "three"}]}]},
        {"name": "Last", "values": [{"name": "end", "type": "REG_SZ", "string": "the end"}]},
    ]}
    return {"minor": minor, "sequence": [5, 5], "root": root}


def render_name(name):
    """A name's UTF-16 units: ASCII as itself, others as \\uXXXX."""
    units = name.encode("utf-16-le", "surrogatepass")
    out = []
    for i in range(0, len(units), 2):
        unit = units[i] | units[i + 1] << 8
        out.append(chr(unit) if 0x20 <= unit < 0x7F and unit != 0x5C else "\\u%04x" % unit)
    return "".join(out)


def expected_lines(key, path=None):
    """K <path> <last write> and V <path>:<name> <type> <data as hex>."""
    path = render_name(key["name"]) if path is None else path + "\\" + render_name(key["name"])
    lines = ["K %s %d" % (path, key.get("time", regf_writer.DEFAULT_TIME))]
    for value in key.get("values", []):
        kind = value.get("type", 3)
        kind = regf_writer.TYPES[kind] if isinstance(kind, str) else kind
        lines.append("V %s:%s %d %s" % (path, render_name(value.get("name", "")), kind,
                                        regf_writer.value_data(value).hex()))
    for child in key.get("keys", []):
        lines += expected_lines(child, path)
    return lines


def offset_lines(key, path="."):
    def fields(owner, name):
        for field, where in owner.items():
            if field.startswith("@"):
                many = not isinstance(where, int)
                for i, at in enumerate(where if many else [where]):
                    yield "%s %s%s %d" % (name, field, ".%d" % i if many else "", at)

    lines = list(fields(key, path))
    for value in key.get("values", []):
        lines += fields(value, path + ":" + render_name(value.get("name", "")))
    for child in key.get("keys", []):
        name = render_name(child["name"])
        lines += offset_lines(child, name if path == "." else path + "/" + name)
    return lines


def write(path, text):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(text)


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for minor in (3, 4, 5, 6):
        tree = fixture_tree(minor)
        stem = os.path.join(out_dir, "full-1.%d" % minor)
        with open(stem + ".hiv", "wb") as out:
            out.write(regf_writer.build(tree))
        write(stem + ".expected", "\n".join(expected_lines(tree["root"])) + "\n")
        write(stem + ".offsets", "\n".join(offset_lines(tree["root"])) + "\n")
    small = fixture_tree(5)
    small["root"]["keys"][1]["values"] = small["root"]["keys"][1]["values"][:-2]
    with open(os.path.join(out_dir, "small-1.5.hiv"), "wb") as out:
        out.write(regf_writer.build(small))


if __name__ == "__main__":
    main(*sys.argv[1:])
