#!/usr/bin/env python3
"""An offline Windows in a folder, for kestrin-find /O: every hive written
here by the tests' own writer, laid out as a copied system drive would be,
with names in other cases than Windows gives them (Linux keeps them as
copied; Wine and kestrin-find must find them in any case).

    offline_tree.py [--big] TEXT OUT

writes OUT/tree, the drive, and beside it (outside the drive) the clean
hive that replaying the dirty one must give. Every hive holds TEXT in a key
name, a value name and REG_SZ data under a label of its own. With --big,
SOFTWARE also holds the benchmark's tree of about 400,000 keys.

OfflineTree.mounts says where a running Windows would show each hive: the
file (relative to the drive), its key, the links that show its keys under a
second name (link key: the path inside the hive it shows), the log entries
its replay applies and the file a reader without replay must read instead.
"""
import collections
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'hive'))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'bench'))
import make_dirty  # noqa: E402
import regf_writer  # noqa: E402

CONFIG = 'windows/SYSTEM32/Config'
CLASSES = 'AppData/Local/Microsoft/Windows'
PROFILE = '%s-1004336348-1177238915-682003330-%d'
ALICE, BOB, GONE = (PROFILE % ('S-1-5-21', rid) for rid in (1001, 1002, 1003))
COMPUTER = 'KESTRIN-OFFLINE'
PRODUCT, BUILD = 'Windows 10 Pro', '19045'
CURRENT_SET = 2
# A dirty hive as a crash leaves it after many flushes: its own sequence
# numbers apart, its logs' entries numbered from far past them.
DIRTY_SEQUENCE = (256, 255)
LOG_SEQUENCE = 287
BIG_KEYS = 400000
HKLM, HKU = 'HKEY_LOCAL_MACHINE', 'HKEY_USERS'

Mount = collections.namedtuple('Mount', 'file key links replayed model')


def key(name, keys=(), values=()):
    # Windows keeps sub-keys sorted by their upper-cased names.
    return {'name': name, 'keys': sorted(keys, key=lambda k: k['name'].upper()), 'values': list(values)}


def string(name, text, kind='REG_SZ'):
    return {'name': name, 'type': kind, 'string': text}


class OfflineTree:
    """The drive's folder, its marker text and the hives it mounts."""

    def __init__(self, folder, text):
        self.root = os.path.join(folder, 'tree')
        self.folder = folder
        self.text = text
        self.mounts = []

    def marked(self, label, keys=()):
        """A key with the text in its name, a value's name and REG_SZ data."""
        text = self.text
        return key('%s %s' % (label, text), keys, [
            {'name': '%s name %s' % (label, text), 'type': 'REG_DWORD', 'dword': 7},
            string('%s data' % label, 'C:\\%s\\%s.exe' % (label, text)),
            string('%s plain' % label, label)])

    def write(self, relative, root, mount_key=None, links=None, data=None):
        """Writes a hive (the tree's bytes, or data) at relative; with a key,
        a hive that /O must mount."""
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as out:
            out.write(data or regf_writer.build({'minor': 5, 'root': root}))
        if mount_key:
            self.mounts.append(Mount(relative, mount_key, links or {}, 0, path))

    def build(self, software=()):
        self.system()
        self.software(software)
        for name, mount_key, links in [('Sam', HKLM + '\\SAM', None), ('SECURITY', HKLM + '\\SECURITY', None),
                                       ('DRIVERS', HKLM + '\\DRIVERS', None),
                                       ('default', HKU + '\\.DEFAULT', {HKU + '\\S-1-5-18': ''})]:
            self.write('%s/%s' % (CONFIG, name), key('ROOT', [self.marked(name)]), mount_key, links)
        self.users()
        # Hives that a running Windows does not load, and a user's hive that
        # S-1-5-18 never shows.
        for decoy in ['COMPONENTS', 'BBI', 'ELAM', 'RegBack/SYSTEM', 'systemprofile/NTUSER.DAT']:
            self.write('%s/%s' % (CONFIG, decoy), key('ROOT', [self.marked(decoy.replace('/', ' '))]))
        self.write('Windows.old/Windows/System32/config/SOFTWARE', key('ROOT', [self.marked('Old')]))
        os.symlink('USERS', os.path.join(self.root, 'Documents and Settings'))
        return self

    def system(self):
        def control_set(number, computer):
            return key('ControlSet%03d' % number, [
                key('Control', [key('ComputerName', [key('ComputerName', values=[
                    string('ComputerName', computer)])])]),
                key('Services', [self.marked('Set%d service' % number)]),
                self.marked('Set%d' % number)])

        select = key('Select', values=[{'name': name, 'type': 'REG_DWORD', 'dword': number} for name, number in
                                       [('Current', CURRENT_SET), ('Default', CURRENT_SET), ('LastKnownGood', 1)]])
        root = key('ROOT', [control_set(1, 'OLD-NAME'), control_set(2, COMPUTER), select, self.marked('System')])
        self.write(CONFIG + '/system', root, HKLM + '\\SYSTEM',
                   {HKLM + '\\SYSTEM\\CurrentControlSet': 'ControlSet%03d' % CURRENT_SET})

    def software(self, extra):
        profiles = [('S-1-5-18', '%systemroot%\\system32\\config\\systemprofile'),
                    ('S-1-5-19', '%SystemRoot%\\ServiceProfiles\\LocalService'),
                    ('S-1-5-20', '%SystemRoot%\\ServiceProfiles\\NetworkService'),
                    (ALICE, '%SystemDrive%\\Users\\alice'), (BOB, 'C:\\Users\\Bob'),
                    (GONE, '%SystemDrive%\\Users\\gone')]
        listed = key('ProfileList', [key(sid, values=[string('ProfileImagePath', path, 'REG_EXPAND_SZ')])
                                     for sid, path in profiles])
        version = key('CurrentVersion', [listed], [string('ProductName', PRODUCT), string('CurrentBuild', BUILD),
                                                   string('CurrentBuildNumber', BUILD)])
        root = key('ROOT', [key('Microsoft', [key('Windows NT', [version])]), self.marked('Software')] + list(extra))
        self.write(CONFIG + '/SOFTWARE', root, HKLM + '\\SOFTWARE')

    def users(self):
        for folder, sid in [('windows/ServiceProfiles/LocalService/NTUSER.DAT', 'S-1-5-19'),
                            ('windows/ServiceProfiles/NetworkService/ntuser.DAT', 'S-1-5-20')]:
            self.write(folder, key('ROOT', [self.marked(sid)]), HKU + '\\' + sid)
        # alice's own Software\Classes is hidden behind her classes hive.
        hidden = key('Classes', [self.marked('Hidden')])
        self.write('USERS/alice/ntuser.dat', key('ROOT', [key('Software', [hidden, self.marked('alice')])]),
                   HKU + '\\' + ALICE)
        self.dirty_classes('USERS/alice/%s/UsrClass.dat' % CLASSES, ALICE)
        self.write('USERS/Bob/NTUSER.DAT', key('ROOT', [key('Software', [self.marked('Bob')])]), HKU + '\\' + BOB)
        self.write('USERS/Bob/%s/usrclass.dat' % CLASSES.lower(), key('ROOT', [self.marked('Bob classes')]),
                   HKU + '\\%s_Classes' % BOB, {HKU + '\\%s\\Software\\Classes' % BOB: ''})
        # A profile folder that the list does not name.
        self.write('USERS/Carol/NTUSER.DAT', key('ROOT', [key('Software', [self.marked('Carol')])]),
                   HKU + '\\Carol')

    def dirty_classes(self, relative, sid):
        """A hive dirty from a crash, its two newest states only in LOG1 and
        LOG2 (the last one a bin longer); the clean hive they give lies
        beside the drive."""
        base = [self.marked('alice classes')]
        grown = key('Grown ' + self.text, values=[{'name': 'Blob', 'hex': '5a', 'repeat': 6000}])
        trees = [base, base + [self.marked('Logged')], base + [self.marked('Logged'), grown]]
        old, middle, new = (regf_writer.build({'minor': 5, 'root': key('ROOT', k)}) for k in trees)
        dirty = make_dirty.base_block(old, *DIRTY_SEQUENCE, 0) + old[make_dirty.BASE:]
        self.write(relative, None, data=dirty)
        for extension, (before, after, sequence) in [('.LOG1', (old, middle, LOG_SEQUENCE)),
                                                     ('.LOG2', (middle, new, LOG_SEQUENCE + 1))]:
            header = make_dirty.base_block(before, sequence, sequence, 6, make_dirty.SECTOR)
            self.write(relative + extension, None, data=header + make_dirty.entry(before, after, sequence))
        clean = os.path.join(self.folder, 'UsrClass.clean')
        with open(clean, 'wb') as out:
            out.write(new)
        self.mounts.append(Mount(relative, '%s\\%s_Classes' % (HKU, sid), {'%s\\%s\\Software\\Classes' % (HKU, sid): ''},
                                 2, clean))


def big_software():
    """The benchmark's tree: a large SOFTWARE's worth of keys."""
    import make_bench_hive
    sys.setrecursionlimit(10000)
    return [make_bench_hive.Tree().key(BIG_KEYS)]


def main(argv):
    big = argv[:1] == ['--big']
    if len(argv) != 2 + big:
        sys.exit('usage: offline_tree.py [--big] TEXT OUT')
    OfflineTree(argv[-1], argv[-2]).build(big_software() if big else ())


if __name__ == '__main__':
    main(sys.argv[1:])
