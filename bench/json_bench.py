#!/usr/bin/env python3
"""./kestrin.sh bench json: kestrin-find /J /F - /N on a hive file whose
every key holds a hit, its JSON lines written to a file, to /dev/null (a
character device) and to a pseudo-terminal (under Wine, a console), the
runs alternating; prints the medians of the wall clock and each one's
ratio to the file's. kestrin-find runs under Wine (WINEPREFIX from the
caller, with a Wine server already running).

    json_bench.py KESTRIN_FIND_EXE HIVE TEXT [ROUNDS]
"""
import os
import pty
import statistics
import subprocess
import sys
import tempfile
import threading
import time


def drain(fd):
    """Reads a pseudo-terminal's master side until the other side closes."""
    try:
        while os.read(fd, 1 << 16):
            pass
    except OSError:
        pass


def timed_run(command, stdout):
    start = time.perf_counter()
    status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=stdout,
                            stderr=subprocess.DEVNULL).returncode
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit('kestrin-find failed with exit code %d' % status)
    return wall


def to_file(command):
    with tempfile.TemporaryFile() as out:
        wall = timed_run(command, out)
        out.seek(0)
        lines = sum(1 for _ in out)
    return wall, lines


def to_null(command):
    with open(os.devnull, 'wb') as out:
        return timed_run(command, out)


def to_terminal(command):
    master, slave = pty.openpty()
    reader = threading.Thread(target=drain, args=(master,))
    reader.start()
    try:
        wall = timed_run(command, slave)
    finally:
        os.close(slave)
        reader.join()
        os.close(master)
    return wall


def main():
    exe, hive, text = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    command = ['wine', exe, '/J', '/F', '-', '/N', '/H', 'Z:' + hive.replace('/', '\\'), text]
    times = {'file': [], '/dev/null': [], 'terminal': []}
    lines = 0
    for _ in range(rounds):
        wall, lines = to_file(command)
        times['file'].append(wall)
        times['/dev/null'].append(to_null(command))
        times['terminal'].append(to_terminal(command))
    print('kestrin-find /J, %d lines, median of %d rounds:' % (lines, rounds))
    base = statistics.median(times['file'])
    for name, walls in times.items():
        median = statistics.median(walls)
        print('  %-10s %7.3f s  %5.2fx the file' % (name, median, median / base))


if __name__ == '__main__':
    main()
