#!/usr/bin/env python3
"""kestrin-find's exit codes as the README's Markdown table, made from the
one list in find/ExitCodes.h.

usage: exit_codes_table.py ROOT           print the table
       exit_codes_table.py --check ROOT   fail unless README.md holds it (indented or not)
"""
import re
import sys

HEADER = '| exit code | meaning |'


def table(root):
    with open(root + '/find/ExitCodes.h', encoding='ascii') as file:
        source = file.read()
    body = source[source.index('#define KESTRIN_FIND_EXIT_CODES(X)'):source.index('\n\n', source.index('#define'))]
    rows = []
    # X(name, value, (worker outcomes), meaning), the meaning's strings
    # possibly on lines of their own.
    for name, value, meaning in re.findall(r'X\((\w+), (\d+), \([\w, ]*\),((?:\s*\\?\s*"[^"]*")+)\)', body):
        text = ''.join(re.findall(r'"([^"]*)"', meaning))
        rows.append('| %s | %s |' % (value, text))
    if not rows or len(rows) != body.count(' X('):
        raise SystemExit('find/ExitCodes.h holds exit codes this script cannot read')
    return '\n'.join([HEADER, '| --- | --- |'] + rows) + '\n'


def main(args):
    if args[:1] == ['--check']:
        expected = table(args[1])
        with open(args[1] + '/README.md', encoding='utf-8') as file:
            # The table may be indented into a list item.
            readme = ''.join(line.lstrip(' ') for line in file)
        if expected not in readme:
            print('README.md lacks this table (from find/ExitCodes.h):\n' + expected, file=sys.stderr)
            return 1
        return 0
    sys.stdout.write(table(args[0]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
