#!/usr/bin/env python3
"""The tests' hive writer against two independent readers: python3-hivex
reads back every key, value and byte of the fixture hives (1.3 and 1.5, all
list kinds, inline, cell and big data) as the fixture says, and libregf's
regfexport exports them whole. Neither reads a lone surrogate, so the
fixture leaves that name out here."""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hivex  # noqa: E402  (Debian's python3-hivex)
import make_test_hives  # noqa: E402
import regf_writer  # noqa: E402


def hivex_lines(path):
    reader = hivex.Hivex(path)

    def walk(node, parent):
        name = make_test_hives.render_name(reader.node_name(node))
        path = name if parent is None else parent + "\\" + name
        lines = ["K %s %d" % (path, reader.node_timestamp(node))]
        for value in reader.node_values(node):
            kind, data = reader.value_value(value)
            lines.append("V %s:%s %d %s" % (path, make_test_hives.render_name(reader.value_key(value)), kind,
                                            data.hex()))
        for child in reader.node_children(node):
            lines += walk(child, path)
        return lines

    return walk(reader.root(), None)


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for minor in (3, 5):
            tree = make_test_hives.fixture_tree(minor, lone_surrogate=False)
            path = os.path.join(folder, "writer-1.%d.hiv" % minor)
            with open(path, "wb") as out:
                out.write(regf_writer.build(tree))
            expected = make_test_hives.expected_lines(tree["root"])
            got = hivex_lines(path)
            if got != expected:
                failures += 1
                first = next(i for i, pair in enumerate(zip(got + [""], expected + [""])) if pair[0] != pair[1])
                print("1.%d: hivex reads line %d as %.120r, expected %.120r" %
                      (minor, first + 1, (got + ["(end)"])[first], (expected + ["(end)"])[first]))
            export = subprocess.run(["regfexport", path], capture_output=True, text=True, errors="replace")
            keys = sum(1 for line in expected if line.startswith("K "))
            exported = export.stdout.count("Key path:")
            if export.returncode != 0 or exported != keys:
                failures += 1
                print("1.%d: regfexport exit %d, %d of %d keys: %s" %
                      (minor, export.returncode, exported, keys, export.stderr[-300:]))
    print("%d passed, %d failed" % (4 - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
