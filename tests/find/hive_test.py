#!/usr/bin/env python3
"""kestrin-find /H under Wine: a hive written by the tests' own writer
against the same keys imported into the prefix, damaged hives, files that
are no hive or cannot be opened, and the mount rules. ctest runs this once
per ANSI code page (1252, 1251, 932); the live-against-hive case also runs
with /U.

usage: hive_test.py KESTRIN_FIND_EXE   (WINEPREFIX and LC_ALL from ctest)
"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'hive'))
import make_dirty  # noqa: E402
import regf_writer  # noqa: E402
from switches_test import wine  # noqa: E402

EXE = None
TEXT = 'Hkq%x' % int.from_bytes(os.urandom(4), 'big')
TREE = 'Software\\KestrinTest hive ' + TEXT
SEGMENT = 16344


def sz(text):
    return (text + '\0').encode('utf-16-le')


def key(name, keys=(), values=(), **extra):
    return dict(name=name, keys=list(keys), values=[dict(name=n, type=t, data=d) for n, t, d in values], **extra)


def leaves(prefix, count):
    return [key('%s%d %s' % (prefix, i, TEXT if i % 2 else 'x')) for i in range(count)]


def fixture():
    """Every structure: li, lf, lh and ri (over all three) lists; inline,
    cell and big data; compressed and UTF-16 names, Latin-1 and beyond;
    string data without a terminator, of odd length, with junk after it.
    Names sort the same upper- or lower-cased, so that Wine's order of the
    live keys is the hive's file order."""
    data = [
        ('', 1, sz('default ' + TEXT)),
        ('i1 bin', 3, b'\x07'), ('i2 bin', 3, b'\x07\x08'), ('i3 sz odd', 1, b'a\0b'),
        ('i4 sz', 1, sz('q')), ('i5 dword', 4, (42).to_bytes(4, 'little')),
        ('m multi', 7, sz('x ' + TEXT) + sz('\u0416 y') + b'\0\0'),
        ('n no terminator', 1, ('bare ' + TEXT).encode('utf-16-le')),
        ('o odd', 2, sz('odd %s %%PATH%%' % TEXT) + b'\x41'),
        ('p junk', 1, sz(TEXT) + 'junk \u00e9'.encode('utf-16-le')),
        ('q qword', 11, (42).to_bytes(8, 'little')),
        ('r wide \u00e9 \u0416 \u8868', 1, sz('\u00e9 \u0416\u0436 \u8868 \uff5a\uff45\uff42\uff52\uff41 ' + TEXT)),
        ('s big sz', 1, sz('b' * (SEGMENT) + ' ' + TEXT)),
        ('t big bin', 3, bytes(range(256)) * 200),
    ]
    return key('root', keys=[
        key('a li \u00e9 ' + TEXT, keys=leaves('a', 3), list='li'),
        key('b lf', keys=leaves('b', 3), list='lf'),
        key('c ri', keys=leaves('c', 7), list='ri', leaves=['li', 'lf', 'lh']),
        key('d utf16 ' + TEXT, utf16=True, values=[('v', 1, sz('d'))]),
        key('e \u0416\u0436 ' + TEXT, keys=[key('inner')]),
        key('f \u8868 ' + TEXT),
        key('g values', values=data),
    ], values=[('v', 1, sz('root ' + TEXT))])


def reg_file(node, path, lines):
    lines += ['', '[%s]' % path]
    for value in node['values']:
        name = '@' if not value['name'] else '"%s"' % value['name']
        lines.append('%s=hex(%x):%s' % (name, value['type'], ','.join('%02x' % b for b in value['data'])))
    for child in node['keys']:
        reg_file(child, path + '\\' + child['name'], lines)
    return lines


def check_order(node):
    names = [child['name'] for child in node['keys']]
    assert sorted(names, key=str.lower) == sorted(names, key=str.upper) == names, names
    for child in node['keys']:
        check_order(child)


def write_hive(path, tree):
    with open(path, 'wb') as out:
        out.write(regf_writer.build(tree))


def windows(path):
    return 'Z:' + path.replace('/', '\\')


class HiveCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix='kestrin-hive-')
        cls.exe = os.path.join(cls.folder, 'kestrin-find.exe')
        shutil.copy(EXE, cls.exe)  # with a Kestrin.ini of its own

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def run_find(self, *args):
        """(exit, JSON hit lines, summary, report body below the header,
        stderr, the folder it ran in)"""
        cwd = tempfile.mkdtemp(dir=self.folder)
        status, out, err = wine([self.exe, '/J'] + list(args), cwd)
        *hits, summary = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        # Live keys and hive keys were written at other times: Times checks them.
        self.modified = [hit.pop('modified') for hit in hits]
        body = b''
        if summary['report']:
            with open(summary['report'][2:].replace('\\', '/'), 'rb') as file:
                report = file.read()
            wide = report.startswith(b'\xff\xfe')
            text = report.decode('utf-16-le' if wide else 'latin-1')
            self.report = text
            body = text[text.index('\r\n\r\n[') + 4:]
        self.assertEqual(status, summary.pop('exit'))
        summary.pop('report')
        # /H's list of hives, which a live search lacks: DirtyHive checks it.
        self.hives = summary.pop('hives', None)
        return status, hits, summary, body, err.decode('latin-1').replace('\r\n', '\n'), cwd

    def hive(self, name, tree):
        path = os.path.join(self.folder, name)
        write_hive(path, tree)
        return windows(path)


class LiveAgainstHive(HiveCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        root = fixture()
        check_order(root)
        lines = reg_file(root, 'HKEY_CURRENT_USER\\' + TREE, ['Windows Registry Editor Version 5.00'])
        reg = os.path.join(cls.folder, 'fixture.reg')
        with open(reg, 'wb') as file:
            file.write(b'\xff\xfe' + ('\r\n'.join(lines) + '\r\n').encode('utf-16-le'))
        if wine(['reg', 'import', windows(reg)], cls.folder)[0] != 0:
            raise RuntimeError('reg import failed')
        cls.file = os.path.join(cls.folder, 'fixture.hiv')
        write_hive(cls.file, {'minor': 5, 'root': root})

    @classmethod
    def tearDownClass(cls):
        wine(['reg', 'delete', 'HKCU\\' + TREE, '/f'], cls.folder)
        super().tearDownClass()

    def test_hive_reads_like_the_live_subtree(self):
        searches = [['/K', '/V', '/N', '/D', TEXT], ['/U', '/K', '/V', '/N', '/D', TEXT], ['/D', '42'],
                    ['/V', '/N', 'b'], ['/U', '/K', '/V', '/N', '\u0416'], ['/V', 'zebra']]
        for args in searches:
            with self.subTest(args=args):
                live = self.run_find('/S', 'HKCU\\' + TREE, *args)
                hive = self.run_find('/H:HKCU\\' + TREE, windows(self.file), *args)
                self.assertEqual(live[:4], hive[:4])
                if TEXT in args:
                    self.assertGreater(len(hive[1]), 10)
        # Every code page here lacks a letter of some key's name: the ANSI
        # calls cannot open those keys, live or in the hive. The hive says so
        # itself, as no damage, and leaves ExcludeKeys.txt alone.
        status, _, _, _, err, cwd = self.run_find('/K', '/H:HKCU\\' + TREE, windows(self.file), TEXT)
        self.assertEqual(2, status)
        code_page = {'ru': 1251, 'ja': 932}.get(os.environ.get('LC_ALL', '')[:2], 1252)
        self.assertRegex(err, r'(^|\n)kestrin-find: [^\n]*fixture\.hiv: a key in HKEY_CURRENT_USER\\Software'
                         r'[^\n]* has a name outside code page %d \(key node at file offset 0x[0-9a-f]+\), '
                         r'so it was not searched: /U searches it\n' % code_page)
        self.assertNotIn('damage', err)
        self.assertEqual([], [name for name in os.listdir(cwd) if not name.endswith('.reg')])


class Damage(HiveCase):
    """Each kind of damage is told once, with its key path and file offset;
    the rest of the hive is still searched."""

    def damaged(self, patch):
        tree = {'minor': 5, 'root': key('root', keys=[
            key('A', keys=[key('A1 ' + TEXT)]),
            key('B', keys=[key('B1'), key('B2 ' + TEXT)], list='ri', leaves=['lh', 'li']),
            key('C', values=[('big', 3, bytes(3 * SEGMENT)), ('v', 1, sz(TEXT))]),
            key('Z ' + TEXT)])}
        data = bytearray(regf_writer.build(tree))
        root = tree['root']
        a, b, c = root['keys'][:3]
        offset, path = patch(data, root, a, b, c)
        return bytes(data), offset, path

    def test_each_damage_is_told_once_and_the_rest_searched(self):
        def u32(data, at, value):
            data[at:at + 4] = value.to_bytes(4, 'little', signed=value < 0)

        def u16(data, at, value):
            data[at:at + 2] = value.to_bytes(2, 'little')

        def entry(node):  # the first cell of an lh list, past size, "lh" and count
            return node['@list'] + 8

        cases = [
            ('key node outside the hive bins', lambda d, r, a, b, c: (
                u32(d, entry(a), 0x7FFFFF00), (0x7FFFFF00 + 4096, 'A'))[1]),
            ('key node with a cell size that does not fit its bin', lambda d, r, a, b, c: (
                u32(d, a['keys'][0]['@nk'], -0x7FFFF000), (a['keys'][0]['@nk'], 'A'))[1]),
            ('subkey list names an ancestor of its key (a cycle)', lambda d, r, a, b, c: (
                u32(d, entry(a), a['@nk'] - 4096), (a['@list'], 'A'))[1]),
            ('subkey list names a key that a list names already', lambda d, r, a, b, c: (
                u32(d, entry(a), b['keys'][0]['@nk'] - 4096), (b['@list'], 'B'))[1]),
            ('subkey list ri inside an ri', lambda d, r, a, b, c: (
                u32(d, b['@list'] + 8, b['@list'] - 4096), (b['@list'], 'B'))[1]),
            ('subkey list count larger than its cell', lambda d, r, a, b, c: (
                u16(d, a['@list'] + 6, 0x7FFF), (a['@list'], 'A'))[1]),
            ('key node name longer than its cell', lambda d, r, a, b, c: (
                u16(d, a['keys'][0]['@nk'] + 4 + 72, 0xFFFF), (a['keys'][0]['@nk'], 'A'))[1]),
            ('big-data record with impossible segments', lambda d, r, a, b, c: (
                u16(d, c['values'][0]['@data'] + 6, 1), (c['values'][0]['@data'], 'C'))[1]),
        ]
        for what, patch in cases:
            with self.subTest(what=what):
                data, offset, path = self.damaged(patch)
                file = os.path.join(self.folder, 'damaged.hiv')
                with open(file, 'wb') as out:
                    out.write(data)
                status, hits, _, _, err, _ = self.run_find('/K', '/V', '/H:HKU\\D', windows(file), TEXT)
                self.assertEqual(2, status, err)
                told = '%s: damage at file offset 0x%x in HKEY_USERS\\D\\%s: %s\n' % (windows(file), offset, path, what)
                self.assertEqual(1, err.count(told), err)
                self.assertEqual(1, err.count('damage at'), err)
                self.assertIn({'key': 'HKEY_USERS\\D\\Z ' + TEXT, 'match': 'key'}, hits)
                self.assertIn({'key': 'HKEY_USERS\\D\\C', 'value': 'v', 'type': 'REG_SZ', 'data': TEXT,
                               'match': 'data'}, hits)

    def test_files_that_are_no_hive_or_cannot_be_opened(self):
        good = self.hive('good.hiv', {'minor': 3, 'sequence': [4, 5], 'root': key('r', keys=[key(TEXT)])})
        other = os.path.join(self.folder, 'other.txt')
        with open(other, 'wb') as out:
            out.write(b'not a hive' * 1000)
        missing = windows(os.path.join(self.folder, 'missing.hiv'))
        # The platform's text for a missing file is in the prefix's language.
        for first, code, pattern in [
                (windows(self.folder), 66,
                 re.escape(windows(self.folder) + ' is a folder, not a hive file: ') + '[^\n]+'),
                (windows(other), 65, re.escape(windows(other) + ' is not a usable hive: no regf signature')),
                (missing, 66, re.escape('cannot open the hive file %s: ' % missing) + '[^\n]+')]:
            with self.subTest(code=code):
                status, hits, _, _, err, _ = self.run_find('/K', '/H', first, '/H', good, TEXT)
                self.assertEqual(code, status, err)
                self.assertRegex(err, '(^|\n)kestrin-find: ' + pattern + '\n')
                self.assertEqual([{'key': 'HKEY_LOCAL_MACHINE\\good.hiv\\' + TEXT, 'match': 'key'}], hits)
                self.assertEqual(1, err.count('good.hiv is dirty'), err)


def snapshot(folder):
    """{name: bytes} of the files in folder."""
    files = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), 'rb') as file:
            files[name] = file.read()
    return files


class DirtyHive(HiveCase):
    def files(self, files):
        folder = tempfile.mkdtemp(dir=self.folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), 'wb') as out:
                out.write(data)
        return folder

    def test_dirty_hive_reads_like_the_newer_clean_one(self):
        """A dirty hive with its logs (in other cases than its own name, the
        first entry in LOG2) searches like the newer clean hive: grown by a
        bin past the file, or within it; without logs, like the older one,
        with a warning. Nothing in their folders changes."""
        old, middle, new = make_dirty.clean_hives()
        dirty = make_dirty.dirty_primary(old)
        grows = make_dirty.new_format_logs([old, middle, new], {'ntuser.dat.LOG2': [1], 'NTUSER.DAT.log1': [2]})
        fits = make_dirty.new_format_logs([old, middle], {'ntuser.dat.log1': [1]})
        no_log = ' is dirty and no usable transaction log was found: it is searched as it stands, so recent ' \
                 'changes may be missing\n'
        for logs, clean, replayed, message in [
                (grows, new, 2, ' was dirty: replayed 2 log entries from ntuser.dat.LOG2, NTUSER.DAT.log1\n'),
                (fits, middle, 1, ' was dirty: replayed 1 log entry from ntuser.dat.log1\n'),
                ({}, old, 0, no_log)]:
            with self.subTest(replayed=replayed):
                folder = self.files(dict(logs, **{'Ntuser.dat': dirty}))
                before = snapshot(folder)
                path = windows(os.path.join(folder, 'Ntuser.dat'))
                expected = self.run_find('/K', '/V', '/N', '/D', '/H:HKLM\\Dirty',
                                         windows(os.path.join(self.files({'clean': clean}), 'clean')), 'e')
                found = self.run_find('/K', '/V', '/N', '/D', '/H:HKLM\\Dirty', path, 'e')
                self.assertEqual(expected[:4], found[:4])
                self.assertGreater(len(found[1]), 40)
                # The primary file as it lies on disk, before its logs.
                self.assertEqual([{'file': path, 'key': 'HKEY_LOCAL_MACHINE\\Dirty', 'size': len(dirty),
                                   'sha256': hashlib.sha256(dirty).hexdigest(), 'dirty': True,
                                   'replayed': replayed, 'links': []}], self.hives)
                self.assertIn('kestrin-find: ' + ('' if replayed else 'warning: ') + path + message, found[4])
                self.assertEqual(before, snapshot(folder))


class Provenance(HiveCase):
    GUARD = '; Kestrin report of hive files: not for import. To import it on purpose, delete this line.\r\n'

    def imports(self, report, key):
        """Whether Wine's regedit /s, given the report, made key in HKCU."""
        path = os.path.join(self.folder, 'import.reg')
        with open(path, 'wb') as out:
            out.write(report)
        wine(['reg', 'delete', 'HKCU\\' + key, '/f'], self.folder)
        wine(['regedit', '/s', windows(path)], self.folder)
        made = wine(['reg', 'query', 'HKCU\\' + key], self.folder)[0] == 0
        wine(['reg', 'delete', 'HKCU\\' + key, '/f'], self.folder)
        return made

    def test_hive_reports_name_their_files_and_refuse_import(self):
        """The header names each hive file (made whole from a relative path)
        with its size and SHA-256 as Python's hashlib reads it, dirty or clean
        and the logs replayed, or that it was not searched; then the command
        line as given. regedit refuses the report, in either width, until its
        first line is deleted, while it imports a live search's report."""
        old, middle, _ = make_dirty.clean_hives()
        dirty = make_dirty.dirty_primary(old)
        case = os.path.join(self.folder, 'case 1')
        os.makedirs(case, exist_ok=True)
        files = {'prov.hiv': regf_writer.build({'root': key('r', keys=[key('in ' + TEXT)])}), 'Ntuser.dat': dirty,
                 'Ntuser.dat.LOG1': make_dirty.new_format_logs([old, middle], {'x': [1]})['x']}
        for name, data in files.items():
            with open(os.path.join(case, name), 'wb') as out:
                out.write(data)
        target = 'Software\\KestrinImportTest ' + TEXT
        missing = windows(os.path.join(case, 'missing.hiv'))

        def line(name, mount, state):
            data = files[name]
            return ';    Hive: %s at %s, %d bytes, SHA-256 %s, %s\r\n' % (
                windows(os.path.join(case, name)), mount, len(data), hashlib.sha256(data).hexdigest(), state)
        args = ['/K', '/H:HKCU\\' + target, '../case 1/prov.hiv'.replace('/', '\\'), '/H:HKLM\\D',
                windows(os.path.join(case, 'Ntuser.dat')), '/H', missing, TEXT]
        hives = (line('prov.hiv', 'HKEY_CURRENT_USER\\' + target, 'clean') +
                 line('Ntuser.dat', 'HKEY_LOCAL_MACHINE\\D', 'dirty, replayed 1 log entry from Ntuser.dat.LOG1') +
                 ';    Hive: %s at HKEY_LOCAL_MACHINE\\missing.hiv, not searched\r\n' % missing)
        for width in [[], ['/U']]:
            with self.subTest(width=width):
                header = hives + (';    Command line: kestrin-find /J %s/K "/H:HKCU\\%s" "..\\case 1\\prov.hiv" '
                                  '/H:HKLM\\D "%s" /H "%s" %s\r\n' % ('/U ' if width else '', target,
                                                                    windows(os.path.join(case, 'Ntuser.dat')), missing, TEXT))
                status, hits, _, _, err, _ = self.run_find(*width, *args)
                self.assertEqual(66, status, err)
                self.assertIn({'key': 'HKEY_CURRENT_USER\\%s\\in %s' % (target, TEXT), 'match': 'key'}, hits)
                report = self.report
                self.assertTrue(report.startswith(('\ufeff' if width else '') + self.GUARD), report[:200])
                self.assertRegex(report, r'\r\n;    on [^\r\n]+\r\n' + re.escape(header) + '\r\n;    Options: ')
                encoded = report.encode('utf-16-le' if width else 'latin-1')
                self.assertFalse(self.imports(encoded, target))
                self.assertTrue(self.imports(encoded.replace(self.GUARD.encode('utf-16-le' if width else 'latin-1'),
                                                             b'', 1), target))
        live = 'Software\\KestrinImportTestLive ' + TEXT
        wine(['reg', 'add', 'HKCU\\%s\\in %s' % (live, TEXT), '/f'], self.folder)
        self.addCleanup(wine, ['reg', 'delete', 'HKCU\\' + live, '/f'], self.folder)
        self.assertEqual(0, self.run_find('/K', '/S', 'HKCU\\' + live, TEXT)[0])
        self.assertTrue(self.report.startswith('REGEDIT4\r\n\r\n;    Created by '), self.report[:200])
        self.assertNotIn(';    Hive: ', self.report)
        self.assertNotIn(';    Command line: ', self.report)
        self.assertTrue(self.imports(self.report.encode('latin-1'), live + '\\in ' + TEXT))


class Times(HiveCase):
    def test_key_node_times_filter_and_are_told(self):
        """/T and /J's "modified" take a hive key's time from its own node."""
        day = 24 * 3600 * 10**7
        t2020 = 132223104000000000  # 2020-01-01T00:00:00Z in FILETIME ticks
        good = self.hive('t.hiv', {'root': key('r', time=t2020, keys=[
            key('old ' + TEXT, time=t2020 + day // 2),
            key('new ' + TEXT, time=t2020 + 40 * day + 61 * 10**7)])})
        for args, expected in [
                (['/T', '2020-01-01..2020-01-01', TEXT], [('HKEY_USERS\\T\\old ' + TEXT, '2020-01-01T12:00:00Z')]),
                (['/T', '2020-02-10T00:01..', TEXT], [('HKEY_USERS\\T\\new ' + TEXT, '2020-02-10T00:01:01Z')]),
                (['/R', '^(old|new) '], [('HKEY_USERS\\T\\old ' + TEXT, '2020-01-01T12:00:00Z'),
                                         ('HKEY_USERS\\T\\new ' + TEXT, '2020-02-10T00:01:01Z')])]:
            with self.subTest(args=args):
                status, hits, _, _, err, _ = self.run_find('/K', '/H:HKU\\T', good, *args)
                self.assertEqual(0, status, err)
                self.assertEqual(expected, [(hit['key'], when) for hit, when in zip(hits, self.modified)])


class BinaryData(HiveCase):
    def test_text_inside_binary_data(self):
        """/B over a hive's raw data: UTF-16 across a big-data segment at the
        odd byte, a link's target, code-page bytes; strings and numbers are
        left to /V and /D."""
        word = 'Zqwz'
        values = [('big', 3, bytes(SEGMENT - 3) + TEXT.encode('utf-16-le') + bytes(10)),
                  ('dword', 4, word.encode()), ('link', 6, ('x\\' + TEXT + '\0').encode('utf-16-le')),
                  ('none', 0, word.lower().encode()), ('res', 8, b'\x01' + TEXT.upper().encode()),
                  ('sz', 1, sz(TEXT))]
        good = self.hive('b.hiv', {'root': key('r', values=values)})
        every = [('big', SEGMENT - 3), ('link', 4), ('res', 1)]
        for args, expected in [(['/B', TEXT], every), (['/U', '/B', TEXT.upper()], every),
                               (['/B', '/R', TEXT.lower()], every), (['/U', '/B', '/R', TEXT], every),
                               (['/B', '/R', '/W', 'X\\\\' + TEXT], [('link', 0)]),
                               (['/B', '/C', TEXT], [('big', SEGMENT - 3), ('link', 4)]),
                               (['/B', word], [('none', 0)])]:
            with self.subTest(args=args):
                status, hits, _, body, err, _ = self.run_find('/H:HKU\\B', good, *args)
                self.assertEqual(0, status, err)
                self.assertEqual(expected, [(hit['value'], hit['match_offset']) for hit in hits])
                self.assertEqual({'binary'}, {hit['match'] for hit in hits})
                data = {name: data.hex() for name, _, data in values}
                self.assertEqual([data[name] for name, _ in expected], [hit['data'] for hit in hits])
                self.assertEqual(len(expected), body.count('=hex'))


class WholeKeys(HiveCase):
    def test_all_values_of_any_type_and_key_times(self):
        """/A writes each key with a hit whole, every value once in the
        hive's order, of any type (SAM's Names\\<user> default value, typed
        by the RID); /L puts the nk's time under the key line."""
        t2020 = 132223104000000000  # 2020-01-01T00:00:00Z in FILETIME ticks
        values = [('a', 1, sz('hit ' + TEXT)), ('b', 0x3e9, b'\x05'), ('c', 4, (7).to_bytes(4, 'little')),
                  ('d', 1, sz(TEXT + ' again'))]
        sam = self.hive('sam.hiv', {'root': key('SAM', keys=[
            key('Names', keys=[key('Administrator ' + TEXT, time=t2020 + 36000 * 10**7, values=[('', 0x3e8, b'')])]),
            key('V', time=t2020, values=values)])})
        admin = 'HKEY_LOCAL_MACHINE\\SAM\\Names\\Administrator ' + TEXT
        told = [{'value': n, 'type': t, 'data': d} for n, t, d in [
            ('a', 'REG_SZ', 'hit ' + TEXT), ('b', '0x3e9', '05'), ('c', 'REG_DWORD', 7),
            ('d', 'REG_SZ', TEXT + ' again')]]
        v_block = '[HKEY_LOCAL_MACHINE\\SAM\\V]\r\n%s"a"="hit %s"\r\n"b"=hex(3e9):05\r\n"c"=dword:00000007\r\n' \
                  '"d"="%s again"\r\n\r\n'
        for args, hits, body in [
                (['/K', '/L'], [{'key': admin, 'match': 'key', 'values': [{'value': '', 'type': '0x3e8', 'data': ''}]}],
                 '[%s]\r\n; last written 2020-01-01T10:00:00Z\r\n@=hex(3e8):\r\n\r\n' % admin),
                (['/V'], [dict(told[0], key='HKEY_LOCAL_MACHINE\\SAM\\V', match='data', values=told),
                          dict(told[3], key='HKEY_LOCAL_MACHINE\\SAM\\V', match='data', values=told)],
                 v_block % ('', TEXT, TEXT)),
                (['/U', '/V', '/L'], [dict(told[0], key='HKEY_LOCAL_MACHINE\\SAM\\V', match='data', values=told),
                                      dict(told[3], key='HKEY_LOCAL_MACHINE\\SAM\\V', match='data', values=told)],
                 v_block % ('; last written 2020-01-01T00:00:00Z\r\n', TEXT, TEXT))]:
            with self.subTest(args=args):
                status, found, summary, report, err, _ = self.run_find('/A', '/H:HKLM\\SAM', sam, *args, TEXT)
                self.assertEqual(0, status, err)
                self.assertEqual(hits, found)
                self.assertEqual(len(hits), summary['found'])
                self.assertEqual(body, report)


class Mounts(HiveCase):
    def test_mount_rules(self):
        good = self.hive('m.hiv', {'root': key('ignored', keys=[key('A', keys=[key('in ' + TEXT)]),
                                                                key('out ' + TEXT)])})
        for args, expected in [
                (['/H:hklm\\x', good, '/H:HKEY_LOCAL_MACHINE\\X\\', good], 'would stand at the same key'),
                (['/H', good, '/H:HKLM\\m.hiv\\A', good], 'would stand at the same key or one inside the other'),
                (['/H:HKU\\S-1', good, '/S', 'HKU\\S-2'], 'the start key HKU\\S-2 lies in no hive'),
                (['/H:HKXY\\S', good], 'no registry root')]:
            with self.subTest(args=args):
                status, out, err = wine([self.exe, '/K'] + args + [TEXT], self.folder)
                self.assertEqual((64, b''), (status, out))
                self.assertIn(expected, err.decode('latin-1'))
        # /S inside a hive; the hive's root is named by its key's last part.
        hits = self.run_find('/K', '/H:HKU\\S-1', good, '/S', 'hku\\s-1\\a', TEXT)[1]
        self.assertEqual([{'key': 'HKEY_USERS\\s-1\\a\\in ' + TEXT, 'match': 'key'}], hits)
        hits = self.run_find('/K', '/H:HKU\\S-1 ' + TEXT, good, TEXT)[1]
        self.assertEqual(['HKEY_USERS\\S-1 ' + TEXT, 'HKEY_USERS\\S-1 %s\\A\\in %s' % (TEXT, TEXT),
                          'HKEY_USERS\\S-1 %s\\out %s' % (TEXT, TEXT)], [hit['key'] for hit in hits])



class NulNames(HiveCase):
    def test_names_with_a_nul_are_walked_matched_and_escaped(self):
        """Key and value names holding a NUL, compressed and UTF-16, as
        Windows writes them: found in both widths, the keys walked, no damage,
        \u0000 in JSON, no raw NUL in the report but the escaped forms under
        their comment lines."""
        good = self.hive('names.hiv', {'root': key('r', keys=[
            key('testnu\0l ' + TEXT, values=[('in\0si\\de', 1, sz(TEXT))]),
            key('w\0' + TEXT, utf16=True)], values=[('\0Run' + TEXT, 1, sz('x'))])})
        nul_key = '; a name in the key path below holds a NUL character, written \\\\0\r\n'
        nul_value = '; the value name below holds a NUL character, written \\0; a backslash in it is written \\\\\r\n'
        expected_body = (
            '[HKEY_USERS\\T]\r\n' + nul_value + '"\\0Run%s"="x"\r\n\r\n' % TEXT +
            nul_key + '[HKEY_USERS\\T\\testnu\\\\0l %s]\r\n' % TEXT +
            nul_value + '"in\\0si\\\\de"="%s"\r\n\r\n' % TEXT +
            nul_key + '[HKEY_USERS\\T\\w\\\\0%s]\r\n\r\n' % TEXT)
        for width in [[], ['/U']]:
            with self.subTest(width=width):
                status, hits, summary, body, err, _ = self.run_find(
                    *width, '/K', '/V', '/N', '/H:HKU\\T', good, TEXT)
                self.assertEqual(0, status, err)
                self.assertEqual([('HKEY_USERS\\T', '\0Run' + TEXT, 'name'),
                                  ('HKEY_USERS\\T\\testnu\0l ' + TEXT, None, 'key'),
                                  ('HKEY_USERS\\T\\testnu\0l ' + TEXT, 'in\0si\\de', 'data'),
                                  ('HKEY_USERS\\T\\w\0' + TEXT, None, 'key')],
                                 [(hit['key'], hit.get('value'), hit['match']) for hit in hits])
                self.assertEqual({'keys': 3, 'values': 2, 'found': 4}, summary)
                self.assertEqual(expected_body, body)

ROOT = os.path.dirname(os.path.dirname(HERE))


@unittest.skipUnless(os.environ.get('LC_ALL', '').startswith('en_US'), 'kestrin.sh runs in its own locale')
class KestrinShRun(HiveCase):
    """./kestrin.sh run ends with kestrin-find's exit code and keeps the
    report in build/reports, or where /F says, relative to the caller."""

    def run_script(self, cwd, *args):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            status = subprocess.run([os.path.join(ROOT, 'kestrin.sh'), 'run'] + list(args), cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
            out.seek(0)
            err.seek(0)
            return status, out.read().decode('latin-1'), err.read().decode('latin-1')

    def test_exit_code_and_report_place(self):
        if not os.path.realpath(EXE).startswith(os.path.join(ROOT, 'build') + os.sep):
            self.skipTest('kestrin.sh builds into %s/build, not where this build is' % ROOT)
        cwd = tempfile.mkdtemp(dir=self.folder)
        os.mkdir(os.path.join(cwd, 'out'))
        # A name no ANSI code page here can spell ends a finished search with 2.
        write_hive(os.path.join(cwd, 'x.hiv'), {'minor': 5, 'root': key('r', keys=[key(TEXT), key('\uac00 ' + TEXT)])})
        status, out, err = self.run_script(cwd, '/K', '/H', 'x.hiv', TEXT)
        self.assertEqual(2, status, err)
        report = re.search(r'^== report: (.+)$', err, re.M).group(1)
        self.addCleanup(os.remove, report)
        self.assertEqual(os.path.join(ROOT, 'build', 'reports'), os.path.dirname(report))
        self.assertIn('[HKEY_LOCAL_MACHINE\\x.hiv\\%s]' % TEXT, out)
        status, out, err = self.run_script(cwd, '/K', '/J', '/F', 'out', '/H', 'x.hiv', TEXT)
        self.assertEqual(2, status, err)
        summary = json.loads(out.splitlines()[-1])
        self.assertEqual((2, 2), (summary['found'], summary['exit']))
        self.assertEqual([os.path.basename(summary['report'].replace('\\', '/'))], os.listdir(os.path.join(cwd, 'out')))
        self.assertEqual(['out', 'x.hiv'], sorted(os.listdir(cwd)))


if __name__ == '__main__':
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
