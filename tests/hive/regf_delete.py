#!/usr/bin/env python3
"""Deletes keys and values from a hive that regf_writer built, the way
Windows does, for the tests of kestrin-find /X:

- a freed cell's size turns positive and its bytes stay;
- a parent's shorter subkey list is written into a new cell, and the old
  list is freed with its entries intact;
- a value list shrinks in place: its count drops, the old offsets stay
  behind it;
- neighbouring free cells merge into one (merge), and a later allocation
  may take the start of a free cell (reuse).

Offsets are file offsets, as regf_writer annotates them ("@nk", "@vk", ...).
"""
import struct

from regf_writer import BASE_SIZE, BIN_HEADER, BIN_SIZE, DEFAULT_TIME, checksum, name_hash

# Where a key node's fields stand in its cell: after the size, the offsets
# of regf-notes' nk table.
NK_SUBKEY_COUNT = 4 + 20
NK_SUBKEY_LIST = 4 + 28
NK_VALUE_COUNT = 4 + 36


class Deleter:
    def __init__(self, hive):
        self.data = bytearray(hive)

    def size(self, at):
        return struct.unpack_from('<i', self.data, at)[0]

    def free(self, at):
        assert self.size(at) < 0, 'cell at %#x is not allocated' % at
        struct.pack_into('<i', self.data, at, -self.size(at))

    def merge(self, first, last):
        """Free cells first..last, neighbours, become one free cell."""
        struct.pack_into('<i', self.data, first, last + self.size(last) - first)

    def reuse(self, at, body):
        """A later allocation takes the start of the free cell at at."""
        total, size = self.size(at), (len(body) + 4 + 7) & ~7
        assert 0 < size < total
        struct.pack_into('<i', self.data, at, -size)
        self.data[at + 4:at + size] = body.ljust(size - 4, b'\0')
        struct.pack_into('<i', self.data, at + size, total - size)

    def allocate(self, body):
        """A new cell in a new bin at the end; returns its file offset."""
        start = len(self.data) - BASE_SIZE
        size = (len(body) + 4 + 7) & ~7
        self.data += struct.pack('<4sII8xQ4x', b'hbin', start, BIN_SIZE, DEFAULT_TIME)
        self.data += struct.pack('<i', -size) + body.ljust(size - 4, b'\0')
        rest = BIN_SIZE - BIN_HEADER - size
        self.data += struct.pack('<i', rest) + bytes(rest - 4)
        struct.pack_into('<I', self.data, 40, len(self.data) - BASE_SIZE)
        struct.pack_into('<I', self.data, 508, checksum(self.data[:BASE_SIZE]))
        return BASE_SIZE + start + BIN_HEADER

    def free_tree(self, key):
        """Frees a key, its values and data, its lists and its sub-keys."""
        self.free(key['@nk'])
        for value in key.get('values', []):
            self.free_value(value)
        for field in ('@values', '@list'):
            if field in key:
                self.free(key[field])
        for child in key.get('keys', []):
            self.free_tree(child)

    def free_value(self, value):
        self.free(value['@vk'])
        if '@data' in value:
            self.free(value['@data'])

    def delete_key(self, parent, child):
        """Deletes child and all below it; parent gets a new subkey list."""
        self.free_tree(child)
        parent['keys'] = [k for k in parent['keys'] if k is not child]
        nk = parent['@nk']
        old = parent['@list']
        entries = b''.join(struct.pack('<II', k['@nk'] - BASE_SIZE, name_hash(k['name'])) for k in parent['keys'])
        listed = self.allocate(struct.pack('<2sH', b'lh', len(parent['keys'])) + entries) if parent['keys'] else None
        struct.pack_into('<II', self.data, nk + NK_SUBKEY_COUNT, len(parent['keys']), 0)
        struct.pack_into('<I', self.data, nk + NK_SUBKEY_LIST, listed - BASE_SIZE if listed else 0xFFFFFFFF)
        self.free(old)
        parent['@list'] = listed

    def delete_last_value(self, key):
        """Deletes key's last value; its offset stays behind the count."""
        self.free_value(key['values'].pop())
        struct.pack_into('<I', self.data, key['@nk'] + NK_VALUE_COUNT, len(key['values']))
