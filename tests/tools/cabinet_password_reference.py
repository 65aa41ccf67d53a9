#!/usr/bin/env python3
"""Scrambles a cabinet password the way the header keeps it, written from the
rule alone: a 16-bit register seeded with 28841; each plain byte p gives
c = p ^ (r >> 8), then r = (r + c) * 52845 + 22719 mod 65536. The plain block
is two filler bytes, the password, its NUL and filler up to 32 bytes.

Usage: cabinet_password_reference.py PASSWORD FILLER_HEX
Prints the 32 scrambled bytes in hex."""
import sys


def scramble(password: bytes, filler: int) -> bytes:
    plain = bytearray([filler] * 32)
    plain[2:2 + len(password)] = password
    plain[2 + len(password)] = 0
    r = 28841
    out = bytearray()
    for p in plain:
        c = p ^ (r >> 8)
        out.append(c)
        r = ((r + c) * 52845 + 22719) & 0xFFFF
    return bytes(out)


if __name__ == "__main__":
    print(scramble(sys.argv[1].encode(), int(sys.argv[2], 16)).hex())
