#!/usr/bin/env python3
"""Independent model of the database's LZ compressor, used to produce the
byte-exact vectors in tests/data/store/lz_vectors.txt.

Each line: INPUT_HEX OUTPUT_HEX (OUTPUT is "-" when the data does not shrink).
Run: python3 lz_reference.py > ../data/store/lz_vectors.txt
"""
import random


def compress(data, capacity=None):
    n = len(data)
    limit = n if capacity is None else min(capacity, n)
    table = [-1] * 4096
    out = bytearray(max(limit, 2))
    flag_at, pos, bits, flags, i = 0, 2, 16, 0, 0
    if limit < 2:
        return None
    while pos < limit:
        bits -= 1
        if bits < 0:
            out[flag_at:flag_at + 2] = flags.to_bytes(2, "little")
            flag_at = pos
            pos += 2
            if pos >= limit:
                return None
            bits, flags = 15, 0
        flags = (flags << 1) & 0xFFFF
        m = min(18, n - i)
        length = 0
        if m >= 3:
            h = ((((data[i] * 16) ^ data[i + 1]) * 16 ^ data[i + 2]) * 40543 & 0xFFFFFFFF) >> 4 & 4095
            p = table[h]
            table[h] = i
            if p != -1 and i - p <= 4096:
                while length < m and data[p + length] == data[i + length]:
                    length += 1
        if length >= 3:
            if pos >= limit - 1:
                return None
            flags |= 1
            out[pos:pos + 2] = (((i - p - 1) << 4) | (length - 3)).to_bytes(2, "little")
            pos += 2
            i += length
        else:
            out[pos] = data[i]
            pos += 1
            i += 1
        if i == n:
            out[flag_at:flag_at + 2] = ((flags << bits) & 0xFFFF).to_bytes(2, "little")
            return bytes(out[:pos])
    return None


def main():
    rng = random.Random(2026)
    words = "the of and to in is that for it as was with be by on not he this are or his from at".split()
    inputs = [
        b"A" * 100,
        " ".join(rng.choice(words) for _ in range(300)).encode(),
        " ".join(rng.choice(words) for _ in range(2000)).encode(),
        bytes(rng.randrange(4) for _ in range(5000)),
        bytes(rng.randrange(256) for _ in range(300)),
        b"abcabcabcabcabcabcabcabcabcabcabcabcabcabcabcabcabcabcabcabcxyz" * 70,
    ]
    for data in inputs:
        packed = compress(data)
        print(data.hex(), packed.hex() if packed else "-")


if __name__ == "__main__":
    main()
