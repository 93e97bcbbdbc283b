// Parsers below the sequence level: extension and user data steps, GOP and picture headers, the
// picture coding extension, slices, the sequence end and foreign (system-layer) start codes.
#include <cstdio>

#include "analysis/m2v_stream.h"
#include "present/value_tables.h"

namespace velmora {

namespace {

bool IsSystemCode(uint32_t code) {
    return code >= 0xB9 && code <= 0xFF;
}
constexpr uint8_t kFirstSliceCode = 0x01;
constexpr uint8_t kLastSliceCode = 0xAF;

}  // namespace

void TM2VStream::ParseExtensionsAndUserData(int32_t Level) {
    TFileBitStream& r = *FReader;
    uint32_t c = r.PeekBits(8);
    // Foreign blocks are passed over one after another, with any extensions and user data between
    // them: leaving a second one to the caller would read it as the next header and lose it from
    // the cut list.
    for (;;) {
        while (c == 0xB5 || c == 0xB2) {
            if (c == 0xB5) {
                if (Level == 0 || Level == 2) {
                    DispatchExtensions(Level);
                    FLastStartCode = 0xB5;
                } else {
                    NextStartCode();  // no extension belongs after a GOP header
                }
            }
            if (r.PeekBits(8) == 0xB2) {
                ParseUserData();
                FLastStartCode = 0xB2;
            }
            c = r.PeekBits(8);
        }
        if (!IsSystemCode(c)) {
            return;
        }
        SkipForeignBlock(c);
        c = r.PeekBits(8);
    }
}

void TM2VStream::SkipForeignBlock(uint32_t Code) {
    TFileBitStream& r = *FReader;
    StoreStreamCode(static_cast<int32_t>(Code));
    TDataBlock block;
    block.Position = r.Position();
    NextStartCode();
    // As SkipToNextStartCode: a 32-bit count, taken once per block of a flood.
    block.Length = static_cast<uint32_t>(r.Position() - block.Position);
    ++FUnformattedCount;
    if (FKeepCutList || FUnformattedBlocks.size() < kCutListHead) {
        FUnformattedBlocks.push_back(block);
    }
    if (OnLog) {
        FUnformattedFound = true;
        if (!FMessageFold.Admit(TMessageKind::ForeignData)) {
            return;
        }
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", Code);
        OnLog("Find not formatted stream or data: " + std::string(hex) + " - " +
              StreamIdName(static_cast<int32_t>(Code)) + ", FilePos: " + std::to_string(block.Position) +
              ", Length: " + std::to_string(block.Length) + " bytes.");
    }
}

void TM2VStream::DispatchExtensions(int32_t Level) {
    TFileBitStream& r = *FReader;
    while (r.PeekBits(8) == 0xB5) {
        r.ReadBits(8);
        const uint32_t id = r.PeekBits(4);
        if (Level == 0 && id == 2) {
            ParseSequenceDisplayExtension();
        } else if (Level == 0 && id == 5) {
            ParseSequenceScalableExtension();
        } else if (Level == 2 && id == 3) {
            ParseQuantMatrixExtension();
        } else if (Level == 2 && id == 7) {
            ParsePictureDisplayExtension();
        } else if (Level == 2 && id == 9) {
            ParsePictureSpatialScalableExtension();
        } else if (Level == 2 && id == 10) {
            ParsePictureTemporalScalableExtension();
        } else {
            NextStartCode();
        }
    }
}

void TM2VStream::ParseUserData() {
    TFileBitStream& r = *FReader;
    r.ReadBits(8);
    FUserDataByteIndex = 1;
    // Only the first ten bytes of a block take part in the line-21 rules; the block search passes
    // over the rest.
    uint8_t u[11] = {};
    const bool afterGop = FLastStartCode == 0xB8;
    while (FUserDataByteIndex <= 10 && r.PeekBits(24) != 1 && !r.FEof) {
        const uint8_t b = static_cast<uint8_t>(r.ReadBits(8));
        const int32_t n = FUserDataByteIndex;
        if (afterGop) {
            u[n] = b;
            if (n == 6 && u[6] == 0xFF) {
                if (u[5] >= 1 && u[5] <= 127) {
                    FLine21Switch2 = true;
                } else if (u[5] >= 129) {
                    FLine21Switch1 = true;
                }
            }
            if (n == 9 && u[9] == 0xFF) {
                if (u[5] >= 1 && u[5] <= 127) {
                    FLine21Switch1 = true;
                } else if (u[5] >= 129) {
                    FLine21Switch2 = true;
                }
            }
            if (n == 9 && (u[6] == 0xFF || u[9] == 0xFF)) {
                if (u[5] == 0x01) {
                    FLine21Switch1 = false;
                    FLine21Switch2 = true;
                } else if (u[5] == 0x81) {
                    FLine21Switch1 = true;
                    FLine21Switch2 = false;
                }
            }
        }
        ++FUserDataByteIndex;
    }
    NextStartCode();
    StoreUserData();
}

void TM2VStream::ParseGopHeader() {
    TFileBitStream& r = *FReader;
    TGopHeaderRecord& g = FGopHeader;
    FPicturesInGop = 0;
    ++FGopCount;
    g.start_code = static_cast<int32_t>(r.ReadBits(8));
    FLastStartCode = g.start_code;
    g.drop_frame_flag = static_cast<int32_t>(r.ReadBits(1));
    if (g.drop_frame_flag == 1) {
        FDropFrame = true;
    }
    g.time_code_hours = static_cast<int32_t>(r.ReadBits(5));
    g.time_code_minutes = static_cast<int32_t>(r.ReadBits(6));
    g.marker_bit = static_cast<int32_t>(r.ReadBits(1));
    g.time_code_seconds = static_cast<int32_t>(r.ReadBits(6));
    g.time_code_pictures = static_cast<int32_t>(r.ReadBits(6));
    g.closed_gop = static_cast<int32_t>(r.ReadBits(1));
    g.broken_link = static_cast<int32_t>(r.ReadBits(1));
    g.gop_number = static_cast<int32_t>(FGopCount);
    if (!FStartTimeCodeSet) {
        FStartTimeCode =
            TTimeCode{static_cast<uint8_t>(g.time_code_hours), static_cast<uint8_t>(g.time_code_minutes),
                      static_cast<uint8_t>(g.time_code_seconds), static_cast<uint8_t>(g.time_code_pictures)};
        FStartTimeCodeSet = true;
    }
    NextStartCode();
    StoreGopHeader(g);
}

void TM2VStream::ParsePictureHeader() {
    TFileBitStream& r = *FReader;
    TPictureHeaderRecord& p = FPictureHeader;
    const int64_t prefix = r.Position() - 3;
    p.start_code = static_cast<int32_t>(r.ReadBits(8));
    FLastStartCode = p.start_code;
    p.temporal_reference = static_cast<int32_t>(r.ReadBits(10));
    p.display_index = p.temporal_reference + FPicturesInStream - FPicturesInGop;
    const int32_t type = static_cast<int32_t>(r.ReadBits(3));
    FPrevPrevPictureType = FPrevPictureType;
    FPrevPictureType = p.picture_coding_type;
    p.picture_coding_type = type;
    p.file_position = (type == 0 || type == 1) ? FSequenceHeaderPos : prefix;
    p.vbv_delay = static_cast<int32_t>(r.ReadBits(16));
    if (p.vbv_delay == 0xFFFF) {
        FVariableBitRate = true;
    }
    if (type == 2 || type == 3) {
        p.full_pel_forward_vector = static_cast<int32_t>(r.ReadBits(1));
        p.forward_f_code = static_cast<int32_t>(r.ReadBits(3));
    }
    if (type == 3) {
        p.full_pel_backward_vector = static_cast<int32_t>(r.ReadBits(1));
        p.backward_f_code = static_cast<int32_t>(r.ReadBits(3));
    }
    while (r.PeekBits(1) == 1) {
        p.extra_bit_picture = static_cast<int32_t>(r.ReadBits(1));
        p.extra_information_picture = static_cast<int32_t>(r.ReadBits(8));
    }
    p.extra_bit_picture = static_cast<int32_t>(r.ReadBits(1));
    ++FPicturesInGop;
    ++FPicturesInStream;
    if (FMpegVersion == 1) {
        CountMpeg1PictureStep();
    }
    NextStartCode();
    StorePictureHeader(p);
}

void TM2VStream::ParsePictureCodingExtension() {
    TFileBitStream& r = *FReader;
    if (r.PeekBits(8) != 0xB5) {
        return;
    }
    TPictureCodingExtensionRecord& e = FPictureCodingExtension;
    auto read = [&r](uint32_t bits) { return static_cast<int32_t>(r.ReadBits(bits)); };
    e.start_code = read(8);
    e.extension_start_code_identifier = read(4);
    e.f_code[0][0] = static_cast<uint8_t>(r.ReadBits(4));
    e.f_code[0][1] = static_cast<uint8_t>(r.ReadBits(4));
    e.f_code[1][0] = static_cast<uint8_t>(r.ReadBits(4));
    e.f_code[1][1] = static_cast<uint8_t>(r.ReadBits(4));
    e.intra_dc_precision = read(2);
    e.picture_structure = read(2);
    FPrevPrevTopFieldFirst = FPrevTopFieldFirst;
    FPrevTopFieldFirst = e.top_field_first;
    e.top_field_first = read(1);
    e.frame_pred_frame_dct = read(1);
    e.concealment_motion_vectors = read(1);
    e.q_scale_type = read(1);
    e.intra_vlc_format = read(1);
    e.alternate_scan = read(1);
    FPrevPrevRepeatFirstField = FPrevRepeatFirstField;
    FPrevRepeatFirstField = e.repeat_first_field;
    e.repeat_first_field = read(1);
    e.chroma_420_type = read(1);
    e.progressive_frame = read(1);
    e.composite_display_flag = read(1);
    if (e.composite_display_flag == 1) {
        e.v_axis = read(1);
        e.field_sequence = read(3);
        e.sub_carrier = read(1);
        e.burst_amplitude = read(7);
        e.sub_carrier_phase = read(8);
    }
    CountMpeg2PictureStep();
    NextStartCode();
    StorePictureCodingExtension(e);
}

void TM2VStream::SkipSlices() {
    // The hot path: one search passes over every slice start code of the picture.
    FReader->FindStartCodeOutside(kFirstSliceCode, kLastSliceCode);
    StorePictureData();
}

void TM2VStream::ParseSequenceEnd() {
    ++FSequenceEndCount;
    NextStartCode();
    StoreSequenceEnd(FSequenceEndCount);
}

}  // namespace velmora
