#!/usr/bin/env python3
"""Flags a progressive MPEG-2 stream for 3:2 soft pulldown by editing header bits in place.

    set_pulldown.py FILE

Every sequence extension gets progressive_sequence = 0 (an interlaced display sequence, so that
repeat_first_field repeats one field rather than whole frames). Every frame picture gets
progressive_frame = 1 and, by its display index (pictures of earlier GOPs + temporal_reference),
top_field_first / repeat_first_field from the cycle

    display index mod 4:   0      1      2      3
    top_field_first:       1      0      0      1
    repeat_first_field:    1      0      1      0
    fields shown:          T B T  B T    B T B  T B

which turns 4 film frames into 10 fields (5 frames at 29.97) with the fields alternating throughout.
All edited fields are whole bits at fixed offsets, so the stream keeps its size. Standard library only.
"""

import sys

from scan_headers import scan

PATTERN = [(1, 1), (0, 0), (0, 1), (1, 0)]  # (top_field_first, repeat_first_field)


def set_bit(data, index, mask, value):
    data[index] = (data[index] | mask) if value else (data[index] & ~mask & 0xFF)


def main(argv):
    if len(argv) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        data = bytearray(f.read())
    stream = scan(bytes(data))
    if not stream.sequence_extensions:
        print("not an MPEG-2 stream: no sequence extension", file=sys.stderr)
        return 1
    # Payload byte 1 of the sequence extension: level (4) progressive_sequence (1) chroma_format (2) ...
    for ext in stream.sequence_extensions:
        set_bit(data, ext["offset"] + 5, 0x08, 0)
    for picture in stream.pictures:
        if picture.coding_ext_offset is None or picture.picture_structure != 3:
            print(f"picture at {picture.offset} is not a frame picture with a coding extension", file=sys.stderr)
            return 1
        top_field_first, repeat_first_field = PATTERN[picture.display_index % 4]
        payload = picture.coding_ext_offset + 4
        # Payload byte 3: top_field_first (bit 7) ... repeat_first_field (bit 1) chroma_420_type (bit 0);
        # byte 4: progressive_frame (bit 7).
        set_bit(data, payload + 3, 0x80, top_field_first)
        set_bit(data, payload + 3, 0x02, repeat_first_field)
        set_bit(data, payload + 4, 0x80, 1)
    with open(argv[0], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
