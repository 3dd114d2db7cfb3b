#!/usr/bin/env python3
"""./kestrin.sh bench hive: kestrin-find /K /V /N /D /H on a hive file
against its baseline, Debian's reglookup dumping the same hive into grep
(reglookup_baseline.py), and the same search with TEXT as a regular
expression (/R), with binary data searched too (/B) and with the hive's
free space searched too (/X) against the plain one, the runs alternating;
prints the
medians of the wall clock, their ratios, and kestrin-find's peak resident
memory beside the file's size. kestrin-find runs under Wine (WINEPREFIX from the caller, with
a Wine server already running), its report going to a scratch folder.

    hive_bench.py KESTRIN_FIND_EXE HIVE TEXT [ROUNDS]
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from reglookup_baseline import one_run as reglookup_run


def kestrin_run(exe, hive, text, switches=()):
    folder = tempfile.mkdtemp(prefix='kestrin-hive-bench-')
    try:
        start = time.perf_counter()
        status = subprocess.run(['wine', exe, *switches, '/K', '/V', '/N', '/D', '/H', 'Z:' + hive.replace('/', '\\'), text],
                                cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode
        wall = time.perf_counter() - start
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if status != 0:
        sys.exit('kestrin-find failed with exit code %d' % status)
    return wall


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit('usage: hive_bench.py KESTRIN_FIND_EXE HIVE TEXT [ROUNDS]')
    exe, hive, text = os.path.abspath(argv[0]), os.path.abspath(argv[1]), argv[2]
    rounds = int(argv[3]) if len(argv) == 4 else 5
    # The first run also brings the file into the page cache for both.
    kestrin_run(exe, hive, text)
    peak_mb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
    kestrin, baseline, regex, binary, deleted = [], [], [], [], []
    for _ in range(rounds):
        kestrin.append(kestrin_run(exe, hive, text))
        baseline.append(reglookup_run(hive, text)[0])
        regex.append(kestrin_run(exe, hive, text, ['/R']))
        binary.append(kestrin_run(exe, hive, text, ['/B']))
        deleted.append(kestrin_run(exe, hive, text, ['/X']))
    k, b, r = statistics.median(kestrin), statistics.median(baseline), statistics.median(regex)
    bb, x = statistics.median(binary), statistics.median(deleted)
    size_mb = os.path.getsize(hive) / 2**20
    print('hive %s: %.0f MB, text "%s", median of %d rounds' % (os.path.basename(hive), size_mb, text, rounds))
    print('kestrin-find /K /V /N /D /H: %.3f s, peak resident %.0f MB (file + %.0f MB)' % (k, peak_mb, peak_mb - size_mb))
    print('reglookup | grep -i:         %.3f s' % b)
    print('ratio: %.3f' % (k / b))
    print('kestrin-find /R /K /V /N /D /H: %.3f s, ratio to the plain text %.3f' % (r, r / k))
    print('kestrin-find /B /K /V /N /D /H: %.3f s, ratio to the plain text %.3f' % (bb, bb / k))
    print('kestrin-find /X /K /V /N /D /H: %.3f s, ratio to the plain search %.3f' % (x, x / k))


if __name__ == '__main__':
    main(sys.argv[1:])
