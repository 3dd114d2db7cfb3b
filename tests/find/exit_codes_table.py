#!/usr/bin/env python3
"""kestrin-find's exit codes as a Markdown table, made from the one list in
find/ExitCodes.h, as the README and kestrin-find's reference page show it.

usage: exit_codes_table.py ROOT           print the table
       exit_codes_table.py --check ROOT   fail unless each of PAGES holds it (indented or not)
"""
import re
import sys

HEADER = '| exit code | meaning |'
# The pages that show the table, from ROOT.
PAGES = ('README.md', 'docs/kestrin-find.md')


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
        lacking = []
        for page in PAGES:
            with open(args[1] + '/' + page, encoding='utf-8') as file:
                # The table may be indented into a list item.
                if expected not in ''.join(line.lstrip(' ') for line in file):
                    lacking.append(page)
        if lacking:
            print('%s lack this table (from find/ExitCodes.h):\n%s' % (', '.join(lacking), expected), file=sys.stderr)
            return 1
        return 0
    sys.stdout.write(table(args[0]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
