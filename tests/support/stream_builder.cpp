#include "support/stream_builder.h"

#include <fstream>
#include <stdexcept>

namespace velmora::test {

void TBitWriter::PutBits(uint32_t Value, int Width) {
    if (Width < 0 || Width > 32) {
        throw std::invalid_argument("PutBits width out of range");
    }
    for (int bit = Width - 1; bit >= 0; --bit) {
        FPending = (FPending << 1) | ((Value >> bit) & 1u);
        if (++FBitCount == 8) {
            FBytes.push_back(static_cast<uint8_t>(FPending));
            FPending = 0;
            FBitCount = 0;
        }
    }
}

void TBitWriter::AlignToByte() {
    if (FBitCount != 0) {
        PutBits(0, 8 - FBitCount);
    }
}

void TBitWriter::PutBytes(const std::vector<uint8_t>& Bytes) {
    AlignToByte();
    FBytes.insert(FBytes.end(), Bytes.begin(), Bytes.end());
}

void TBitWriter::PutStartCode(uint8_t Value) {
    PutBytes({0x00, 0x00, 0x01, Value});
}

std::vector<uint8_t> TBitWriter::Bytes() const {
    TBitWriter copy = *this;
    copy.AlignToByte();
    return copy.FBytes;
}

void TBitWriter::WriteToFile(const std::string& Path) const {
    const std::vector<uint8_t> bytes = Bytes();
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + Path);
    }
}

TQuantMatrix FlatMatrix() {
    TQuantMatrix m;
    m.fill(16);
    return m;
}

TQuantMatrix RampMatrix() {
    TQuantMatrix m;
    for (int i = 0; i < 64; ++i) {
        m[i] = static_cast<uint8_t>(i + 1);
    }
    return m;
}

namespace {

void PutMatrix(TBitWriter& W, const TQuantMatrix& M) {
    for (uint8_t v : M) {
        W.PutBits(v, 8);
    }
}

}  // namespace

TStreamBuilder& TStreamBuilder::SequenceHeader(const TSequenceHeaderFields& F) {
    PutStartCode(code::SequenceHeader);
    PutBits(F.horizontal_size_value, 12);
    PutBits(F.vertical_size_value, 12);
    PutBits(F.aspect_ratio_information, 4);
    PutBits(F.frame_rate_code, 4);
    PutBits(F.bit_rate_value, 18);
    PutBits(F.marker_bit, 1);
    PutBits(F.vbv_buffer_size_value, 10);
    PutBits(F.constrained_parameters_flag, 1);
    PutBits(F.load_intra_quantiser_matrix, 1);
    if (F.load_intra_quantiser_matrix) {
        PutMatrix(*this, F.intra_quantiser_matrix);
    }
    PutBits(F.load_non_intra_quantiser_matrix, 1);
    if (F.load_non_intra_quantiser_matrix) {
        PutMatrix(*this, F.non_intra_quantiser_matrix);
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::SequenceExtension(const TSequenceExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.profile_and_level_indication, 8);
    PutBits(F.progressive_sequence, 1);
    PutBits(F.chroma_format, 2);
    PutBits(F.horizontal_size_extension, 2);
    PutBits(F.vertical_size_extension, 2);
    PutBits(F.bit_rate_extension, 12);
    PutBits(F.marker_bit, 1);
    PutBits(F.vbv_buffer_size_extension, 8);
    PutBits(F.low_delay, 1);
    PutBits(F.frame_rate_extension_n, 2);
    PutBits(F.frame_rate_extension_d, 5);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::SequenceDisplayExtension(const TSequenceDisplayExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.video_format, 3);
    PutBits(F.colour_description, 1);
    if (F.colour_description) {
        PutBits(F.colour_primaries, 8);
        PutBits(F.transfer_characteristics, 8);
        PutBits(F.matrix_coefficients, 8);
    }
    PutBits(F.display_horizontal_size, 14);
    PutBits(F.marker_bit, 1);
    PutBits(F.display_vertical_size, 14);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::SequenceScalableExtension(const TSequenceScalableExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.scalable_mode, 2);
    PutBits(F.layer_id, 4);
    if (F.scalable_mode == 1) {
        PutBits(F.lower_layer_prediction_horizontal_size, 14);
        PutBits(F.marker_bit, 1);
        PutBits(F.lower_layer_prediction_vertical_size, 14);
        PutBits(F.horizontal_subsampling_factor_m, 5);
        PutBits(F.horizontal_subsampling_factor_n, 5);
        PutBits(F.vertical_subsampling_factor_m, 5);
        PutBits(F.vertical_subsampling_factor_n, 5);
    }
    if (F.scalable_mode == 3) {
        PutBits(F.picture_mux_enable, 1);
        if (F.picture_mux_enable) {
            PutBits(F.mux_to_progressive_sequence, 1);
        }
        PutBits(F.picture_mux_order, 3);
        PutBits(F.picture_mux_factor, 3);
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::QuantMatrixExtension(const TQuantMatrixExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    const std::pair<uint32_t, const TQuantMatrix*> matrices[] = {
        {F.load_intra_quantiser_matrix, &F.intra_quantiser_matrix},
        {F.load_non_intra_quantiser_matrix, &F.non_intra_quantiser_matrix},
        {F.load_chroma_intra_quantiser_matrix, &F.chroma_intra_quantiser_matrix},
        {F.load_chroma_non_intra_quantiser_matrix, &F.chroma_non_intra_quantiser_matrix},
    };
    for (const auto& [load, matrix] : matrices) {
        PutBits(load, 1);
        if (load) {
            PutMatrix(*this, *matrix);
        }
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::PictureDisplayExtension(const TPictureDisplayExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    for (const TFrameCentreOffsetFields& o : F.offsets) {
        PutBits(o.frame_centre_horizontal_offset, 16);
        PutBits(o.marker_bit1, 1);
        PutBits(o.frame_centre_vertical_offset, 16);
        PutBits(o.marker_bit2, 1);
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::PictureSpatialScalableExtension(
    const TPictureSpatialScalableExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.lower_layer_temporal_reference, 10);
    PutBits(F.marker_bit1, 1);
    PutBits(F.lower_layer_horizontal_offset, 15);
    PutBits(F.marker_bit2, 1);
    PutBits(F.lower_layer_vertical_offset, 15);
    PutBits(F.spatial_temporal_weight_code_table_index, 2);
    PutBits(F.lower_layer_progressive_frame, 1);
    PutBits(F.lower_layer_deinterlaced_field_select, 1);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::PictureTemporalScalableExtension(
    const TPictureTemporalScalableExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.reference_select_code, 2);
    PutBits(F.forward_temporal_reference, 10);
    PutBits(F.marker_bit, 1);
    PutBits(F.backward_temporal_reference, 10);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::RawExtension(uint32_t Identifier, const std::vector<uint8_t>& Payload) {
    PutStartCode(code::Extension);
    PutBits(Identifier, 4);
    for (uint8_t b : Payload) {
        PutBits(b, 8);
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::Gop(const TGopHeaderFields& F) {
    PutStartCode(code::Gop);
    PutBits(F.drop_frame_flag, 1);
    PutBits(F.time_code_hours, 5);
    PutBits(F.time_code_minutes, 6);
    PutBits(F.marker_bit, 1);
    PutBits(F.time_code_seconds, 6);
    PutBits(F.time_code_pictures, 6);
    PutBits(F.closed_gop, 1);
    PutBits(F.broken_link, 1);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::Picture(const TPictureHeaderFields& F) {
    PutStartCode(code::Picture);
    PutBits(F.temporal_reference, 10);
    PutBits(F.picture_coding_type, 3);
    PutBits(F.vbv_delay, 16);
    if (F.picture_coding_type == 2 || F.picture_coding_type == 3) {
        PutBits(F.full_pel_forward_vector, 1);
        PutBits(F.forward_f_code, 3);
    }
    if (F.picture_coding_type == 3) {
        PutBits(F.full_pel_backward_vector, 1);
        PutBits(F.backward_f_code, 3);
    }
    for (uint8_t info : F.extra_information_picture) {
        PutBits(1, 1);
        PutBits(info, 8);
    }
    PutBits(0, 1);
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::Picture(uint32_t PictureCodingType, uint32_t TemporalReference) {
    TPictureHeaderFields f;
    f.picture_coding_type = PictureCodingType;
    f.temporal_reference = TemporalReference;
    return Picture(f);
}

TStreamBuilder& TStreamBuilder::PictureCodingExtension(const TPictureCodingExtensionFields& F) {
    PutStartCode(code::Extension);
    PutBits(F.extension_start_code_identifier, 4);
    PutBits(F.f_code[0][0], 4);
    PutBits(F.f_code[0][1], 4);
    PutBits(F.f_code[1][0], 4);
    PutBits(F.f_code[1][1], 4);
    PutBits(F.intra_dc_precision, 2);
    PutBits(F.picture_structure, 2);
    PutBits(F.top_field_first, 1);
    PutBits(F.frame_pred_frame_dct, 1);
    PutBits(F.concealment_motion_vectors, 1);
    PutBits(F.q_scale_type, 1);
    PutBits(F.intra_vlc_format, 1);
    PutBits(F.alternate_scan, 1);
    PutBits(F.repeat_first_field, 1);
    PutBits(F.chroma_420_type, 1);
    PutBits(F.progressive_frame, 1);
    PutBits(F.composite_display_flag, 1);
    if (F.composite_display_flag) {
        PutBits(F.v_axis, 1);
        PutBits(F.field_sequence, 3);
        PutBits(F.sub_carrier, 1);
        PutBits(F.burst_amplitude, 7);
        PutBits(F.sub_carrier_phase, 8);
    }
    AlignToByte();
    return *this;
}

TStreamBuilder& TStreamBuilder::CodedPicture(const TPictureHeaderFields& Header,
                                             const TPictureCodingExtensionFields& Coding, int SliceCount) {
    Picture(Header).PictureCodingExtension(Coding);
    for (int slice = 1; slice <= SliceCount; ++slice) {
        Slice(static_cast<uint8_t>(slice));
    }
    return *this;
}

TStreamBuilder& TStreamBuilder::UserData(const std::vector<uint8_t>& Payload) {
    PutStartCode(code::UserData);
    PutBytes(Payload);
    return *this;
}

TStreamBuilder& TStreamBuilder::UserData(const std::string& Text) {
    return UserData(std::vector<uint8_t>(Text.begin(), Text.end()));
}

TStreamBuilder& TStreamBuilder::Slice(uint8_t Code, int DataBytes) {
    PutStartCode(Code);
    // Slice data never holds two zero bytes in a row, so no prefix appears inside it.
    for (int i = 0; i < DataBytes; ++i) {
        PutBits(static_cast<uint8_t>(0x11 + ((Code + i) % 0xEE)), 8);
    }
    return *this;
}

TStreamBuilder& TStreamBuilder::Slices(uint8_t First, uint8_t Last, int DataBytes) {
    for (int c = First; c <= Last; ++c) {
        Slice(static_cast<uint8_t>(c), DataBytes);
    }
    return *this;
}

TStreamBuilder& TStreamBuilder::SystemPacket(uint8_t Code, const std::vector<uint8_t>& Payload) {
    PutStartCode(Code);
    PutBytes(Payload);
    return *this;
}

TStreamBuilder& TStreamBuilder::PaddingPacket(uint16_t Length) {
    PutStartCode(code::Padding);
    PutBits(Length, 16);
    PutBytes(std::vector<uint8_t>(Length, 0xFF));
    return *this;
}

TStreamBuilder& TStreamBuilder::PackHeader() {
    // '01', SCR 0 with its markers, SCR extension 0, mux rate 25200 (10.08 Mbit/s), no stuffing.
    return SystemPacket(code::PackHeader, {0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8});
}

TStreamBuilder& TStreamBuilder::SequenceEnd() {
    PutStartCode(code::SequenceEnd);
    return *this;
}

TStreamBuilder& TStreamBuilder::Raw(const std::vector<uint8_t>& Bytes) {
    PutBytes(Bytes);
    return *this;
}

}  // namespace velmora::test
