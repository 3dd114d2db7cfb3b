#!/usr/bin/env python3
"""kestrin-find's /N, /D, /S, /J, /R and /T, run under Wine on a subtree that the test
imports into HKEY_CURRENT_USER and deletes again. Every run is made with /J,
so each case checks the JSON Lines (parsed by Python's json module), the
summary and the report file together. Names hold quotes, backslashes, control
bytes and characters of the ANSI code page (ctest runs this once in 1252 and
once in 932, where the trail byte of U+8868 is "\\").

usage: switches_test.py KESTRIN_FIND_EXE   (WINEPREFIX and LC_ALL from ctest)
"""
import datetime
import json
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

EXE = None
CODE_PAGE = 'cp932' if os.environ.get('LC_ALL', '').startswith('ja_JP') else 'cp1252'
# A letter beyond ASCII, and a word with it whose case the code page can change.
if CODE_PAGE == 'cp932':
    LETTER, WORD, WORD_UPPER = '\u8868', 'ab\u8868', 'AB\u8868'  # U+8868 is 95 5C
    CASED = '\u03c3\u03bf\u03c6\u03b9\u03b1'  # Greek: a pattern folds it the same in every code page
else:
    LETTER, WORD, WORD_UPPER = '\u00e9', 'gr\u00fc\u00dfe', 'GR\u00dc\u00dfE'
    CASED = '\u00e4rger'
GREEK = '\u03a3\u039f\u03a6\u039f\u03a3 \u03c2'
TEXT = 'Kzq%x%x' % (os.getpid(), int.from_bytes(os.urandom(3), 'big'))
TREE = 'Software\\KestrinTest switches ' + TEXT
ROOT = 'HKEY_CURRENT_USER\\' + TREE
# For /U: a word of its own, in a key whose Greek name and Cyrillic data no
# ANSI code page here can spell, beside a full-width letter.
UNI = 'Ukz%x' % int.from_bytes(os.urandom(4), 'big')
UNI_KEY = '\u0396\u03b1 ' + UNI
UNI_VALUE, UNI_DATA = '\u03a9 ' + UNI, '\u0416 %s \uff5a' % UNI
# Longer than one piece of a report line.
BLOB = bytes(range(256)) + bytes(range(144))
ODD_NAME = 'i %s q"uo\\te\x01\x1f\t\x7f%s' % (TEXT, LETTER)
# For /B: a word with a letter of the code page, and the values that hold it
# inside their data (value name, type, data).
BWORD, BWORD_UPPER = TEXT + WORD, TEXT.upper() + WORD_UPPER
BINARY = [
    ('even', 'REG_BINARY', b'\x00\x01x' + b'\x00' + BWORD.encode('utf-16-le')),
    ('odd', 'REG_NONE', b'\x07' + BWORD_UPPER.encode('utf-16-le') + b'\x00'),
    ('ansi', 'REG_BINARY', b'\xff\xfe\x00' + BWORD.encode(CODE_PAGE)),
    ('whole', 'REG_BINARY', (BWORD + '\0').encode('utf-16-le')),
    # Half at each alignment, and a string that /B leaves to /V.
    ('split', 'REG_BINARY', BWORD.encode('utf-16-le')[:6] + b'\x00' + BWORD.encode('utf-16-le')[6:]),
]


def wine(args, cwd, env=None, timeout=None):
    """Runs a Windows program; its output goes through files, since Wine's
    background programs would hold a pipe open."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(['wine'] + args, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=err, env=env, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


def read_terminal(master, shown):
    """Collects what a pseudo-terminal shows until its other side closes."""
    try:
        while True:
            chunk = os.read(master, 1 << 16)
            if not chunk:
                return
            shown.append(chunk)
    except OSError:
        return


def multi(*strings):
    return ''.join(s + '\0' for s in strings) + '\0'


REG_TYPES = {'REG_NONE': 0, 'REG_BINARY': 3}


def hexlist(data):
    return ','.join('%02x' % b for b in data)


# (subkey, value name or None for the default, export-file data)
def fixture():
    sz = lambda text: '"%s"' % text.replace('\\', '\\\\').replace('"', '\\"')
    wide = lambda text: 'hex(7):' + hexlist(text.encode('utf-16-le'))
    return [
        ('names', None, sz(TEXT + ' default')),
        ('names', 'a %s sz' % TEXT, sz('plain')),
        ('names', 'b %s binary' % TEXT, 'hex:' + hexlist(BLOB)),
        ('names', 'c %s dword' % TEXT, 'dword:0000002a'),
        ('names', 'd %s multi' % TEXT, wide(multi('x', 'y'))),
        ('names', 'e %s none' % TEXT, 'hex(0):01,02'),
        ('names', 'f %s qword' % TEXT, 'hex(b):2a,00,00,00,01,00,00,00'),
        ('names', 'g %s both' % TEXT, sz(TEXT + ' both')),
        ('names', 'h other', sz('nothing')),
        ('names', ODD_NAME, sz('odd')),
        ('typed', 'd42', 'dword:0000002a'),
        ('typed', 'm1', wide(multi('x', WORD))),
        ('typed', 'm2', wide(multi('c:\\dir'))),
        ('typed', 'm3', wide(multi(LETTER))),
        ('typed', 'q', 'hex(b):2a,00,00,00,01,00,00,00'),
        ('typed', 'q42', 'hex(b):2a,00,00,00,00,00,00,00'),
        ('typed', 's42', sz('42')),
        ('s1\\%s-x "%s' % (TEXT, LETTER), None, None),
        ('s2\\deep\\%s-z' % TEXT, None, None),
        ('s2\\%s-y' % TEXT, None, None),
        (UNI_KEY, UNI_VALUE, sz(UNI_DATA)),
        ('regex', 'sep', sz('c:\\dir')),
        ('regex', 'dbc', sz(LETTER + 'x')),
        ('regex', 'cased', sz(CASED.upper())),
        ('regex', 'greek', sz(GREEK)),
        ('regex', 'big', sz('x' * (1 << 20))),
        ('regex', 'long', sz('x' * 20000)),
        ('regex', 'y', sz('xxy')),
    ] + [('binary', name, 'hex(%x):%s' % (REG_TYPES[kind], hexlist(data))) for name, kind, data in BINARY] + [
        ('binary', 'sz', sz(BWORD)),
    ]


def import_fixture(folder):
    lines, keys = ['Windows Registry Editor Version 5.00', ''], []
    for sub, name, data in fixture():
        if sub not in keys:
            keys.append(sub)
            lines += ['', '[HKEY_CURRENT_USER\\%s\\%s]' % (TREE, sub)]
        if data is not None:
            label = '@' if name is None else '"%s"' % name.replace('\\', '\\\\').replace('"', '\\"')
            lines.append('%s=%s' % (label, data))
    path = os.path.join(folder, 'fixture.reg')
    with open(path, 'wb') as file:
        file.write(b'\xff\xfe' + ('\r\n'.join(lines) + '\r\n').encode('utf-16-le'))
    return wine(['reg', 'import', 'Z:' + path.replace('/', '\\')], folder)[0]


class Switches(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix='kestrin-switches-')
        cls.exe = os.path.join(cls.folder, 'kestrin-find.exe')
        shutil.copy(EXE, cls.exe)  # with a Kestrin.ini of its own
        if import_fixture(cls.folder) != 0:
            raise RuntimeError('reg import failed')

    @classmethod
    def tearDownClass(cls):
        wine(['reg', 'delete', 'HKCU\\' + TREE, '/f'], cls.folder)
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.cwd = tempfile.mkdtemp(dir=self.folder)

    def find(self, *args, expect_exit=0):
        status, out, err = wine([self.exe, '/J'] + list(args), self.cwd)
        self.assertEqual(expect_exit, status, err.decode(CODE_PAGE, 'replace'))
        self.assertTrue(out.endswith(b'\n') and b'\r' not in out, out)
        *hits, summary = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        for hit in hits:
            self.assertRegex(hit.pop('modified'), r'^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$')
        self.assertEqual(len(hits), summary['found'])
        self.assertEqual(expect_exit, summary['exit'])
        report = summary['report']
        self.assertTrue(report.startswith('Z:'), report)
        with open(report[2:].replace('\\', '/'), 'rb') as file:
            body = file.read()
        self.assertEqual(os.path.dirname(report[2:].replace('\\', '/')), self.cwd)
        return hits, summary, body

    def values(self, *args, expect_exit=0):
        """The names of the values that a run found, in order; no report
        when there are none. No run here may take long, whatever the
        expression."""
        status, out, err = wine([self.exe, '/J'] + list(args), self.cwd, timeout=60)
        self.assertEqual(expect_exit, status, err.decode(CODE_PAGE, 'replace'))
        *hits, summary = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        self.assertEqual(expect_exit, summary['exit'])
        self.assertEqual(summary['report'] is None, not hits)
        return [hit.get('value', hit['key']) for hit in hits], err

    def expect_report(self, body, blocks):
        """blocks: (key path, [value lines]) in report order."""
        text = ''.join('[%s]\r\n%s\r\n' % (key, ''.join(line + '\r\n' for line in lines)) for key, lines in blocks)
        self.assertEqual(text.encode(CODE_PAGE), body[body.index(b'\r\n\r\n[') + 4:])

    def test_value_names_of_every_type_each_value_once(self):
        hits, summary, body = self.find('/N', '/V', '/S', 'hkcu\\' + TREE + '\\names', TEXT)
        key = ROOT + '\\names'
        expected = [
            ('', 'REG_SZ', TEXT + ' default', 'data'),
            ('a %s sz' % TEXT, 'REG_SZ', 'plain', 'name'),
            ('b %s binary' % TEXT, 'REG_BINARY', BLOB.hex(), 'name'),
            ('c %s dword' % TEXT, 'REG_DWORD', 42, 'name'),
            ('d %s multi' % TEXT, 'REG_MULTI_SZ', ['x', 'y'], 'name'),
            ('e %s none' % TEXT, 'REG_NONE', '0102', 'name'),
            ('f %s qword' % TEXT, 'REG_QWORD', 0x10000002a, 'name'),
            ('g %s both' % TEXT, 'REG_SZ', TEXT + ' both', 'name'),
            (ODD_NAME, 'REG_SZ', 'odd', 'name'),
        ]
        self.assertEqual([{'key': key, 'value': n, 'type': t, 'data': d, 'match': m} for n, t, d, m in expected], hits)
        self.assertEqual(1, summary['keys'])
        self.assertEqual(10, summary['values'])
        self.assertIn(b'Values - [On], Data - [Off]', body)
        self.expect_report(body, [(key, [
            '@="%s default"' % TEXT,
            '"a %s sz"="plain"' % TEXT,
            '"b %s binary"=hex:%s' % (TEXT, hexlist(BLOB)),
            '"c %s dword"=dword:0000002a' % TEXT,
            '"d %s multi"=hex(7):78,00,79,00,00' % TEXT,
            '"e %s none"=hex(0):01,02' % TEXT,
            '"f %s qword"=hex(b):2a,00,00,00,01,00,00,00' % TEXT,
            '"g %s both"="%s both"' % (TEXT, TEXT),
            '"%s"="odd"' % ODD_NAME])])

    def test_typed_data_numbers_and_strings_of_a_multi_string(self):
        key = ROOT + '\\typed'
        start = 'HKEY_CURRENT_USER\\' + TREE + '\\typed\\'
        d42 = ('d42', 'REG_DWORD', 42, '"d42"=dword:0000002a')
        q42 = ('q42', 'REG_QWORD', 42, '"q42"=hex(b):2a,00,00,00,00,00,00,00')
        q = ('q', 'REG_QWORD', 0x10000002a, '"q"=hex(b):2a,00,00,00,01,00,00,00')
        m1 = ('m1', 'REG_MULTI_SZ', ['x', WORD], '"m1"=hex(7):' + hexlist(multi('x', WORD).encode(CODE_PAGE)))
        m2 = ('m2', 'REG_MULTI_SZ', ['c:\\dir'], '"m2"=hex(7):63,3a,5c,64,69,72,00,00')
        cases = [(['42'], [d42, q42]), (['0x2A'], [d42, q42]), (['4294967338'], [q]), (['0X10000002a'], [q]),
                 # "\" is the trail byte of U+8868 in m3 under 932: no match there.
                 (['\\'], [m2]), (['/W', WORD_UPPER], [m1]), (['/W', '/C', WORD_UPPER], [])]
        for args, values in cases:
            with self.subTest(args=args):
                if not values:
                    status, out, _ = wine([self.exe, '/J', '/D', '/S', start] + args, self.cwd)
                    self.assertEqual(0, status)
                    self.assertEqual({'report': None, 'keys': 1, 'values': 7, 'found': 0, 'exit': 0},
                                     json.loads(out))
                    continue
                hits, _, body = self.find('/D', '/S', start, *args)
                self.assertEqual([{'key': key, 'value': n, 'type': t, 'data': d, 'match': 'data'}
                                  for n, t, d, _ in values], hits)
                self.assertIn(b'Values - [Off], Data - [On]', body)
                self.expect_report(body, [(key, [line for *_, line in values])])

    def test_start_keys_nested_and_repeated_are_walked_once_in_order(self):
        tree = 'HKEY_CURRENT_USER\\' + TREE
        hits, summary, body = self.find('/K', '/S', 'HKCU\\' + TREE + '\\s2', '/S', tree + '\\s1',
                                        '/S', tree + '\\s2\\deep', '/S', 'hkey_current_user\\' + TREE.lower() + '\\S1\\',
                                        TEXT)
        keys = [ROOT + '\\s2\\deep\\%s-z' % TEXT, ROOT + '\\s2\\%s-y' % TEXT, ROOT + '\\s1\\%s-x "%s' % (TEXT, LETTER)]
        self.assertEqual([{'key': k, 'match': 'key'} for k in keys], hits)
        self.assertEqual(6, summary['keys'], 's2, deep, z, y, s1, x: each once')
        self.expect_report(body, [(k, []) for k in keys])

        # A start key is matched by its own name.
        hits, _, _ = self.find('/K', '/S', keys[1], TEXT)
        self.assertEqual([{'key': keys[1], 'match': 'key'}], hits)

    def test_unicode_start_key_and_hits_go_from_utf16_straight_to_utf8(self):
        # The start key's Greek name comes from the wide command line; the
        # root's abbreviation is spelled out, the rest stays as typed.
        key = ROOT + '\\' + UNI_KEY
        hits, summary, body = self.find('/U', '/K', '/N', '/S', 'hkcu\\' + TREE + '\\' + UNI_KEY, UNI)
        self.assertEqual([{'key': key, 'match': 'key'},
                          {'key': key, 'value': UNI_VALUE, 'type': 'REG_SZ', 'data': UNI_DATA, 'match': 'name'}], hits)
        self.assertEqual(1, summary['keys'])
        header = '\ufeffWindows Registry Editor Version 5.00\r\n\r\n'.encode('utf-16-le')
        block = '\r\n\r\n[%s]\r\n"%s"="%s"\r\n\r\n' % (key, UNI_VALUE, UNI_DATA)
        self.assertTrue(body.startswith(header) and body.endswith(block.encode('utf-16-le')), body)

    def test_regular_expressions_match_utf16_with_case_folding(self):
        start = 'HKCU\\' + TREE + '\\regex'
        typed = 'HKCU\\' + TREE + '\\typed'
        cases = [
            # Under 932 the trail byte of U+8868 is "\\", which a byte-wise match would find in "dbc".
            (['/V', '/S', start, r'\\'], ['sep']),
            (['/V', '/S', start, CASED], ['cased']),
            (['/V', '/C', '/S', start, CASED], []),
            (['/V', '/W', '/S', start, r'C:.DIR'], ['sep']),
            (['/V', '/W', '/S', start, 'c:'], []),
            (['/V', '/S', start, '^' + LETTER + 'X$'], ['dbc']),
            (['/U', '/V', '/S', start, '\u03c3\u03bf\u03c6\u03bf\u03c2 \u03c3'], ['greek']),
            (['/D', '/S', typed, '^42$'], ['d42', 'q42']),
            (['/N', '/S', typed, '^[dq]4'], ['d42', 'q42']),
            (['/K', '/S', start, ''], ['HKEY_CURRENT_USER\\%s\\regex' % TREE]),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                self.assertEqual(expected, self.values('/R', *args)[0])

    def test_text_inside_binary_data_in_every_form(self):
        """/B finds UTF-16 at either alignment and the code page's bytes, with
        /C, /W, /U and /R; JSON says where, the report holds the data in hex."""
        start = 'HKCU\\' + TREE + '\\binary'
        key = ROOT + '\\binary'
        offsets = {'ansi': 3, 'even': 4, 'odd': 1, 'whole': 0}  # Wine lists values by name
        hits, _, body = self.find('/B', '/S', start, BWORD)
        values = {name: (kind, data) for name, kind, data in BINARY}
        expected = [{'key': key, 'value': name, 'type': values[name][0], 'data': values[name][1].hex(),
                     'match': 'binary', 'match_offset': offset} for name, offset in offsets.items()]
        self.assertEqual(expected, hits)
        self.assertIn(b'Values - [Off], Data - [On]', body)
        self.expect_report(body, [(key, ['"%s"=hex%s:%s' % (name, '' if values[name][0] == 'REG_BINARY' else '(0)',
                                                            hexlist(values[name][1])) for name in offsets])])
        r_whole = TEXT + '.' + WORD[1:] + '$'
        cases = [
            (['/C', BWORD], ['ansi', 'even', 'whole']),
            (['/U', BWORD_UPPER], ['ansi', 'even', 'odd', 'whole']),
            (['/W', BWORD_UPPER], ['whole']),
            (['/W', '/C', BWORD_UPPER], []),
            (['/R', TEXT.lower() + '.'], ['ansi', 'even', 'odd', 'whole']),
            (['/R', '/C', BWORD_UPPER + '$'], ['odd']),
            (['/R', '/W', r_whole], ['whole']),
            (['/U', '/R', '/W', r_whole], ['whole']),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                found, _ = self.values('/B', '/S', start, *args)
                self.assertEqual(expected, found)
        hits, _, _ = self.find('/B', '/R', '/S', start, TEXT + '.')
        self.assertEqual(list(offsets.values()), [hit['match_offset'] for hit in hits])

    def test_bad_and_pathological_expressions(self):
        status, out, err = wine([self.exe, '/R', '/K', 'a(b'], self.cwd)
        self.assertEqual((64, b''), (status, out))
        self.assertIn(b'kestrin-find: invalid regular expression at position 3: Unmatched marking parenthesis', err)
        self.assertEqual([], os.listdir(self.cwd))
        # A megabyte of "x" (the matcher's stack runs out) and 20,000 (its
        # budget of work is spent): each given up on, told once, and the rest
        # is searched.
        for unicode in ([], ['/U']):
            with self.subTest(unicode=unicode):
                found, err = self.values(*unicode, '/R', '/V', '/S', 'HKCU\\' + TREE + '\\regex', '(x+x+)+y',
                                         expect_exit=4)
                self.assertEqual(['y'], found)
                for name in ('big', 'long'):
                    notice = 'value "%s" of %s\\regex' % (name, ROOT)
                    self.assertEqual(1, err.decode(CODE_PAGE).count(notice), err)

    def test_last_write_range_picks_keys_by_the_second(self):
        tree = 'HKCU\\' + TREE + '\\timed'
        before = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
        wine(['reg', 'add', tree + '\\old', '/v', 'v', '/d', 'old', '/f'], self.cwd)
        time.sleep(2.2)
        wine(['reg', 'add', tree + '\\new', '/f'], self.cwd)
        after = datetime.datetime.now(datetime.timezone.utc)
        keys = ['/S', tree + '\\old', '/S', tree + '\\new']
        status, out, _ = wine([self.exe, '/J', '/K', '/R'] + keys + [''], self.cwd)
        *hits, _ = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        stamps = {hit['key'].rsplit('\\', 1)[1]: hit['modified'] for hit in hits}
        self.assertEqual({'old', 'new'}, set(stamps), out)
        parse = lambda stamp: datetime.datetime.strptime(stamp, '%Y-%m-%dT%H:%M:%SZ').replace(
            tzinfo=datetime.timezone.utc)
        for key, stamp in stamps.items():
            self.assertTrue(before <= parse(stamp) <= after, (key, stamp, before, after))
        old, new = stamps['old'][:-1], stamps['new'][:-1]
        self.assertLess(old, new)
        ago = lambda stamp: '%dm' % ((after - parse(stamp)).total_seconds() // 60 + 2)
        # Wine's "reg add" gives "new" an empty default value.
        cases = [(['/T', new], ['new', '']), (['/T', '..' + old], ['old', 'v']),
                 (['/T', old + '..' + old], ['old', 'v']), (['/T', '2000-01-01..2000-01-01'], []),
                 (['/T', ago(stamps['old'])], ['old', 'v', 'new', '']), (['/T', '..' + ago(stamps['old'])], [])]
        for args, expected in cases:
            with self.subTest(args=args):
                found, _ = self.values('/K', '/V', '/R', *keys, *args, '')
                self.assertEqual(expected, [name.rsplit('\\', 1)[-1] for name in found])
        # The range used is told, an open end as now: /T FROM is no single day.
        status, _, err = wine([self.exe, '/K', '/T', old] + keys + ['x'], self.cwd)
        told = re.findall(r'^searching keys written (\S+)Z\.\.(\S+)Z\r?$', err.decode(CODE_PAGE), re.M)
        self.assertEqual(1, len(told), err)
        self.assertEqual(old, told[0][0])
        now = datetime.datetime.now(datetime.timezone.utc)
        self.assertTrue(after.replace(microsecond=0) <= parse(told[0][1] + 'Z') <= now, told)
        status, _, err = wine([self.exe, '/K', '/T', '2026-02-30', 'x'], self.cwd)
        self.assertEqual(64, status)
        self.assertIn(b'malformed time range 2026-02-30', err)

    def test_key_times_and_whole_keys_in_a_report_that_still_imports(self):
        """/L puts each key's last write time under its key line, /A every
        value of a key with a hit; regedit still imports the report."""
        tree = 'HKCU\\' + TREE + '\\lines'
        before = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
        wine(['reg', 'add', tree + '\\k', '/v', 'hit ' + TEXT, '/d', 'a', '/f'], self.cwd)
        wine(['reg', 'add', tree + '\\k', '/v', 'other', '/t', 'REG_DWORD', '/d', '7', '/f'], self.cwd)
        after = datetime.datetime.now(datetime.timezone.utc)
        status, out, err = wine([self.exe, '/J', '/N', '/A', '/L', '/S', tree, TEXT], self.cwd)
        self.assertEqual(0, status, err)
        hit, summary = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        when = hit.pop('modified')
        key = ROOT + '\\lines\\k'
        self.assertEqual({'key': key, 'value': 'hit ' + TEXT, 'type': 'REG_SZ', 'data': 'a', 'match': 'name',
                          'values': [{'value': 'hit ' + TEXT, 'type': 'REG_SZ', 'data': 'a'},
                                     {'value': 'other', 'type': 'REG_DWORD', 'data': 7}]}, hit)
        stamp = datetime.datetime.strptime(when, '%Y-%m-%dT%H:%M:%SZ').replace(tzinfo=datetime.timezone.utc)
        self.assertTrue(before <= stamp <= after, (when, before, after))
        report = 'Z:' + summary['report'][2:]
        with open(summary['report'][2:].replace('\\', '/'), 'rb') as file:
            body = file.read()
        self.expect_report(body, [(key, ['; last written ' + when, '"hit %s"="a"' % TEXT, '"other"=dword:00000007'])])
        self.assertEqual(0, wine(['reg', 'delete', tree, '/f'], self.cwd)[0])
        self.assertEqual(0, wine(['regedit', '/s', report], self.cwd)[0])
        status, out, _ = wine([self.exe, '/J', '/N', '/A', '/S', tree, TEXT], self.cwd)
        self.assertEqual(hit, {k: v for k, v in json.loads(out.splitlines()[0]).items() if k != 'modified'})

    def test_a_reader_that_goes_away_stops_the_search(self):
        # Every key of the registry is a hit; the reader takes one line.
        started = time.monotonic()
        child = subprocess.Popen(['wine', self.exe, '/J', '/K', '/R', ''], cwd=self.cwd, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        first = json.loads(child.stdout.readline())
        child.stdout.close()
        closed = time.monotonic()
        self.assertEqual(1, child.wait(timeout=60))
        print('exit %.2f s after the reader closed (%.2f s in all)' % (time.monotonic() - closed,
                                                                          time.monotonic() - started))
        self.assertEqual('HKEY_CLASSES_ROOT', first['key'])
        reports = [name for name in os.listdir(self.cwd) if name.endswith('.reg')]
        with open(os.path.join(self.cwd, reports[0]), 'rb') as file:
            self.assertIn(b'; ** The process of search was interrupted by the user **', file.read())

    def test_a_reader_gone_at_the_end_is_told_by_the_exit_code(self):
        """The search runs to its end and only the last line is lost: the
        report's path, /J's summary (nothing found) or the summary line on
        standard error, whose loss hides neither the report nor its path."""
        keys = ['/K', '/S', ROOT, TEXT]
        for args, lost in ((keys, 'stdout'), (['/J'] + keys[:-1] + ['Kzq-nowhere'], 'stdout'), (keys, 'stderr')):
            with self.subTest(args=args, lost=lost), tempfile.TemporaryFile() as kept:
                cwd = tempfile.mkdtemp(dir=self.folder)
                read, gone = os.pipe()
                os.close(read)
                streams = {'stdout': kept, 'stderr': kept}
                streams[lost] = gone
                status = subprocess.run(['wine', self.exe] + args, cwd=cwd, stdin=subprocess.DEVNULL, timeout=60,
                                        **streams).returncode
                os.close(gone)
                kept.seek(0)
                text = kept.read().decode(CODE_PAGE, 'replace')
                self.assertEqual(1, status, text)
                reports = [name for name in os.listdir(cwd) if name.endswith('.reg')]
                if '/J' in args:
                    self.assertEqual([], reports)
                    self.assertIn('Found items: 0', text)
                    continue
                self.assertEqual(1, len(reports))
                with open(os.path.join(cwd, reports[0]), 'rb') as file:
                    self.assertNotIn(b'interrupted', file.read())
                self.assertIn('Found items: 4' if lost == 'stdout' else reports[0] + '\r\n', text)

    def test_a_console_gets_the_lines_a_pipe_gets(self):
        """A console (under Wine, a pseudo-terminal) is given /J's lines in
        batches: all of them arrive, in order, as through a pipe, once the
        console's own line breaks and cursor codes are taken out."""
        run = [self.exe, '/J', '/F', '-', '/K', '/S', 'HKCU\\' + TREE + '\\s2', TEXT]
        master, slave = pty.openpty()
        shown = []
        reader = threading.Thread(target=read_terminal, args=(master, shown))
        reader.start()
        status = subprocess.run(['wine'] + run, cwd=self.cwd, stdin=subprocess.DEVNULL, stdout=slave,
                                stderr=subprocess.DEVNULL, timeout=60).returncode
        os.close(slave)
        reader.join()
        os.close(master)
        self.assertEqual(0, status)
        piped = wine(run, self.cwd)[1]
        self.assertEqual(3, len(piped.splitlines()), piped)
        drawn = re.sub(rb'\x1b\[[0-9;?]*[A-Za-z]|[\r\n]', b'', b''.join(shown))
        self.assertEqual(piped.replace(b'\n', b''), drawn)

    def test_missing_start_key_is_a_usage_error_before_any_search(self):
        missing = 'HKCU\\' + TREE + '\\missing'
        for key in (missing, 'HKXY\\Software'):
            with self.subTest(key=key):
                status, out, err = wine([self.exe, '/K', '/S', 'HKCU\\' + TREE, '/S', key, TEXT], self.cwd)
                self.assertEqual(64, status)
                self.assertEqual(b'', out)
                self.assertIn(('kestrin-find: cannot open the start key ' + key).encode(CODE_PAGE), err)
                self.assertEqual([], os.listdir(self.cwd))

    def test_report_place_folder_file_name_or_none(self):
        """/F into a folder under the usual name, to a file name that is
        never overwritten, and - for none; the current directory stays empty."""
        start = 'HKCU\\' + TREE + '\\s2'
        place = tempfile.mkdtemp(dir=self.folder)
        with open(os.path.join(place, 'hits.reg'), 'wb') as file:
            file.write(b'kept')
        runs = [('', r'Kestrin .+ \d{8} \d{6}\.reg'), ('hits.reg', r'hits \(2\)\.reg'), ('hits.reg', r'hits \(3\)\.reg'),
                ('plain', 'plain'), ('plain', r'plain \(2\)')]
        for name, expected in runs:
            with self.subTest(name=name):
                before = set(os.listdir(place))
                target = os.path.join(place, name) if name else place + '/'
                status, out, err = wine([self.exe, '/J', '/K', '/S', start, '/F', 'Z:' + target.replace('/', '\\'),
                                         TEXT], self.cwd)
                self.assertEqual(0, status, err)
                [made] = set(os.listdir(place)) - before
                self.assertRegex(made, '^%s$' % expected)
                self.assertEqual(2, json.loads(out.splitlines()[-1])['found'])
                self.assertEqual('Z:' + os.path.join(place, made).replace('/', '\\'),
                                 json.loads(out.splitlines()[-1])['report'])
        with open(os.path.join(place, 'hits.reg'), 'rb') as file:
            self.assertEqual(b'kept', file.read())
        status, out, err = wine([self.exe, '/J', '/K', '/S', start, '/F', '-', TEXT], self.cwd)
        self.assertEqual((0, 3, None), (status, len(out.splitlines()), json.loads(out.splitlines()[-1])['report']))
        status, out, err = wine([self.exe, '/K', '/S', start, '/F', '-', TEXT], self.cwd)
        self.assertEqual((64, b''), (status, out))
        self.assertIn(b'kestrin-find: /F - needs /J', err)
        self.assertEqual([], os.listdir(self.cwd))
        self.assertEqual(5 + 1, len(os.listdir(place)))


if __name__ == '__main__':
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
