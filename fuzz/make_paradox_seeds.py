#!/usr/bin/python3
"""Writes the small Paradox seed files of fuzz/corpus/paradox/ (run from fuzz/)."""
import os
import struct


def table(version, file_type, keys, fields, names, blocks, block_kib=1):
    rs = sum(size for _, size in fields)
    bs = block_kib * 1024
    h = bytearray(0x800)
    struct.pack_into('<HHBB', h, 0, rs, 0x800, file_type, block_kib)
    n = sum(len(b) for b in blocks)
    struct.pack_into('<IHHHH', h, 6, n, len(blocks), len(blocks), 1 if blocks else 0, len(blocks))
    struct.pack_into('<HH', h, 0x21, len(fields), keys)
    h[0x39] = version
    struct.pack_into('<H', h, 0x3A, len(blocks))
    if version >= 5:
        struct.pack_into('<I', h, 0x25, 0xFF00FF00)
        struct.pack_into('<H', h, 0x6A, 936)
    pos = 0x78 if version >= 5 else 0x58
    for t, size in fields:
        h[pos], h[pos + 1] = t, size
        pos += 2
    pos += 4 + 4 * len(fields) + (261 if version >= 12 else 79)
    for name in names:
        raw = name.encode('gbk') + b'\0'
        h[pos:pos + len(raw)] = raw
        pos += len(raw)
    out = bytes(h)
    for i, recs in enumerate(blocks):
        nxt = i + 2 if i + 1 < len(blocks) else 0
        blk = struct.pack('<HHh', nxt, i, (len(recs) - 1) * rs) + b''.join(recs)
        out += blk + bytes(bs - len(blk))
    return out


def flip(v, n):
    return ((v & ((1 << (8 * n)) - 1)) ^ (1 << (8 * n - 1))).to_bytes(n, 'big')


def num(d):
    u = struct.unpack('>Q', struct.pack('>d', d))[0]
    u = (~u & (2**64 - 1)) if d < 0 else (u | 1 << 63)
    return u.to_bytes(8, 'big')


def alpha(s, n):
    raw = s.encode('gbk')[:n]
    return raw + bytes(n - len(raw))


os.makedirs('corpus/paradox', exist_ok=True)
all_types = [(1, 6), (2, 4), (3, 2), (4, 4), (5, 8), (6, 8), (9, 1), (0x14, 4), (0x15, 8),
             (0x16, 4), (0x0C, 14), (0x17, 2), (0x18, 3)]
all_names = ['名称', 'DT', 'S', 'L', 'C', 'N', 'B', 'T', 'TS', 'A', 'M', 'BCD', 'BY']
row = (alpha('股票', 6) + flip(729000, 4) + flip(-3, 2) + flip(70000, 4) + num(1.25) +
       num(-2.5) + b'\x81' + flip(3600000, 4) + num(729000 * 86400000.0 + 5) + flip(1, 4) +
       b'hi' + bytes(6) + struct.pack('<IIH', 0, 2, 0) + bytes([0xC2]) + bytes(16) + b'xyz')
blank = bytes(len(row))
with open('corpus/paradox/level7_keyed.db', 'wb') as f:
    f.write(table(12, 0, 1, all_types, all_names, [[row, blank], [row]]))
with open('corpus/paradox/level4_unkeyed.db', 'wb') as f:
    f.write(table(4, 2, 0, [(1, 4), (3, 2)], ['Name', 'Qty'],
                  [[alpha('ab', 4) + flip(1, 2)], [], [alpha('z', 4) + bytes(2)]]))
with open('corpus/paradox/level5_empty.db', 'wb') as f:
    f.write(table(10, 0, 2, [(1, 4), (6, 8)], ['K', 'V'], []))
