#!/usr/bin/env python3
"""kestrin-find /X under Wine: keys and values deleted from a hive the way
Windows deletes them (tests/hive/regf_delete.py) are found with their
paths, data and file offsets; the same hive before the deletions gives no
deleted hit; the keys behind a run of zeroed pages are found as orphans;
and /X without a hive is a usage error.

usage: deleted_test.py KESTRIN_FIND_EXE   (WINEPREFIX from ctest)
       deleted_test.py --seed OUT.hiv       the hive after the deletions,
                                            for the fuzzer's corpus
"""
import json
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'hive'))
import regf_delete  # noqa: E402
import regf_writer  # noqa: E402
from switches_test import wine  # noqa: E402

EXE = None
TEXT = 'Xdl%x' % int.from_bytes(os.urandom(4), 'big')
MOUNT = 'HKEY_LOCAL_MACHINE\\DelTest'
# The stand-in for unknown parents: 256 characters, no key name can be.
STAND_IN = '{deleted, parent unknown}'.ljust(256, '-')


def sz(text):
    return dict(type=1, data=(text + '\0').encode('utf-16-le'))


def tree():
    child = dict(name='Child ' + TEXT, values=[dict(name='v1 ' + TEXT, **sz('deleted data ' + TEXT)),
                                               dict(name='v2', type=4, data=(42).to_bytes(4, 'little'))])
    return {'root': dict(name='ROOT', keys=[
        dict(name='Doomed ' + TEXT, keys=[child], values=[dict(name='w ' + TEXT, **sz('lost data ' + TEXT))]),
        dict(name='Keep', values=[dict(name='a', **sz('live ' + TEXT)),
                                  dict(name='gone ' + TEXT, **sz('was here ' + TEXT))]),
        dict(name='Parent gone', keys=[dict(name='Tail ' + TEXT)]),
        dict(name='Wiped ' + TEXT),
    ])}


def delete(hive, root):
    """hive's bytes after the deletions; root is its annotated tree."""
    doomed, keep, parent, wiped = root['keys']
    child = doomed['keys'][0]
    deleter = regf_delete.Deleter(hive)
    deleter.delete_last_value(keep)
    deleter.delete_key(root, doomed)
    # The child's cells lie side by side: freed, they merge into one.
    deleter.merge(child['@nk'], child['@values'])
    # A later allocation takes the data of w, the node of the tail's parent
    # and the node of Wiped: w loses its data, the tail its parent, Wiped
    # everything.
    w = doomed['values'][0]
    deleter.reuse(w['@data'], b'reused')
    deleter.delete_key(root, parent)
    deleter.reuse(parent['@nk'], b'reused')
    deleter.delete_key(root, wiped)
    deleter.reuse(wiped['@nk'], b'reused')
    return bytes(deleter.data)


class Deleted(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix='kestrin-deleted-')
        cls.exe = os.path.join(cls.folder, 'kestrin-find.exe')
        shutil.copy(EXE, cls.exe)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def find(self, hive, *args):
        """(exit, hits, summary, report text) of a /J run over hive's bytes."""
        cwd = tempfile.mkdtemp(dir=self.folder)
        path = os.path.join(cwd, 'hive.dat')
        with open(path, 'wb') as out:
            out.write(hive)
        status, out, _ = wine([self.exe, '/J', '/H:' + MOUNT, 'Z:' + path.replace('/', '\\')] + list(args), cwd)
        *hits, summary = [json.loads(line) for line in out.decode('utf-8').splitlines()]
        report = ''
        if summary['report']:
            with open(summary['report'][2:].replace('\\', '/'), 'rb') as file:
                report = file.read().decode('latin-1')
        for hit in hits:
            hit.pop('modified')
        return status, hits, summary, report

    def test_deleted_records_are_found_where_they_stood(self):
        shape = tree()
        original = regf_writer.build(shape)
        root = shape['root']
        doomed, keep, parent = root['keys'][:3]
        child, w, v1 = doomed['keys'][0], doomed['values'][0], doomed['keys'][0]['values'][0]
        gone, tail = keep['values'][1], parent['keys'][0]
        hive = delete(original, root)
        status, hits, summary, report = self.find(hive, '/X', '/K', '/N', '/V', TEXT)
        doomed_path = MOUNT + '\\Doomed ' + TEXT
        mark = lambda cell: {'deleted': True, 'offset': cell}
        expected = [
            dict(key=doomed_path, match='key', **mark(doomed['@nk'])),
            dict(key=doomed_path, value='w ' + TEXT, type='REG_SZ', data=None, match='name', **mark(w['@vk'])),
            dict(key=doomed_path + '\\Child ' + TEXT, match='key', **mark(child['@nk'])),
            dict(key=doomed_path + '\\Child ' + TEXT, value='v1 ' + TEXT, type='REG_SZ', data='deleted data ' + TEXT,
                 match='name', **mark(v1['@vk'])),
            dict(key=MOUNT + '\\Keep', value='a', type='REG_SZ', data='live ' + TEXT, match='data'),
            dict(key=MOUNT + '\\Keep', value='gone ' + TEXT, type='REG_SZ', data='was here ' + TEXT, match='name',
                 **mark(gone['@vk'])),
            dict(key=MOUNT + '\\' + STAND_IN + '\\Tail ' + TEXT, match='key', path_complete=False,
                 **mark(tail['@nk'])),
        ]
        order = lambda hit: (hit['key'], hit.get('value', ''))
        self.assertEqual(sorted(expected, key=order), sorted(hits, key=order))
        self.assertEqual((0, 3, 4), (status, summary['deleted_keys'], summary['deleted_values']))
        self.assertIn('; deleted key, file offset 0x%X\r\n[%s]' % (doomed['@nk'], doomed_path), report)
        self.assertIn('; deleted value, file offset 0x%X, data not recoverable\r\n"w %s"=""' % (w['@vk'], TEXT),
                      report)
        self.assertIn('; deleted key, file offset 0x%X, parent unknown\r\n' % tail['@nk'], report)

        # /A: a key's recovered values are among all its values, marked, in
        # the order the list and its slack give them.
        status, hits, _, report = self.find(hive, '/X', '/A', '/K', '/V', '/R', '^(live|Doomed) ')
        keep_values = [dict(value='a', type='REG_SZ', data='live ' + TEXT),
                       dict(value='gone ' + TEXT, type='REG_SZ', data='was here ' + TEXT, **mark(gone['@vk']))]
        self.assertEqual(sorted([
            dict(expected[0], values=[dict(value='w ' + TEXT, type='REG_SZ', data=None, **mark(w['@vk']))]),
            dict(expected[4], values=keep_values)], key=order), sorted(hits, key=order))
        self.assertIn('[%s\\Keep]\r\n"a"="live %s"\r\n; deleted value, file offset 0x%X\r\n'
                      '"gone %s"="was here %s"\r\n\r\n' % (MOUNT, TEXT, gone['@vk'], TEXT, TEXT), report)

        # Without /X the deletions are invisible, and the report as before.
        status, plain, summary, _ = self.find(hive, '/K', '/N', '/V', TEXT)
        self.assertEqual([h for h in expected if 'deleted' not in h], plain)
        self.assertNotIn('deleted_keys', summary)
        # A hive without deletions gives no deleted hit.
        status, hits, summary, _ = self.find(original, '/X', '/K', '/N', '/V', TEXT)
        self.assertEqual((0, 0, 0), (status, summary['deleted_keys'], summary['deleted_values']))
        self.assertFalse([hit for hit in hits if 'deleted' in hit])

    def test_keys_past_zeroed_pages_are_orphans(self):
        """A break in the bins ends a plain search at the root; /X goes on at
        the next bin and finds the keys whose parent the break took."""
        blob = dict(type=3, data=bytes(range(100)))
        mid = dict(name='Mid', keys=[dict(name='Orphan %02d %s' % (i, TEXT), values=[dict(name='b', **blob)])
                                     for i in range(60)])
        # Filler's data takes a bin of its own, so that the break spares the root.
        filler = dict(name='Filler', values=[dict(name='f', type=3, data=bytes(4000))])
        shape = {'root': dict(name='ROOT', keys=[dict(name='After ' + TEXT), filler, mid])}
        hive = bytearray(regf_writer.build(shape))
        page = (mid['@nk'] - regf_writer.BASE_SIZE) // regf_writer.BIN_SIZE * regf_writer.BIN_SIZE
        cut = range(regf_writer.BASE_SIZE + page, regf_writer.BASE_SIZE + page + regf_writer.BIN_SIZE)
        hive[cut.start:cut.stop] = bytes(len(cut))
        status, hits, summary, _ = self.find(bytes(hive), '/K', TEXT)
        self.assertEqual((2, [], 1), (status, hits, summary['keys']))
        status, hits, summary, report = self.find(bytes(hive), '/X', '/K', TEXT)
        orphans = [child for child in mid['keys'] if child['@nk'] >= cut.stop]
        self.assertGreater(len(orphans), 10)
        expected = [dict(key=MOUNT + '\\' + STAND_IN + '\\' + child['name'], match='key', orphaned=True,
                         offset=child['@nk'], path_complete=False) for child in orphans]
        self.assertEqual(2, status)
        self.assertEqual(sorted(expected, key=str), sorted(hits[1:], key=str))
        self.assertEqual(dict(key=MOUNT + '\\After ' + TEXT, match='key'), hits[0])
        self.assertIn('; orphaned key, file offset 0x%X, parent unknown\r\n' % orphans[0]['@nk'], report)

    def test_x_without_a_hive_is_a_usage_error(self):
        status, out, err = wine([self.exe, '/X', '/K', TEXT], self.folder)
        self.assertEqual((64, b''), (status, out))
        self.assertIn(b'/X needs /H or /O', err)


def deleted_hive():
    shape = tree()
    return delete(regf_writer.build(shape), shape['root'])


if __name__ == '__main__':
    if sys.argv[1] == '--seed':
        with open(sys.argv[2], 'wb') as seed:
            seed.write(deleted_hive())
        sys.exit(0)
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
