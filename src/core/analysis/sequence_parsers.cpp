// Parsers of the sequence header, the sequence extension and the extensions handed over by the
// extension dispatcher. Each overwrites only the fields the stream carries this time.
#include "analysis/m2v_stream.h"

namespace velmora {

namespace {

void ReadMatrix(TFileBitStream& reader, uint8_t (&matrix)[64]) {
    for (uint8_t& value : matrix) {
        value = static_cast<uint8_t>(reader.ReadBits(8));
    }
}

}  // namespace

void TM2VStream::ParseSequenceHeader() {
    TFileBitStream& r = *FReader;
    TSequenceHeaderRecord& h = FSequenceHeader;
    ++FSequenceHeaderCount;
    FSequenceHeaderPos = r.Position() - 3;
    h.StartCode = r.ReadBits(8);
    FLastStartCode = static_cast<int32_t>(h.StartCode);
    h.horizontal_size_value = r.ReadBits(12);
    h.vertical_size_value = r.ReadBits(12);
    if (!FDisplayExtSeen) {
        FRefWidth = static_cast<int32_t>(h.horizontal_size_value);
    }
    if (FFirstSequencePending) {
        FWidth = static_cast<int32_t>(h.horizontal_size_value);
        FHeight = static_cast<int32_t>(h.vertical_size_value);
    }
    h.aspect_ratio_information = r.ReadBits(4);
    h.frame_rate_code = r.ReadBits(4);
    h.bit_rate_value = r.ReadBits(18);
    const bool sized = h.horizontal_size_value != 0 && h.vertical_size_value != 0;
    if (sized) {
        const int64_t value = h.bit_rate_value;
        if (FFirstSequencePending) {
            FMaxBitRate = value;
            FMinBitRate = value;
        }
        if (FBitRate == 0) {
            FBitRate = h.bit_rate_value * 400u;
        }
        if (value > FMaxBitRate) {
            FMaxBitRate = value;
        }
        if (value < FMinBitRate) {
            FMinBitRate = value;
        }
        if (value != 0) {
            FBitRateSum += value / 100;
        }
    }
    h.marker_bit = r.ReadBits(1);
    h.vbv_buffer_size_value = r.ReadBits(10);
    h.constrained_parameters_flag = r.ReadBits(1);
    h.load_intra_quantiser_matrix = r.ReadBits(1);
    if (h.load_intra_quantiser_matrix == 1) {
        ReadMatrix(r, h.intra_quantiser_matrix);
    }
    h.load_non_intra_quantiser_matrix = r.ReadBits(1);
    if (h.load_non_intra_quantiser_matrix == 1) {
        ReadMatrix(r, h.non_intra_quantiser_matrix);
    }
    if (h.frame_rate_code > 0 && h.frame_rate_code < 10) {
        FFrameRateCode = static_cast<int32_t>(h.frame_rate_code);
    }
    if (h.aspect_ratio_information <= 8 || h.aspect_ratio_information == 12) {
        FAspectRatio = static_cast<int32_t>(h.aspect_ratio_information);
    }
    h.Ordinal = FSequenceHeaderCount;
    NextStartCode();
    StoreSequenceHeader(h);
    if (sized && FFirstSequencePending) {
        FFirstSequencePending = false;
    }
}

void TM2VStream::ParseSequenceExtension() {
    TFileBitStream& r = *FReader;
    if (r.PeekBits(8) != 0xB5) {
        return;
    }
    FMpegVersion = 2;
    TSequenceExtensionRecord& e = FSequenceExtension;
    e.StartCode = r.ReadBits(8);
    FLastStartCode = static_cast<int32_t>(e.StartCode);
    e.extension_start_code_identifier = r.ReadBits(4);
    e.profile_and_level_indication = r.ReadBits(8);
    e.progressive_sequence = r.ReadBits(1);
    e.chroma_format = r.ReadBits(2);
    e.horizontal_size_extension = r.ReadBits(2);
    e.vertical_size_extension = r.ReadBits(2);
    e.bit_rate_extension = r.ReadBits(12);
    e.marker_bit = r.ReadBits(1);
    e.vbv_buffer_size_extension = r.ReadBits(8);
    e.low_delay = r.ReadBits(1);
    e.frame_rate_extension_n = r.ReadBits(2);
    e.frame_rate_extension_d = r.ReadBits(5);
    NextStartCode();
    StoreSequenceExtension(e);
    FFirstExtensionPending = false;
}

void TM2VStream::ParseSequenceDisplayExtension() {
    TFileBitStream& r = *FReader;
    TSequenceDisplayExtensionRecord& e = FSequenceDisplayExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    e.video_format = r.ReadBits(3);
    e.colour_description = r.ReadBits(1);
    if (e.colour_description == 1) {
        e.colour_primaries = r.ReadBits(8);
        e.transfer_characteristics = r.ReadBits(8);
        e.matrix_coefficients = r.ReadBits(8);
    }
    e.display_horizontal_size = r.ReadBits(14);
    e.marker_bit = r.ReadBits(1);
    e.display_vertical_size = r.ReadBits(14);
    if (!FDisplayExtSeen) {
        FDisplayWidth = static_cast<int32_t>(e.display_horizontal_size);
        FDisplayHeight = static_cast<int32_t>(e.display_vertical_size);
        FDisplayExtSeen = true;
        FPanScan = IsPanScan();
    }
    NextStartCode();
    StoreSequenceDisplayExtension(e);
}

void TM2VStream::ParseSequenceScalableExtension() {
    TFileBitStream& r = *FReader;
    TSequenceScalableExtensionRecord& e = FSequenceScalableExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    e.scalable_mode = r.ReadBits(2);
    e.layer_id = r.ReadBits(4);
    if (e.scalable_mode == 1) {
        e.lower_layer_prediction_horizontal_size = r.ReadBits(14);
        e.marker_bit = r.ReadBits(1);
        e.lower_layer_prediction_vertical_size = r.ReadBits(14);
        e.horizontal_subsampling_factor_m = r.ReadBits(5);
        e.horizontal_subsampling_factor_n = r.ReadBits(5);
        e.vertical_subsampling_factor_m = r.ReadBits(5);
        e.vertical_subsampling_factor_n = r.ReadBits(5);
    }
    if (e.scalable_mode == 3) {
        e.picture_mux_enable = r.ReadBits(1);
        if (e.picture_mux_enable == 1) {
            e.mux_to_progressive_sequence = r.ReadBits(1);
        }
        e.picture_mux_order = r.ReadBits(3);
        e.picture_mux_factor = r.ReadBits(3);
    }
    NextStartCode();
    StoreSequenceScalableExtension(e);
}

void TM2VStream::ParseQuantMatrixExtension() {
    TFileBitStream& r = *FReader;
    TQuantMatrixExtensionRecord& e = FQuantMatrixExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    e.load_intra_quantiser_matrix = r.ReadBits(1);
    if (e.load_intra_quantiser_matrix == 1) {
        ReadMatrix(r, e.intra_quantiser_matrix);
    }
    e.load_non_intra_quantiser_matrix = r.ReadBits(1);
    if (e.load_non_intra_quantiser_matrix == 1) {
        ReadMatrix(r, e.non_intra_quantiser_matrix);
    }
    e.load_chroma_intra_quantiser_matrix = r.ReadBits(1);
    if (e.load_chroma_intra_quantiser_matrix == 1) {
        ReadMatrix(r, e.chroma_intra_quantiser_matrix);
    }
    e.load_chroma_non_intra_quantiser_matrix = r.ReadBits(1);
    if (e.load_chroma_non_intra_quantiser_matrix == 1) {
        ReadMatrix(r, e.chroma_non_intra_quantiser_matrix);
    }
    // This one stores before the search; the stored record is the same either way.
    StoreQuantMatrixExtension(e);
    NextStartCode();
}

void TM2VStream::ParsePictureDisplayExtension() {
    TFileBitStream& r = *FReader;
    TPictureDisplayExtensionRecord& e = FPictureDisplayExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    const TPictureCodingExtensionRecord& pce = FPictureCodingExtension;
    int count = 0;
    if (FSequenceExtension.progressive_sequence == 1) {
        if (pce.repeat_first_field == 1) {
            count = pce.top_field_first == 1 ? 3 : 2;
        } else {
            count = 1;
        }
    } else if (pce.picture_structure == 1 || pce.picture_structure == 2) {
        count = 1;
    } else {
        count = pce.repeat_first_field == 1 ? 3 : 2;
    }
    for (int i = 0; i < count; ++i) {
        TFrameCentreOffset& o = e.offsets[i];
        o.frame_centre_horizontal_offset = r.ReadBits(16);
        o.marker_bit1 = r.ReadBits(1);
        o.frame_centre_vertical_offset = r.ReadBits(16);
        o.marker_bit2 = r.ReadBits(1);
    }
    NextStartCode();
    StorePictureDisplayExtension(e);
}

void TM2VStream::ParsePictureSpatialScalableExtension() {
    TFileBitStream& r = *FReader;
    TPictureSpatialScalableExtensionRecord& e = FPictureSpatialScalableExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    e.lower_layer_temporal_reference = r.ReadBits(10);
    e.marker_bit1 = r.ReadBits(1);
    e.lower_layer_horizontal_offset = r.ReadBits(15);
    e.marker_bit2 = r.ReadBits(1);
    e.lower_layer_vertical_offset = r.ReadBits(15);
    e.spatial_temporal_weight_code_table_index = r.ReadBits(2);
    e.lower_layer_progressive_frame = r.ReadBits(1);
    e.lower_layer_deinterlaced_field_select = r.ReadBits(1);
    NextStartCode();
    StorePictureSpatialScalableExtension(e);
}

void TM2VStream::ParsePictureTemporalScalableExtension() {
    TFileBitStream& r = *FReader;
    TPictureTemporalScalableExtensionRecord& e = FPictureTemporalScalableExtension;
    e.extension_start_code_identifier = r.ReadBits(4);
    e.reference_select_code = r.ReadBits(2);
    e.forward_temporal_reference = r.ReadBits(10);
    e.marker_bit = r.ReadBits(1);
    e.backward_temporal_reference = r.ReadBits(10);
    NextStartCode();
    StorePictureTemporalScalableExtension(e);
}

}  // namespace velmora
