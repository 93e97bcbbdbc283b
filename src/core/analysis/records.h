// Parsed header records. They are copied byte for byte into the header list and the analysis cache,
// so their layouts (packed, little-endian, no padding) are part of the cache file format: never reorder
// or resize a field.
#pragma once

#include <cstdint>

namespace velmora {

#pragma pack(push, 1)

struct TSequenceHeaderRecord {
    uint32_t StartCode;
    uint32_t horizontal_size_value;
    uint32_t vertical_size_value;
    uint32_t aspect_ratio_information;
    uint32_t frame_rate_code;
    uint32_t bit_rate_value;
    uint32_t marker_bit;
    uint32_t vbv_buffer_size_value;
    uint32_t constrained_parameters_flag;
    uint32_t load_intra_quantiser_matrix;
    uint32_t load_non_intra_quantiser_matrix;
    int64_t Ordinal;
    uint8_t intra_quantiser_matrix[64];
    uint8_t non_intra_quantiser_matrix[64];
};

struct TSequenceExtensionRecord {
    uint32_t StartCode;
    uint32_t extension_start_code_identifier;
    uint32_t profile_and_level_indication;
    uint32_t progressive_sequence;
    uint32_t chroma_format;
    uint32_t horizontal_size_extension;
    uint32_t vertical_size_extension;
    uint32_t bit_rate_extension;
    uint32_t marker_bit;
    uint32_t vbv_buffer_size_extension;
    uint32_t low_delay;
    uint32_t frame_rate_extension_n;
    uint32_t frame_rate_extension_d;
};

struct TSequenceDisplayExtensionRecord {
    uint32_t extension_start_code_identifier;
    uint32_t video_format;
    uint32_t colour_description;
    uint32_t colour_primaries;
    uint32_t transfer_characteristics;
    uint32_t matrix_coefficients;
    uint32_t display_horizontal_size;
    uint32_t marker_bit;
    uint32_t display_vertical_size;
};

struct TSequenceScalableExtensionRecord {
    uint32_t extension_start_code_identifier;
    uint32_t scalable_mode;
    uint32_t layer_id;
    uint32_t lower_layer_prediction_horizontal_size;
    uint32_t marker_bit;
    uint32_t lower_layer_prediction_vertical_size;
    uint32_t horizontal_subsampling_factor_m;
    uint32_t horizontal_subsampling_factor_n;
    uint32_t vertical_subsampling_factor_m;
    uint32_t vertical_subsampling_factor_n;
    uint32_t picture_mux_enable;
    uint32_t mux_to_progressive_sequence;
    uint32_t picture_mux_order;
    uint32_t picture_mux_factor;
};

struct TQuantMatrixExtensionRecord {
    uint32_t extension_start_code_identifier;
    uint32_t load_intra_quantiser_matrix;
    uint8_t intra_quantiser_matrix[64];
    uint32_t load_non_intra_quantiser_matrix;
    uint8_t non_intra_quantiser_matrix[64];
    uint32_t load_chroma_intra_quantiser_matrix;
    uint8_t chroma_intra_quantiser_matrix[64];
    uint32_t load_chroma_non_intra_quantiser_matrix;
    uint8_t chroma_non_intra_quantiser_matrix[64];
};

struct TFrameCentreOffset {
    uint32_t frame_centre_horizontal_offset;  // 16 bits as read, not sign-extended
    uint32_t marker_bit1;
    uint32_t frame_centre_vertical_offset;  // 16 bits as read
    uint32_t marker_bit2;
};

struct TPictureDisplayExtensionRecord {
    uint32_t extension_start_code_identifier;
    TFrameCentreOffset offsets[3];
};

struct TPictureSpatialScalableExtensionRecord {
    uint32_t extension_start_code_identifier;
    uint32_t lower_layer_temporal_reference;
    uint32_t marker_bit1;
    uint32_t lower_layer_horizontal_offset;
    uint32_t marker_bit2;
    uint32_t lower_layer_vertical_offset;
    uint32_t spatial_temporal_weight_code_table_index;
    uint32_t lower_layer_progressive_frame;
    uint32_t lower_layer_deinterlaced_field_select;
};

struct TPictureTemporalScalableExtensionRecord {
    uint32_t extension_start_code_identifier;
    uint32_t reference_select_code;
    uint32_t forward_temporal_reference;
    uint32_t marker_bit;
    uint32_t backward_temporal_reference;
};

struct TGopHeaderRecord {
    int32_t start_code;
    int32_t drop_frame_flag;
    int32_t time_code_hours;
    int32_t time_code_minutes;
    int32_t marker_bit;
    int32_t time_code_seconds;
    int32_t time_code_pictures;
    int32_t closed_gop;
    int32_t broken_link;
    int32_t gop_number;  // ordinal of this GOP header in the parse, from 1
};

struct TPictureHeaderRecord {
    int32_t start_code;
    int32_t temporal_reference;
    int32_t picture_coding_type;
    int32_t vbv_delay;
    int32_t full_pel_forward_vector;
    int32_t forward_f_code;
    int32_t full_pel_backward_vector;
    int32_t backward_f_code;
    int32_t extra_bit_picture;
    int32_t extra_information_picture;
    int32_t display_index;
    int64_t file_position;  // cut position: the sequence header's prefix for I pictures, else its own
};

struct TPictureCodingExtensionRecord {
    int32_t start_code;
    int32_t extension_start_code_identifier;
    uint8_t f_code[2][2];
    int32_t intra_dc_precision;
    int32_t picture_structure;
    int32_t top_field_first;
    int32_t frame_pred_frame_dct;
    int32_t concealment_motion_vectors;
    int32_t q_scale_type;
    int32_t intra_vlc_format;
    int32_t alternate_scan;
    int32_t repeat_first_field;
    int32_t chroma_420_type;
    int32_t progressive_frame;
    int32_t composite_display_flag;
    int32_t v_axis;
    int32_t field_sequence;
    int32_t sub_carrier;
    int32_t burst_amplitude;
    int32_t sub_carrier_phase;
};

#pragma pack(pop)

static_assert(sizeof(TSequenceHeaderRecord) == 180);
static_assert(sizeof(TSequenceExtensionRecord) == 52);
static_assert(sizeof(TSequenceDisplayExtensionRecord) == 36);
static_assert(sizeof(TSequenceScalableExtensionRecord) == 56);
static_assert(sizeof(TQuantMatrixExtensionRecord) == 276);
static_assert(sizeof(TPictureDisplayExtensionRecord) == 52);
static_assert(sizeof(TPictureSpatialScalableExtensionRecord) == 36);
static_assert(sizeof(TPictureTemporalScalableExtensionRecord) == 20);
static_assert(sizeof(TGopHeaderRecord) == 40);
static_assert(sizeof(TPictureHeaderRecord) == 52);
static_assert(sizeof(TPictureCodingExtensionRecord) == 80);

// The largest record; the size of a header-list entry's data when read back as a block.
inline constexpr int kHeaderDataSize = 276;

}  // namespace velmora
