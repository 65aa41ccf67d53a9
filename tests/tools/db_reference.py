#!/usr/bin/env python3
"""Builds, from the file format alone, the exact bytes of a new, empty
database file (block size 4096, index entry size 8, prefix-compressed keys
and compression allowed), for tests/data/store/new_4096_8_options3.db.

Run: python3 db_reference.py ../data/store/new_4096_8_options3.db
"""
import struct
import sys


def crc8(data, crc=0xFF):
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8E if crc & 1 else crc >> 1
    return crc


def new_file(blocksize=4096, entry_size=8, options=3):
    h = bytearray(1024)
    h[0:4] = b"ZtDB"
    struct.pack_into("<HIH", h, 8, 2, 1, entry_size)  # version, block count, entry size
    struct.pack_into("<H", h, 736, blocksize)
    h[738] = options
    table = bytes(range(256))
    h[768:1024] = table
    h[480:736] = table
    h[31] = h[767] = crc8(table)
    # Backups of the main fields.
    h[740:744] = h[0:4]
    h[744:746] = h[8:10]
    h[746:748] = h[10:12]
    h[478:480] = h[12:14]
    h[748:750] = h[736:738]
    h[750:752] = h[14:16]
    h[752:756] = h[16:20]
    h[756] = h[20]
    h[757] = h[738]
    h[758] = h[21]
    order = [0, 1, 2, 3, 8, 9, 10, 11, 736, 737, 14, 15, 16, 17, 18, 19, 20, 738]
    h[30] = crc8(bytes(h[i] for i in order))
    h[739] = crc8(bytes(h[740:758]))
    entries = struct.pack("<HB", 0, 0) + bytes(entry_size - 3)
    index = b"ZtIX" + struct.pack("<I", 0) + bytes([crc8(entries)]) + bytes(7) + entries
    block0 = bytes(h) + index
    block0 += bytes(blocksize - len(block0))
    header = bytes([options & 1]) + struct.pack("<HH", 0, 0)
    data0 = bytes([crc8(header)]) + header
    data0 += bytes(blocksize - len(data0))
    return block0 + data0


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(new_file())
