#!/usr/bin/env python3
"""Inserts system-layer packets into a video elementary stream, where the syntax allows extension and
user data, and proves that removing them gives the original back.

    insert_foreign.py CLEAN OUT

Right after every GOP header (at the prefix of the start code that follows it) a pack header and a
padding packet of 8 bytes go in; right after every picture coding extension a padding packet whose
length cycles through 2, 10 and 30 bytes. Packets start with their own 00 00 01 prefix and contain no
other, so each one is a whole stretch from its start code to the next. Standard library only.
"""

import sys

from scan_headers import start_codes

GOP, EXTENSION = 0xB8, 0xB5
PICTURE_CODING_EXTENSION_ID = 8

# MPEG-2 pack header: SCR 0 with its marker bits, program_mux_rate 25200 (10.08 Mbit/s), no stuffing.
PACK_HEADER = bytes.fromhex("000001BA 4400040004 01 0189C3 F8".replace(" ", ""))


def padding_packet(length):
    return b"\x00\x00\x01\xBE" + length.to_bytes(2, "big") + b"\xFF" * length


def insertion_points(data):
    """(offset, bytes to insert there), in file order."""
    codes = list(start_codes(data))
    points = []
    picture_extensions = 0
    for i, (offset, code) in enumerate(codes[:-1]):
        next_offset = codes[i + 1][0]
        if code == GOP:
            points.append((next_offset, PACK_HEADER + padding_packet(8)))
        elif code == EXTENSION and data[offset + 4] >> 4 == PICTURE_CODING_EXTENSION_ID:
            points.append((next_offset, padding_packet([2, 10, 30][picture_extensions % 3])))
            picture_extensions += 1
    return points


def remove_foreign(data):
    """The stream without every stretch from a system-layer start code (0xB9..0xFF) to the next
    start code: what a corrected copy keeps."""
    kept = bytearray()
    codes = list(start_codes(data))
    keep_from = 0
    for i, (offset, code) in enumerate(codes):
        if code >= 0xB9:
            kept += data[keep_from:offset]
            keep_from = codes[i + 1][0] if i + 1 < len(codes) else len(data)
    kept += data[keep_from:]
    return bytes(kept)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        clean = f.read()
    out = bytearray()
    copied = 0
    for offset, packet in insertion_points(clean):
        out += clean[copied:offset] + packet
        copied = offset
    out += clean[copied:]
    if remove_foreign(bytes(out)) != clean:
        print("removing the inserted packets does not give the original back", file=sys.stderr)
        return 1
    with open(argv[1], "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
