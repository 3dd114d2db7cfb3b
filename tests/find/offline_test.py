#!/usr/bin/env python3
"""kestrin-find /O under Wine on an offline Windows that offline_tree.py
writes: the hits and counts against a model read through python3-hivex
from the same files (the dirty hive's clean counterpart in its place),
which puts each hive at the key a running Windows shows it and walks each
link again; the order of the top-level keys, the summary's list of hives,
the report's header, the stderr notes, that nothing in the tree changes,
start keys through links, and the exit codes of a bad ROOT.

usage: offline_test.py KESTRIN_FIND_EXE   (WINEPREFIX and LC_ALL from ctest)
"""
import collections
import hashlib
import json
import os
import re
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import hivex  # noqa: E402  (Debian's python3-hivex)
import offline_tree  # noqa: E402
from hive_test import windows  # noqa: E402
from switches_test import wine  # noqa: E402

EXE = None
TEXT = 'Okt%x' % int.from_bytes(os.urandom(4), 'big')
STRINGS = (1, 2)  # REG_SZ, REG_EXPAND_SZ: what /V matches
ROOTS = ['HKEY_LOCAL_MACHINE', 'HKEY_USERS']  # the walk's order of the roots


def hive_nodes(path, inside):
    """(path below the start, values as (name, type, bytes)) of every key
    from the hive's key at inside down, depth first."""
    reader = hivex.Hivex(path)
    node = reader.root()
    for name in filter(None, inside.split('\\')):
        node = reader.node_get_child(node, name)

    def walk(node, below):
        values = [(reader.value_key(v),) + reader.value_value(v) for v in reader.node_values(node)]
        yield below, values
        for child in reader.node_children(node):
            yield from walk(child, below + '\\' + reader.node_name(child))

    return walk(node, '')


def model(mounts):
    """(hits as (key, value or None, match), keys, values) of /K /V /N TEXT:
    each hive at its key and at each of its links, a key that a link
    stands in for left out of the hive that holds it."""
    views = [(m.key, m.model, '') for m in mounts] + [(k, m.model, inside) for m in mounts
                                                      for k, inside in m.links.items()]
    linked = {k.lower() for m in mounts for k in m.links}
    hits, keys, values = [], 0, 0
    needle = TEXT.lower()
    for start, path, inside in views:
        hidden = [k for k in linked if k.startswith(start.lower() + '\\')]
        for below, key_values in hive_nodes(path, inside):
            full = start + below
            if any((full.lower() + '\\').startswith(k + '\\') for k in hidden):
                continue
            keys += 1
            values += len(key_values)
            if needle in full.rsplit('\\', 1)[1].lower():
                hits.append((full, None, 'key'))
            for name, kind, data in key_values:
                text = data.decode('utf-16-le').split('\0')[0] if kind in STRINGS else ''
                match = 'name' if needle in name.lower() else 'data' if needle in text.lower() else None
                if match:
                    hits.append((full, name, match))
    return collections.Counter(hits), keys, values


def top_keys(hits):
    """The hits' keys two levels deep, in the order they first appear."""
    return list(dict.fromkeys('\\'.join(hit[0].split('\\')[:2]) for hit in hits))


def sha256(path):
    with open(path, 'rb') as file:
        return hashlib.sha256(file.read()).hexdigest()


def hashes(folder):
    return {os.path.join(parent, name): sha256(os.path.join(parent, name))
            for parent, _, files in os.walk(folder) for name in files}


class OfflineWindows(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix='kestrin-offline-')
        cls.exe = os.path.join(cls.folder, 'kestrin-find.exe')
        shutil.copy(EXE, cls.exe)  # with a Kestrin.ini of its own
        cls.tree = offline_tree.OfflineTree(os.path.join(cls.folder, 'drive'), TEXT).build()
        cls.root = windows(cls.tree.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def run_find(self, *args):
        """(exit, hits as (key, value or None, match) in their order, the
        summary, the report, stderr)"""
        cwd = tempfile.mkdtemp(dir=self.folder)
        status, out, err = wine([self.exe, '/J', '/K', '/V', '/N'] + list(args) + [TEXT], cwd)
        lines = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        *hits, summary = lines or [{}]
        report = ''
        if summary.get('report'):
            with open(summary['report'][2:].replace('\\', '/'), 'rb') as file:
                report = file.read().decode('latin-1')
        hits = [(hit['key'], hit.get('value'), hit['match']) for hit in hits]
        return status, hits, summary, report, err.decode('latin-1').replace('\r\n', '\n')

    def test_offline_windows_shows_its_hives_where_windows_does(self):
        before = hashes(self.tree.folder)
        status, hits, summary, report, err = self.run_find('/O', self.root)
        self.assertEqual((0, 0), (status, summary.get('exit')), err)
        expected, keys, values = model(self.tree.mounts)
        self.assertEqual(expected, collections.Counter(hits))
        self.assertEqual((keys, values, sum(expected.values())), (summary['keys'], summary['values'], summary['found']))
        tops = top_keys(hits)
        self.assertEqual(sorted(tops, key=lambda k: (ROOTS.index(k.split('\\')[0]), k.lower())), tops)
        self.assertEqual(set(top_keys(expected)), set(tops))
        # Size and SHA-256 of each file as it lies on disk, before its logs.
        on_disk = [os.path.join(self.tree.root, m.file) for m in self.tree.mounts]
        self.assertEqual(sorted([{'file': self.root + '\\' + m.file.replace('/', '\\'), 'key': m.key,
                                  'size': os.path.getsize(path), 'sha256': sha256(path),
                                  'dirty': bool(m.replayed), 'replayed': m.replayed, 'links': list(m.links)}
                                 for m, path in zip(self.tree.mounts, on_disk)], key=lambda h: h['key']),
                         sorted(summary['hives'], key=lambda h: h['key']))
        header = ['Offline Windows: ' + self.root, 'Computer: ' + offline_tree.COMPUTER,
                  'Product: %s (build %s)' % (offline_tree.PRODUCT, offline_tree.BUILD)]
        self.assertRegex(report, r'\r\n;    on [^\r\n]+' + ''.join(re.escape('\r\n;    ' + line) for line in header))
        self.assertTrue(report.startswith('; Kestrin report of hive files: not for import. To import it on purpose, '
                                          'delete this line.\r\nREGEDIT4\r\n'), report[:200])
        # One note each for the folder that no profile names and the profile
        # without a folder.
        notes = err.splitlines()
        self.assertEqual(1, len([line for line in notes if 'Carol' in line]), err)
        self.assertEqual(1, len([line for line in notes if offline_tree.GONE in line or 'users\\gone' in line.lower()]),
                         err)
        self.assertEqual(before, hashes(self.tree.folder))

    def test_start_keys_reach_through_links(self):
        system = windows(os.path.join(self.tree.root, offline_tree.CONFIG, 'system'))
        hits = model(self.tree.mounts)[0]
        for args, start in [
                (['/O', self.root, '/S', 'HKLM\\SYSTEM\\CurrentControlSet\\Services'], 'CurrentControlSet\\Services'),
                (['/H', system, '/S', 'HKLM\\SYSTEM\\CurrentControlSet'], 'CurrentControlSet')]:
            with self.subTest(args=args):
                inside = 'HKEY_LOCAL_MACHINE\\SYSTEM\\' + start
                expected = [hit for hit in hits.elements() if (hit[0] + '\\').startswith(inside + '\\')]
                status, found, _, _, err = self.run_find(*args)
                self.assertEqual(0, status, err)
                self.assertEqual(collections.Counter(expected), collections.Counter(found))
                # The current set's service, not the other set's.
                self.assertIn('\\Services\\Set%d service %s' % (offline_tree.CURRENT_SET, TEXT),
                              '\n'.join(hit[0] for hit in found))

    def test_bad_roots_and_start_keys(self):
        empty = os.path.join(self.folder, 'empty', 'Windows', 'System32', 'config')
        os.makedirs(empty)
        missing_key = 'HKLM\\SOFTWARE\\Kestrin missing ' + TEXT
        for args, code, told in [
                (['/O', windows(os.path.join(self.folder, 'missing'))], 66, None),
                (['/O', windows(os.path.join(self.folder, 'empty'))], 65, None),
                (['/O', self.root, '/S', 'HKCU\\Software'], 64, 'Usage:'),
                (['/O', self.root, '/S', missing_key], 64, missing_key)]:
            with self.subTest(args=args):
                status, hits, _, _, err = self.run_find(*args)
                self.assertEqual((code, []), (status, hits), err)
                if told:
                    self.assertIn(told, err)
                if told == missing_key:
                    self.assertNotIn('Usage:', err)


if __name__ == '__main__':
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
