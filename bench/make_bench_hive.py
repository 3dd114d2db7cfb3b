#!/usr/bin/env python3
"""Writes the benchmark's hive: KEYS keys (400000 unless told) in a tree a
few levels deep, three values each (a REG_SZ, an inline REG_DWORD and a
REG_BINARY of up to 63 bytes), a big-data value on every 500th key, names
and strings with "Microsoft" in every tenth. At 400000 keys it is about
155 MB, like a large SOFTWARE hive.

    make_bench_hive.py [KEYS] OUT.hiv
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "hive"))
import regf_writer  # noqa: E402

FANOUT = 12
WORDS = ["Windows", "CurrentVersion", "Explorer", "Classes", "Policies", "Services", "Control", "Interface",
         "Components", "Microsoft"]


class Tree:
    def __init__(self):
        self.made = 0

    def key(self, budget):
        """A key with budget - 1 descendants, its children sharing them."""
        n = self.made
        self.made += 1
        word = WORDS[n % len(WORDS)]
        values = [
            {"name": "DisplayName", "type": 1,
             "data": ("%s item %d of the hive" % (word, n)).encode("utf-16-le") + b"\0\0"},
            {"name": "Flags", "type": 4, "data": (n * 2654435761 % 2**32).to_bytes(4, "little")},
            {"name": "Data", "type": 3, "data": bytes(range(256))[: n * 37 % 64]},
        ]
        if n % 500 == 499:
            values.append({"name": "Large", "type": 3, "data": bytes(n % 251 for _ in range(20000))})
        key = {"name": "%s%d" % (word, n), "time": 130000000000000000 + n * 10000000, "values": values}
        rest = budget - 1
        if rest:
            count = min(FANOUT, rest)
            key["keys"] = [self.key(rest * (i + 1) // count - rest * i // count) for i in range(count)]
        return key


def main(argv):
    keys, out = (int(argv[0]), argv[1]) if len(argv) == 2 else (400000, argv[0])
    start = time.time()
    sys.setrecursionlimit(10000)
    root = Tree().key(keys)
    root["name"] = "BENCH"
    data = regf_writer.build({"minor": 5, "root": root})
    with open(out, "wb") as target:
        target.write(data)
    print("%s: %d keys, %d bytes, %.1f s" % (out, keys, len(data), time.time() - start))


if __name__ == "__main__":
    main(sys.argv[1:])
