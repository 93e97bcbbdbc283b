#!/usr/bin/env python3
"""Header-level facts of an MPEG-1/MPEG-2 video elementary stream, read straight from the bits.

Reproduces the expected values in tests/data/README.md. Standard library only. Usage:

    scan_headers.py FILE            summary facts, one "name: value" a line
    scan_headers.py --pictures FILE  the summary, then one line per picture in coded order

It follows ISO/IEC 13818-2 (and 11172-2) syntax only; it checks almost nothing and is meant for the
well-formed streams of this folder.
"""

import sys
from collections import Counter
from dataclasses import dataclass, field

PICTURE, USER_DATA, SEQUENCE_HEADER, EXTENSION, SEQUENCE_END, GOP = 0x00, 0xB2, 0xB3, 0xB5, 0xB7, 0xB8
PICTURE_TYPES = {1: "I", 2: "P", 3: "B", 4: "D"}
STRUCTURES = {1: "top", 2: "bottom", 3: "frame"}


class Bits:
    """Reads big-endian bit fields from a byte string, starting at a byte offset."""

    def __init__(self, data, offset):
        self.data = data
        self.pos = offset * 8

    def read(self, width):
        value = 0
        for _ in range(width):
            byte = self.data[self.pos >> 3] if (self.pos >> 3) < len(self.data) else 0
            value = (value << 1) | ((byte >> (7 - (self.pos & 7))) & 1)
            self.pos += 1
        return value


def start_codes(data):
    """(offset of the 00 00 01 prefix, start code value) for every start code in the data."""
    pos = data.find(b"\x00\x00\x01")
    while pos >= 0 and pos + 3 < len(data):
        yield pos, data[pos + 3]
        pos = data.find(b"\x00\x00\x01", pos + 3)


@dataclass
class Picture:
    offset: int
    temporal_reference: int
    coding_type: int
    vbv_delay: int
    display_index: int
    gop: int
    # Picture coding extension fields; None for MPEG-1.
    coding_ext_offset: int = None
    picture_structure: int = None
    top_field_first: int = None
    repeat_first_field: int = None
    progressive_frame: int = None


@dataclass
class Stream:
    size: int = 0
    sequence_headers: list = field(default_factory=list)  # dicts of fields
    sequence_extensions: list = field(default_factory=list)
    sequence_display_extensions: int = 0
    gops: list = field(default_factory=list)
    pictures: list = field(default_factory=list)
    sequence_ends: list = field(default_factory=list)  # offsets
    user_data: int = 0
    foreign: list = field(default_factory=list)  # (offset, code)


def scan(data):
    stream = Stream(size=len(data))
    pictures_before_gop = 0  # pictures of all earlier GOPs: the base of display indexes
    pictures_in_gop = 0
    last = None  # the last header that extensions attach to: "sequence" or "picture"
    for offset, code in start_codes(data):
        if 0x01 <= code <= 0xAF:
            continue  # slice
        bits = Bits(data, offset + 4)
        if code == SEQUENCE_HEADER:
            header = {
                "offset": offset,
                "horizontal_size": bits.read(12),
                "vertical_size": bits.read(12),
                "aspect_ratio_information": bits.read(4),
                "frame_rate_code": bits.read(4),
                "bit_rate_value": bits.read(18),
            }
            bits.read(1)
            header["vbv_buffer_size"] = bits.read(10)
            header["constrained_parameters_flag"] = bits.read(1)
            stream.sequence_headers.append(header)
            last = "sequence"
        elif code == EXTENSION:
            identifier = bits.read(4)
            if identifier == 1:
                stream.sequence_extensions.append({
                    "offset": offset,
                    "profile_and_level_indication": bits.read(8),
                    "progressive_sequence": bits.read(1),
                    "chroma_format": bits.read(2),
                    "horizontal_size_extension": bits.read(2),
                    "vertical_size_extension": bits.read(2),
                    "bit_rate_extension": bits.read(12),
                    "marker": bits.read(1),
                    "vbv_buffer_size_extension": bits.read(8),
                    "low_delay": bits.read(1),
                    "frame_rate_extension_n": bits.read(2),
                    "frame_rate_extension_d": bits.read(5),
                })
            elif identifier == 2:
                stream.sequence_display_extensions += 1
            elif identifier == 8 and last == "picture":
                picture = stream.pictures[-1]
                bits.read(16)  # f_codes
                bits.read(2)  # intra_dc_precision
                picture.coding_ext_offset = offset
                picture.picture_structure = bits.read(2)
                picture.top_field_first = bits.read(1)
                bits.read(5)  # frame_pred_frame_dct .. alternate_scan
                picture.repeat_first_field = bits.read(1)
                bits.read(1)  # chroma_420_type
                picture.progressive_frame = bits.read(1)
        elif code == GOP:
            pictures_before_gop += pictures_in_gop
            pictures_in_gop = 0
            stream.gops.append({
                "offset": offset,
                "drop_frame_flag": bits.read(1),
                "hours": bits.read(5),
                "minutes": bits.read(6),
                "marker": bits.read(1),
                "seconds": bits.read(6),
                "pictures": bits.read(6),
                "closed_gop": bits.read(1),
                "broken_link": bits.read(1),
                "picture_count": 0,
            })
            last = "gop"
        elif code == PICTURE:
            temporal_reference = bits.read(10)
            coding_type = bits.read(3)
            vbv_delay = bits.read(16)
            stream.pictures.append(Picture(offset, temporal_reference, coding_type, vbv_delay,
                                           pictures_before_gop + temporal_reference, len(stream.gops)))
            pictures_in_gop += 1
            if stream.gops:
                stream.gops[-1]["picture_count"] += 1
            last = "picture"
        elif code == USER_DATA:
            stream.user_data += 1
        elif code == SEQUENCE_END:
            stream.sequence_ends.append(offset)
        elif code >= 0xB9:
            stream.foreign.append((offset, code))
    return stream


def displayed_fields(stream, picture):
    """Fields the picture occupies on an interlaced display (ISO/IEC 13818-2 6.3.10)."""
    if picture.picture_structure is None:
        return 2  # MPEG-1: every picture is a frame
    if picture.picture_structure != 3:
        return 1
    progressive_sequence = stream.sequence_extensions[0]["progressive_sequence"]
    if progressive_sequence:
        # Frames rather than fields: 1, 2 or 3 frames, reported in fields for comparison.
        return 2 * (1 + picture.repeat_first_field * (1 + picture.top_field_first))
    return 2 + picture.repeat_first_field


def summary(stream):
    facts = []
    add = lambda name, value: facts.append((name, value))
    add("size_bytes", stream.size)
    mpeg = 2 if stream.sequence_extensions else 1
    add("mpeg_version", mpeg)
    if stream.sequence_headers:
        seq = stream.sequence_headers[0]
        width, height = seq["horizontal_size"], seq["vertical_size"]
        bit_rate_value = seq["bit_rate_value"]
        vbv_buffer_size = seq["vbv_buffer_size"]
        if mpeg == 2:
            ext = stream.sequence_extensions[0]
            width |= ext["horizontal_size_extension"] << 12
            height |= ext["vertical_size_extension"] << 12
            bit_rate_value |= ext["bit_rate_extension"] << 18
            vbv_buffer_size |= ext["vbv_buffer_size_extension"] << 10
        add("size", f"{width}x{height}")
        add("aspect_ratio_information", seq["aspect_ratio_information"])
        add("frame_rate_code", seq["frame_rate_code"])
        add("bit_rate_value", f"{bit_rate_value} ({bit_rate_value * 400} bit/s)")
        add("vbv_buffer_size", vbv_buffer_size)
    if mpeg == 2:
        ext = stream.sequence_extensions[0]
        add("profile_and_level_indication", f"0x{ext['profile_and_level_indication']:02X}")
        add("progressive_sequence", ext["progressive_sequence"])
        add("chroma_format", ext["chroma_format"])
        add("frame_rate_extension_n/d", f"{ext['frame_rate_extension_n']}/{ext['frame_rate_extension_d']}")
    add("sequence_headers", len(stream.sequence_headers))
    add("sequence_extensions", len(stream.sequence_extensions))
    add("sequence_display_extensions", stream.sequence_display_extensions)
    add("gops", len(stream.gops))
    add("pictures_per_gop", " ".join(str(g["picture_count"]) for g in stream.gops))
    add("max_gop_pictures", max((g["picture_count"] for g in stream.gops), default=0))
    add("closed_gops", sum(g["closed_gop"] for g in stream.gops))
    if stream.gops:
        g = stream.gops[0]
        add("first_gop_time_code", f"{g['hours']:02}:{g['minutes']:02}:{g['seconds']:02} pictures {g['pictures']}")
        add("drop_frame_flags", " ".join(str(g["drop_frame_flag"]) for g in stream.gops))
        # Drop-frame time codes are written with ";" before the pictures, as is customary.
        add("gop_time_codes", " ".join(
            f"{g['hours']:02}:{g['minutes']:02}:{g['seconds']:02}{';' if g['drop_frame_flag'] else ':'}"
            f"{g['pictures']:02}" for g in stream.gops))
    types = Counter(PICTURE_TYPES.get(p.coding_type, str(p.coding_type)) for p in stream.pictures)
    add("pictures", len(stream.pictures))
    add("pictures_by_type", " ".join(f"{t}={types.get(t, 0)}" for t in ("I", "P", "B")))
    add("coded_order", "".join(PICTURE_TYPES.get(p.coding_type, "?") for p in stream.pictures))
    delays = {p.vbv_delay for p in stream.pictures}
    add("vbv_delay", "all 0xFFFF" if delays == {0xFFFF} else
        ("none 0xFFFF" if 0xFFFF not in delays else "some 0xFFFF"))
    if mpeg == 2:
        structures = Counter(STRUCTURES.get(p.picture_structure, "reserved") for p in stream.pictures)
        add("picture_structures", " ".join(f"{k}={v}" for k, v in sorted(structures.items())))
        add("progressive_frames", sum(p.progressive_frame for p in stream.pictures))
        add("repeat_first_fields", sum(p.repeat_first_field for p in stream.pictures))
        in_display = sorted(stream.pictures, key=lambda p: p.display_index)
        add("tff_rff_display_order_first_8",
            " ".join(f"{p.top_field_first}{p.repeat_first_field}" for p in in_display[:8]))
    add("displayed_fields", sum(displayed_fields(stream, p) for p in stream.pictures))
    add("user_data", stream.user_data)
    add("sequence_end_codes", len(stream.sequence_ends))
    add("sequence_end_offsets", " ".join(str(o) for o in stream.sequence_ends))
    add("ends_with_sequence_end", int(stream.size >= 4 and stream.sequence_ends[-1:] == [stream.size - 4]))
    add("foreign_start_codes", len(stream.foreign))
    codes = Counter(code for _, code in stream.foreign)
    add("foreign_by_code", " ".join(f"0x{c:02X}={n}" for c, n in sorted(codes.items())))
    return facts


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(args[0], "rb") as f:
        stream = scan(f.read())
    for name, value in summary(stream):
        print(f"{name}: {value}")
    if "--pictures" in argv:
        print("# coded  offset  gop  type  temporal_reference  display  vbv_delay  structure  tff  rff  progressive_frame")
        for i, p in enumerate(stream.pictures):
            print(f"{i} {p.offset} {p.gop} {PICTURE_TYPES.get(p.coding_type, p.coding_type)} "
                  f"{p.temporal_reference} {p.display_index} 0x{p.vbv_delay:04X} "
                  f"{STRUCTURES.get(p.picture_structure, '-')} {p.top_field_first} {p.repeat_first_field} "
                  f"{p.progressive_frame}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
