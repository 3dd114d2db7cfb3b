#!/usr/bin/env python3
"""./kestrin.sh bench offline: kestrin-find /K /V /N /D /O on an offline
Windows whose SOFTWARE holds the benchmark's 400,000 keys
(tests/find/offline_tree.py --big, written into FOLDER once and kept)
against the same hive files given with /H:KEY at the keys /O mounts them
at: one kestrin-find run per hive, their times summed, and one run given
all of them (stricter: under Wine a process start costs more than the
small hives' search). The runs alternate; prints the medians of the wall
clock and the ratios. kestrin-find runs
under Wine (WINEPREFIX from the caller, with a Wine server already running),
its report going to a scratch folder.

    offline_bench.py KESTRIN_FIND_EXE FOLDER TEXT [ROUNDS]
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'find'))
import offline_tree  # noqa: E402


def windows(path):
    return 'Z:' + path.replace('/', '\\')


def kestrin_run(exe, where, text):
    folder = tempfile.mkdtemp(prefix='kestrin-offline-bench-')
    try:
        start = time.perf_counter()
        status = subprocess.run(['wine', exe, '/K', '/V', '/N', '/D', *where, text], cwd=folder,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode
        wall = time.perf_counter() - start
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if status != 0:
        sys.exit('kestrin-find %s failed with exit code %d' % (' '.join(where[:2]), status))
    return wall


def offline_tree_in(folder, text):
    """The root and the mounts of the tree, written unless a finished one
    is there (its list of mounts is written last)."""
    listed = os.path.join(folder, 'mounts.json')
    if not os.path.exists(listed):
        shutil.rmtree(folder, ignore_errors=True)
        print('writing the offline Windows into %s' % folder, file=sys.stderr)
        tree = offline_tree.OfflineTree(folder, text).build(offline_tree.big_software())
        with open(listed, 'w', encoding='utf-8') as out:
            json.dump([m._asdict() for m in tree.mounts], out)
    with open(listed, encoding='utf-8') as source:
        return os.path.join(folder, 'tree'), [offline_tree.Mount(**m) for m in json.load(source)]


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit('usage: offline_bench.py KESTRIN_FIND_EXE FOLDER TEXT [ROUNDS]')
    exe, folder, text = os.path.abspath(argv[0]), os.path.abspath(argv[1]), argv[2]
    rounds = int(argv[3]) if len(argv) == 4 else 5
    root, mounts = offline_tree_in(folder, text)
    offline = ['/O', windows(root)]
    hives = [arg for m in mounts for arg in ('/H:' + m.key, windows(os.path.join(root, m.file)))]
    # The first runs also bring the files into the page cache for both.
    kestrin_run(exe, offline, text)
    kestrin_run(exe, hives, text)
    found, given, alone = [], [], []
    for _ in range(rounds):
        found.append(kestrin_run(exe, offline, text))
        given.append(kestrin_run(exe, hives, text))
        alone.append(sum(kestrin_run(exe, hives[i:i + 2], text) for i in range(0, len(hives), 2)))
    o, h, a = statistics.median(found), statistics.median(given), statistics.median(alone)
    size_mb = sum(os.path.getsize(os.path.join(root, m.file)) for m in mounts) / 2**20
    print('offline Windows: %d hives, %.0f MB, text "%s", median of %d rounds' % (
        len(mounts), size_mb, text, rounds))
    print('kestrin-find /K /V /N /D /O ROOT:                     %.3f s' % o)
    print('kestrin-find /K /V /N /D /H:KEY FILE, %2d runs summed: %.3f s' % (len(mounts), a))
    print('kestrin-find /K /V /N /D /H:KEY FILE x%d in one run:  %.3f s' % (len(mounts), h))
    print('ratio to the runs summed: %.3f (aim: at most 1.05); to the one run: %.3f' % (o / a, o / h))


if __name__ == '__main__':
    main(sys.argv[1:])
