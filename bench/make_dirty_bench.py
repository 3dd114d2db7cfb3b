#!/usr/bin/env python3
"""Writes the replay benchmark's dirty hive: a copy of HIVE marked dirty as
OUT/BENCH, and beside it BENCH.LOG1 and BENCH.LOG2 holding about KB
kilobytes (1024 unless told) of its 4096-byte pages, spread evenly over the
bins, in 16 entries, the first half in LOG1. The pages are the hive's own,
so the replayed hive equals HIVE: what is timed is the replay, whose result
the tests check.

    make_dirty_bench.py HIVE OUT [KB]
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "hive"))
import make_dirty  # noqa: E402

ENTRIES = 16


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit("usage: make_dirty_bench.py HIVE OUT [KB]")
    with open(argv[0], "rb") as source:
        hive = source.read()
    pages = (len(hive) - make_dirty.BASE) // make_dirty.PAGE
    wanted = min(pages, max(ENTRIES, int(argv[2] if len(argv) == 3 else 1024) // 4))
    chosen = [i * pages // wanted for i in range(wanted)]
    entries = [make_dirty.page_entry(hive, chosen[e::ENTRIES], make_dirty.SEQUENCE + e) for e in range(ENTRIES)]
    header = make_dirty.base_block(hive, make_dirty.SEQUENCE, make_dirty.SEQUENCE, 6, make_dirty.SECTOR)
    os.makedirs(argv[1], exist_ok=True)
    files = {"BENCH": make_dirty.dirty_primary(hive),
             "BENCH.LOG1": header + b"".join(entries[:ENTRIES // 2]),
             "BENCH.LOG2": header + b"".join(entries[ENTRIES // 2:])}
    for name, data in files.items():
        with open(os.path.join(argv[1], name), "wb") as out:
            out.write(data)
    print("%s: %d pages in %d entries, logs of %d and %d bytes" % (
        argv[1], wanted, ENTRIES, len(files["BENCH.LOG1"]), len(files["BENCH.LOG2"])))


if __name__ == "__main__":
    main(sys.argv[1:])
