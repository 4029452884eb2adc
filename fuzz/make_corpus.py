#!/usr/bin/env python3
"""Writes the seed corpus of the BMP loader fuzzer into fuzz/corpus/bmp/."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "bmp")


def bmp(width, height, pixel_bytes, bits=24, magic=b"BM", info=40, offset=54):
    header = magic + struct.pack("<IHHI", 54 + len(pixel_bytes), 0, 0, offset)
    header += struct.pack("<IiiHHIIiiII", info, width, height, 1, bits, 0, len(pixel_bytes), 2835, 2835, 0, 0)
    return header + bytes(pixel_bytes)


def ramp(n, start=0):
    return [(start + i) & 0xFF for i in range(n)]


SEEDS = {
    "four_by_two.bmp": bmp(4, 2, ramp(24)),
    "three_by_two_padded.bmp": bmp(3, 2, ramp(9) + [0] * 3 + ramp(9, 40) + [0] * 3),
    "one_by_one.bmp": bmp(1, 1, [10, 20, 30]),
    "eight_by_eight.bmp": bmp(8, 8, ramp(192, 7)),
    "short_header.bmp": bmp(2, 2, ramp(12))[:40],
    "wrong_magic.bmp": bmp(2, 2, ramp(12), magic=b"MB"),
    "bits_32.bmp": bmp(2, 2, ramp(16), bits=32),
    "one_byte_short.bmp": bmp(4, 2, ramp(23)),
    "long_info_header.bmp": bmp(2, 2, ramp(84 + 12), info=124, offset=138),
    "top_down.bmp": bmp(2, -2, ramp(12)),
    "huge.bmp": bmp(100000, 100000, ramp(12)),
    "wrapping.bmp": bmp(1073741825, 4, ramp(12)),
}

os.makedirs(HERE, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
