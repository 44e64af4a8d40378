#!/usr/bin/env python3
"""Writes the small hand-made dBase files of this folder: a FoxPro-family table (no program at
hand writes one) and one malformed table per failure mode. They are made here, from the format
description, so that they do not come from the engine they test. Run from any folder:
    python3 tests/data/dbase/make-fixtures.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def short_descriptor(name, kind, width, decimals=0):
    """A 32-byte field descriptor (levels 3 to 5 and FoxPro)."""
    return name.encode('ascii').ljust(11, b'\0') + kind.encode('ascii') + b'\0' * 4 + bytes([width, decimals]) \
        + b'\0' * 14


def level7_descriptor(name, kind, width, decimals=0):
    return name.encode('ascii').ljust(32, b'\0') + kind.encode('ascii') + bytes([width, decimals]) + b'\0' * 13


def short_table(fields, records, version=0x03, count=None, header_length=None, record_length=None,
                terminator=b'\x0d', extra_header=b''):
    """A level 3 table; every header number can be overridden to contradict the rest."""
    descriptors = b''.join(short_descriptor(*f) for f in fields)
    if header_length is None:
        header_length = 32 + len(descriptors) + len(terminator) + len(extra_header)
    if record_length is None:
        record_length = 1 + sum(f[2] for f in fields)
    if count is None:
        count = len(records)
    header = bytes([version, 124, 1, 2]) + struct.pack('<IHH', count, header_length, record_length) + b'\0' * 20
    return header + descriptors + terminator + extra_header + b''.join(records) + b'\x1a'


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as out:
        out.write(data)


def foxpro():
    """FoxPro 0x30: I little-endian without the sign flip, B a little-endian double, and the
    263-byte block after the terminator that the header length includes."""
    fields = [('NAME', 'C', 8), ('COUNT', 'I', 4), ('PRICE', 'B', 8, 2), ('FLAG', 'L', 1)]

    def record(flag, name, count, price, logical):
        return flag + name.encode('cp1252').ljust(8) + struct.pack('<i', count) + struct.pack('<d', price) + logical

    records = [
        record(b' ', 'Ana', 1, 2.5, b'T'),
        record(b' ', 'Bob', -5, -0.125, b'F'),
        record(b'*', 'Gone', 7, 7.0, b'T'),
        record(b' ', 'Señor', 2147483647, 1e6, b'?'),
    ]
    write('foxpro.dbf', short_table(fields, records, version=0x30, extra_header=b'\0' * 263))


def malformed():
    fields = [('CODE', 'C', 4), ('QTY', 'N', 5)]
    records = [b' ABCD   12', b' EFGH  -3 ']
    good = short_table(fields, records)
    folder = 'malformed/'
    write(folder + 'empty.dbf', b'')
    write(folder + 'truncated-header.dbf', good[:20])
    write(folder + 'header-length-too-big.dbf', short_table(fields, records, header_length=5000))
    write(folder + 'header-length-too-small.dbf', short_table(fields, records, header_length=40))
    write(folder + 'no-terminator.dbf', short_table(fields, records, terminator=b'', header_length=96, count=0)[:96])
    write(folder + 'no-fields.dbf', short_table([], [], record_length=1))
    write(folder + 'record-length-zero.dbf', short_table(fields, records, record_length=0))
    write(folder + 'record-length-mismatch.dbf', short_table(fields, [r + b'  ' for r in records], record_length=12))
    write(folder + 'field-past-record.dbf', short_table(fields, [r[:8] for r in records], record_length=8))
    write(folder + 'width-zero.dbf', short_table([('CODE', 'C', 4), ('EMPTY', 'C', 0), ('QTY', 'N', 5)], records))
    write(folder + 'more-records-than-file.dbf', short_table(fields, records, count=3))
    write(folder + 'unknown-version.dbf', short_table(fields, records, version=0x02))
    # The largest count the header can hold: refused from the file's size, without reserving
    # room for the rows it claims.
    write(folder + 'record-count-huge.dbf', short_table(fields, records, count=0xFFFFFFFF))
    # Bytes after the rows the header counts (a row written without its count): only the
    # counted rows are the table's.
    write('uncounted-row-after-records.dbf', short_table(fields, records, count=1))

    level7_fields = level7_descriptor('COUNT', 'I', 2)
    header = bytes([0x04, 124, 1, 2]) + struct.pack('<IHH', 1, 68 + 48 + 1, 3) + b'\0' * 56
    write(folder + 'integer-width-two.dbf', header + level7_fields + b'\x0d' + b' \x80\x01' + b'\x1a')
    write(folder + 'level7-truncated-header.dbf', header[:50])


if __name__ == '__main__':
    os.makedirs(os.path.join(HERE, 'malformed'), exist_ok=True)
    foxpro()
    malformed()
