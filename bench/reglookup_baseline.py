#!/usr/bin/env python3
"""The baseline for searching hive files: Debian's reglookup, a plain C hive
reader, dumping every key and value of HIVE into grep -i TEXT, as someone
without Kestrin would search it. Prints the medians of ROUNDS runs (5
unless told) of the wall clock and of the CPU time of both processes.

    reglookup_baseline.py HIVE TEXT [ROUNDS]
"""
import resource
import statistics
import subprocess
import sys
import time


def one_run(hive, text):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    dump = subprocess.Popen(["reglookup", hive], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    found = subprocess.run(["grep", "-c", "-i", "-F", "--", text], stdin=dump.stdout, capture_output=True, text=True)
    dump.stdout.close()
    dump.wait()
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    return wall, cpu, int(found.stdout.strip() or 0)


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit("usage: reglookup_baseline.py HIVE TEXT [ROUNDS]")
    rounds = int(argv[2]) if len(argv) == 3 else 5
    runs = [one_run(argv[0], argv[1]) for _ in range(rounds)]
    print("reglookup | grep -i: wall %.3f s, cpu %.3f s, %d lines (median of %d)" %
          (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs), runs[0][2], rounds))


if __name__ == "__main__":
    main(sys.argv[1:])
