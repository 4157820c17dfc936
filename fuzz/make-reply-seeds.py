#!/usr/bin/env python3
"""Writes the seed inputs of the link, operations, firmware image and mark export fuzzers into
fuzz/corpus/<target>/seed-*: well-formed runs that reach deep, for the fuzzer to mutate. The
crash-* inputs beside them are faults found and fixed, kept as they were found.
Run from anywhere: python3 fuzz/make-reply-seeds.py"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
LENGTH_141 = 0x00  # ChooseReportLength: 64 * 2 + 13, P = 128
P = 128


def crc16(data):
    c = 0
    for b in data:
        c ^= b << 8
        for _ in range(8):
            c = ((c << 1) ^ 0x1021) if c & 0x8000 else c << 1
            c &= 0xFFFF
    return c


def frame(payload=b"", control=0x01):
    """A well-formed reply as the fuzz watch builds it: control byte, then P payload bytes."""
    return bytes([control]) + payload.ljust(P, b"\0")[:P]


def word(v):
    return struct.pack("<I", v)


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "seed-" + name), "wb") as f:
        f.write(data)


def pack_time(y, mo, d, h, mi, s):
    return (y - 2000) << 26 | (mo - 1) << 22 | (d - 1) << 17 | h << 12 | mi << 6 | s


def mark_set():
    out = b"MARK".ljust(48, b"\0")
    for i in range(3):
        rec = struct.pack("<IHBBii", pack_time(2016, 5, 3, 9, 15 + i, 30), 1234, 7 << 3 | 2,
                          i % 2, 83860000 + i, 21300000 - i)
        rec += b"\x83\x53\x83\x8b\x83\x74\x8f\xea".ljust(50, b"\0")  # ゴルフ場
        rec += b"OUT".ljust(50, b"\0")
        out += rec
    return out + b"\0" * 4


def score_data():
    rec = bytearray(512)
    struct.pack_into("<HHII", rec, 4, pack_time(2016, 5, 3, 9, 0, 0) >> 16, 1234, 36, 38)
    rec[46:54] = b"AABBCCDD"
    for k in range(72, 162):
        rec[k] = k % 7
    return bytes(rec)


def link_seeds():
    # Row 3 (identity answered by the watch itself), L = 141; then script steps.
    head = bytes([3, LENGTH_141])
    steps = b""
    # SendCommand code 10 with an argument: step 0, pick 0x40 | 10, value, arg; reply.
    steps += bytes([0, 0x40 | 10]) + word(0) + word(0) + frame(word(2))
    # Single-block command 1, then RequestBlock 0.
    steps += bytes([4, 1, 2, 0]) + frame(bytes([0] * 8 + [5, 1, 0x7B]))
    # SendArgs code 3 and a block; a stale copy of a reply; a damaged reply; a check.
    steps += bytes([1, 3]) + word(0x55) + word(300) + word(0) * 3 + frame(word(0), 0x21)
    steps += bytes([3, 0, 0xAB]) + frame(b"", 0x11) + struct.pack("<H", 130) + b"\x40"
    steps += bytes([5])
    write("link_reply", "forms", head + steps)
    write("link_reply", "raw", bytes([0, LENGTH_141, 0, 10]) + word(0) + bytes([0]) +
          b"\0#\x01\x0a" + b"\0" * 137)


def operations_seeds():
    s = mark_set()
    score = score_data()
    blocks = lambda data: b"".join(frame(data[i:i + P]) for i in range(0, len(data), P))
    # Mark import: 10 -> 1 set, 18 -> score held, 11 -> set length, blocks, 19 -> S, blocks.
    marks = bytes([0 | 3 << 1, LENGTH_141])
    marks += frame(word(1)) + frame(word(1)) + frame(word(len(s))) + blocks(s)
    marks += frame(word(len(score))) + blocks(score)
    write("operations_reply", "marks", marks)
    # Firmware update for row 3: start, then every block acknowledged.
    image_length = 1000 + 300 * 3
    firmware = bytes([1 | 3 << 1, LENGTH_141])
    firmware += frame() * (1 + (image_length + P - 1) // P)
    write("operations_reply", "firmware", firmware)
    # The same, but the watch is swapped for one with P = 192 before the last block.
    blocks_sent = (image_length + P - 1) // P - 1
    replaced = bytes([1 | 3 << 1, LENGTH_141]) + frame() * blocks_sent
    replaced += frame(b"", 0x41) + bytes([0x01]) + frame(b"", 0x01) * 2
    write("operations_reply", "firmware-replaced", replaced)
    # Course upload: every reply word 0xBBBBBBBB (begins go on, confirms are accepted).
    courses = bytes([0x80 | 3 << 1, LENGTH_141]) + frame(word(0xBBBBBBBB)) * 120
    write("operations_reply", "courses", courses)


def firmware_seeds():
    body = bytes(range(256)) * 4
    marker = body + struct.pack("<H", crc16(body)) + b"_QMX_WATCH_FW_" + b"\0\0"
    write("firmware_image", "marker", bytes([0]) + marker)
    name = b"QMX_KVT_2700"
    image = body + name.ljust(64, b"\0")
    image += struct.pack("<H", crc16(image))
    write("firmware_image", "name", bytes([0]) + image)
    own = b"OWN_WATCH"
    image = body + own.ljust(64, b"\0")
    image += struct.pack("<H", crc16(image))
    write("firmware_image", "own-name", bytes([len(own)]) + own + image)


def export_seeds():
    s = mark_set()
    write("mark_export", "set-and-score", bytes([0xFE]) + word(len(s)) + s + score_data())
    write("mark_export", "records-only", bytes([0x01]) + word(len(s) - 48) + s[48:])


link_seeds()
operations_seeds()
firmware_seeds()
export_seeds()
