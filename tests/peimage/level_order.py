#!/usr/bin/python3
"""Rewrites the resource directory of a PE file in place into the level
order of the other common linker: all tables level by level, then the data
entries, then the name strings. The data items stay where they are.

usage: level_order.py FILE
"""
import struct
import sys

import pefile


def main(path):
    pe = pefile.PE(path)
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
    base = pe.get_offset_from_rva(rva)
    data = bytearray(pe.__data__)
    pe.close()

    tables, entries, names = [], [], []   # offsets, in tree order per kind

    def walk(offset, level):
        tables.append((level, offset))
        named, ids = struct.unpack_from('<HH', data, base + offset + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from('<II', data, base + offset + 16 + 8 * i)
            if name & 0x80000000 and name & 0x7FFFFFFF not in names:
                names.append(name & 0x7FFFFFFF)
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, level + 1)
            else:
                entries.append(target)

    walk(0, 0)
    first_data = min(struct.unpack_from('<I', data, base + e)[0] for e in entries) - rva

    def table_size(offset):
        named, ids = struct.unpack_from('<HH', data, base + offset + 12)
        return 16 + 8 * (named + ids)

    def name_size(offset):
        return 2 + 2 * struct.unpack_from('<H', data, base + offset)[0]

    moved, at = {}, 0
    for _, offset in sorted(tables, key=lambda t: t[0]):
        moved[('table', offset)] = at
        at += table_size(offset)
    for offset in entries:
        moved[('entry', offset)] = at
        at += 16
    for offset in names:
        moved[('name', offset)] = at
        at += name_size(offset)
    assert at <= first_data, 'the directory area does not fit'

    area = bytearray(first_data)
    for _, offset in tables:
        new = moved[('table', offset)]
        size = table_size(offset)
        area[new:new + size] = data[base + offset:base + offset + size]
        for i in range((size - 16) // 8):
            name, target = struct.unpack_from('<II', area, new + 16 + 8 * i)
            if name & 0x80000000:
                name = 0x80000000 | moved[('name', name & 0x7FFFFFFF)]
            if target & 0x80000000:
                target = 0x80000000 | moved[('table', target & 0x7FFFFFFF)]
            else:
                target = moved[('entry', target)]
            struct.pack_into('<II', area, new + 16 + 8 * i, name, target)
    for offset in entries:
        new = moved[('entry', offset)]
        area[new:new + 16] = data[base + offset:base + offset + 16]
    for offset in names:
        new = moved[('name', offset)]
        size = name_size(offset)
        area[new:new + size] = data[base + offset:base + offset + size]
    data[base:base + first_data] = area
    with open(path, 'wb') as out:
        out.write(data)


if __name__ == '__main__':
    main(sys.argv[1])
