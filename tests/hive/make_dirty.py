#!/usr/bin/env python3
"""Dirty hives and their transaction logs, derived from clean hives, for the
replay tests.

    python3 make_dirty.py OUTDIR
    python3 make_dirty.py --seeds OUTDIR

writes one folder per case of cases() into OUTDIR: HIVE, the first clean
hive marked dirty (its sequence numbers differ), its logs, and "expected", the
clean hive that replaying them must give. The clean hives come from
regf_writer, each the one before with keys added at the end, so that the
pages that differ are a few at the front and the tail.

New-format logs get an "HvLE" entry per step from one clean hive to the next,
holding the 4096-byte pages of the bins that differ (runs of them as one
reference) and both Marvin32 hashes. An old-format log holds the newest base
block, "DIRT", a bitmap with a bit per 512-byte page of the newest bins, and
those pages from the first sector boundary after the bitmap. Marvin32 is
checked against marvin32-vectors.txt before any log is written.

--seeds writes each case as one input of the log fuzzer instead (see
fuzz/LogFuzz.cpp): a 9-byte header, the primary and its first two logs.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import regf_writer  # noqa: E402

BASE = regf_writer.BASE_SIZE
SECTOR = 512
PAGE = 4096
SEED = 0x82EF4D887A4E55C5
SEQUENCE = 5  # the dirty primary's secondary sequence number: where replay starts
VECTORS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "marvin32-vectors.txt")


def marvin32(data, seed):
    mask = 0xFFFFFFFF
    rotl = lambda x, n: ((x << n) | (x >> (32 - n))) & mask

    def mix(low, high):
        high ^= low
        low = (rotl(low, 20) + high) & mask
        high = rotl(high, 9) ^ low
        low = (rotl(low, 27) + high) & mask
        return low, rotl(high, 19)

    low, high = seed & mask, seed >> 32
    whole = len(data) & ~3
    for i in range(0, whole, 4):
        low, high = mix((low + int.from_bytes(data[i:i + 4], "little")) & mask, high)
    low, high = mix(*mix((low + int.from_bytes(data[whole:] + b"\x80", "little")) & mask, high))
    return high << 32 | low


def check_marvin32():
    with open(VECTORS, encoding="ascii") as vectors:
        for line in vectors:
            if line.startswith("#") or not line.strip():
                continue
            seed, data, expected = line.split()
            data = b"" if data == "-" else bytes.fromhex(data)
            if marvin32(data, int(seed, 16)) != int(expected, 16):
                sys.exit("make_dirty.py: Marvin32 fails the known answer for %s %s" % (seed, data.hex()))


def base_block(hive, primary, secondary, file_type, size=BASE):
    """The first size bytes of hive's base block with other sequence numbers
    and file type, and its checksum made right."""
    base = bytearray(hive[:size])
    struct.pack_into("<II", base, 4, primary, secondary)
    struct.pack_into("<I", base, 28, file_type)
    struct.pack_into("<I", base, 508, regf_writer.checksum(base))
    return bytes(base)


def dirty_primary(clean):
    """clean, in the middle of a write: sequence numbers one apart."""
    return base_block(clean, SEQUENCE + 1, SEQUENCE, 0) + clean[BASE:]


def changed(old, new, unit):
    """Indexes of the unit-sized pages of new's bins that differ from old's."""
    old_bins, new_bins = old[BASE:], new[BASE:]
    return [i for i in range(len(new_bins) // unit)
            if old_bins[i * unit:(i + 1) * unit] != new_bins[i * unit:(i + 1) * unit]]


def entry(old, new, sequence):
    """One "HvLE" entry taking old to new."""
    return page_entry(new, changed(old, new, PAGE), sequence)


def page_entry(new, pages, sequence):
    """One "HvLE" entry holding these 4096-byte pages of new's bins."""
    runs = []
    for page in pages:
        if runs and runs[-1][0] + runs[-1][1] == page:
            runs[-1][1] += 1
        else:
            runs.append([page, 1])
    references = b"".join(struct.pack("<II", first * PAGE, count * PAGE) for first, count in runs)
    pages = b"".join(new[BASE + first * PAGE:BASE + (first + count) * PAGE] for first, count in runs)
    size = -(-(40 + len(references) + len(pages)) // SECTOR) * SECTOR
    body = (references + pages).ljust(size - 40, b"\0")
    header = struct.pack("<4sIIIIIQ", b"HvLE", size, 0, sequence, len(new) - BASE, len(runs), marvin32(body, SEED))
    return header + struct.pack("<Q", marvin32(header, SEED)) + body


def new_format_logs(hives, layout, first=SEQUENCE):
    """{log name: bytes}: layout maps each log's name to the steps it holds
    (step i takes hives[i - 1] to hives[i], sequence number first + i - 1).
    Each log's base block names its first entry, as Windows writes it."""
    def log(steps):
        start = first + steps[0] - 1
        return base_block(hives[0], start, start, 6, SECTOR) + b"".join(
            entry(hives[i - 1], hives[i], first + i - 1) for i in steps)
    return {name: log(steps) for name, steps in layout.items()}


def old_format_log(old, new):
    bitmap = bytearray((len(new) - BASE) // SECTOR // 8)
    pages = changed(old, new, SECTOR)
    for page in pages:
        bitmap[page // 8] |= 1 << (page % 8)
    head = (base_block(new, SEQUENCE + 1, SEQUENCE + 1, 1, SECTOR) + b"DIRT" + bitmap)
    head = head.ljust(-(-len(head) // SECTOR) * SECTOR, b"\0")
    return head + b"".join(new[BASE + p * SECTOR:BASE + (p + 1) * SECTOR] for p in pages)


def clean_hives():
    """Three clean hives, each the one before with a key added at the end; the
    third needs a new bin for a 6000-byte value."""
    keys = [{"name": "Software", "keys": [{"name": "Vendor %d" % i, "values": [
        {"name": "Path", "type": "REG_SZ", "string": "C:\\Program Files\\Vendor %d" % i},
        {"name": "Id", "type": "REG_DWORD", "dword": i}]} for i in range(40)]}]
    added = {"name": "Kestrin Added", "values": [{"name": "Greeting", "type": "REG_SZ", "string": "from the log"}]}
    grown = {"name": "Kestrin Grown", "values": [{"name": "Blob", "hex": "5a", "repeat": 6000}]}
    trees = [keys, keys + [added], keys + [added, grown]]
    hives = [regf_writer.build({"sequence": [1, 1], "root": {"name": "ROOT", "keys": k}}) for k in trees]
    assert len(hives[2]) > len(hives[1]) and len(hives[1]) == len(hives[0])
    return hives


def cases(h):
    """{case: (dirty primary, {log name: bytes}, expected clean hive)}."""
    both = new_format_logs(h, {"HIVE.LOG1": [1, 2]})["HIVE.LOG1"]
    last = SECTOR + len(entry(h[0], h[1], SEQUENCE))
    bad = both[:last + 24] + bytes([both[last + 24] ^ 1]) + both[last + 25:]
    gap = (base_block(h[0], SEQUENCE, SEQUENCE, 6, SECTOR) + entry(h[0], h[1], SEQUENCE) +
           entry(h[1], h[2], SEQUENCE + 2))
    # A torn base block: its sequence numbers garbled, its checksum wrong.
    torn = dirty_primary(h[0])[:4] + b"\xff" * 8 + dirty_primary(h[0])[12:]
    return {
        "one-log": (dirty_primary(h[0]), new_format_logs(h[:2], {"HIVE.LOG1": [1]}), h[1]),
        "split": (dirty_primary(h[0]), new_format_logs(h, {"HIVE.LOG2": [1], "HIVE.LOG1": [2]}), h[2]),
        "grows": (dirty_primary(h[1]), new_format_logs(h[1:], {"HIVE.LOG1": [1]}), h[2]),
        "old-format": (dirty_primary(h[0]), {"HIVE.LOG": old_format_log(h[0], h[2])}, h[2]),
        "bad-hash": (dirty_primary(h[0]), {"HIVE.LOG1": bad}, h[1]),
        "truncated": (dirty_primary(h[0]), {"HIVE.LOG1": both[:last + 1000]}, h[1]),
        "gap": (dirty_primary(h[0]), {"HIVE.LOG1": gap}, h[1]),
        "torn-base": (torn, {"HIVE.LOG1": both}, h[2]),
        "no-log": (dirty_primary(h[0]), {}, h[0]),
        # Windows writes logs that start well after the hive's numbers.
        "far": (dirty_primary(h[0]), new_format_logs(h, {"HIVE.LOG1": [2], "HIVE.LOG2": [1]}, SEQUENCE + 482), h[2]),
        # A log that starts before the hive's last complete write is stale.
        "stale": (dirty_primary(h[0]), new_format_logs(h, {"HIVE.LOG1": [1, 2]}, SEQUENCE - 3), h[0]),
    }


def write_seeds(folder):
    os.makedirs(folder, exist_ok=True)
    for name, (primary, logs, _) in cases(clean_hives()).items():
        first, second = (list(logs.values()) + [b"", b""])[:2]
        with open(os.path.join(folder, "log-" + name), "wb") as out:
            out.write(struct.pack("<IIB", len(primary), len(first), 0) + primary + first + second)


def main(argv):
    if len(argv) == 2 and argv[0] == "--seeds":
        check_marvin32()
        return write_seeds(argv[1])
    if len(argv) != 1:
        sys.exit("usage: make_dirty.py [--seeds] OUTDIR")
    check_marvin32()
    for name, (primary, logs, expected) in cases(clean_hives()).items():
        folder = os.path.join(argv[0], name)
        os.makedirs(folder, exist_ok=True)
        files = dict(logs, HIVE=primary, expected=expected)
        for file_name, data in files.items():
            with open(os.path.join(folder, file_name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main(sys.argv[1:])
