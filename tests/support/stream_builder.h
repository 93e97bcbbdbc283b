// Builds exact video elementary stream fixtures: a bit writer plus one helper per header kind, each
// taking a struct of every coded field with conforming defaults (720x576, 25 frames/s, MP@ML).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// Writes bits most significant first; a partly filled byte is completed with zero bits on AlignToByte.
class TBitWriter {
  public:
    // The low Width bits of Value (Width 0 to 32).
    void PutBits(uint32_t Value, int Width);
    void PutBit(uint32_t Value) { PutBits(Value, 1); }
    // Pads with zero bits up to the next byte boundary.
    void AlignToByte();
    // Aligns, then appends the bytes as they are.
    void PutBytes(const std::vector<uint8_t>& Bytes);
    // Aligns, then writes 00 00 01 Value.
    void PutStartCode(uint8_t Value);

    bool Aligned() const { return FBitCount == 0; }
    // Offset of the next whole byte to be written; lets a test note where a header begins.
    int64_t Offset() const { return static_cast<int64_t>(FBytes.size()); }
    // The stream so far, aligned with zero bits.
    std::vector<uint8_t> Bytes() const;
    void WriteToFile(const std::string& Path) const;

  private:
    std::vector<uint8_t> FBytes;
    uint32_t FPending = 0;  // bits not yet forming a whole byte, in the low FBitCount bits
    int FBitCount = 0;
};

using TQuantMatrix = std::array<uint8_t, 64>;

// A matrix with every entry 16; distinct entries make a test see a swapped or shifted matrix.
TQuantMatrix FlatMatrix();
// Entries 1, 2, ..., 64 in coded order.
TQuantMatrix RampMatrix();

struct TSequenceHeaderFields {
    uint32_t horizontal_size_value = 720;
    uint32_t vertical_size_value = 576;
    uint32_t aspect_ratio_information = 2;  // 4:3
    uint32_t frame_rate_code = 3;           // 25
    uint32_t bit_rate_value = 15000;        // 6 Mbit/s in 400 bit/s units
    uint32_t marker_bit = 1;
    uint32_t vbv_buffer_size_value = 112;
    uint32_t constrained_parameters_flag = 0;
    uint32_t load_intra_quantiser_matrix = 0;
    TQuantMatrix intra_quantiser_matrix = FlatMatrix();
    uint32_t load_non_intra_quantiser_matrix = 0;
    TQuantMatrix non_intra_quantiser_matrix = FlatMatrix();
};

struct TSequenceExtensionFields {
    uint32_t extension_start_code_identifier = 1;
    uint32_t profile_and_level_indication = 0x48;  // Main profile at Main level
    uint32_t progressive_sequence = 0;
    uint32_t chroma_format = 1;  // 4:2:0
    uint32_t horizontal_size_extension = 0;
    uint32_t vertical_size_extension = 0;
    uint32_t bit_rate_extension = 0;
    uint32_t marker_bit = 1;
    uint32_t vbv_buffer_size_extension = 0;
    uint32_t low_delay = 0;
    uint32_t frame_rate_extension_n = 0;
    uint32_t frame_rate_extension_d = 0;
};

struct TSequenceDisplayExtensionFields {
    uint32_t extension_start_code_identifier = 2;
    uint32_t video_format = 1;  // PAL
    uint32_t colour_description = 1;
    uint32_t colour_primaries = 5;
    uint32_t transfer_characteristics = 5;
    uint32_t matrix_coefficients = 5;
    uint32_t display_horizontal_size = 720;
    uint32_t marker_bit = 1;
    uint32_t display_vertical_size = 576;
};

// The spatial fields are written for scalable_mode 1, the picture mux fields for scalable_mode 3.
struct TSequenceScalableExtensionFields {
    uint32_t extension_start_code_identifier = 5;
    uint32_t scalable_mode = 1;  // spatial
    uint32_t layer_id = 1;
    uint32_t lower_layer_prediction_horizontal_size = 352;
    uint32_t marker_bit = 1;
    uint32_t lower_layer_prediction_vertical_size = 288;
    uint32_t horizontal_subsampling_factor_m = 1;
    uint32_t horizontal_subsampling_factor_n = 2;
    uint32_t vertical_subsampling_factor_m = 1;
    uint32_t vertical_subsampling_factor_n = 2;
    uint32_t picture_mux_enable = 0;
    uint32_t mux_to_progressive_sequence = 0;
    uint32_t picture_mux_order = 0;
    uint32_t picture_mux_factor = 0;
};

struct TQuantMatrixExtensionFields {
    uint32_t extension_start_code_identifier = 3;
    uint32_t load_intra_quantiser_matrix = 1;
    TQuantMatrix intra_quantiser_matrix = RampMatrix();
    uint32_t load_non_intra_quantiser_matrix = 0;
    TQuantMatrix non_intra_quantiser_matrix = FlatMatrix();
    uint32_t load_chroma_intra_quantiser_matrix = 0;
    TQuantMatrix chroma_intra_quantiser_matrix = FlatMatrix();
    uint32_t load_chroma_non_intra_quantiser_matrix = 0;
    TQuantMatrix chroma_non_intra_quantiser_matrix = FlatMatrix();
};

struct TFrameCentreOffsetFields {
    uint32_t frame_centre_horizontal_offset = 0;
    uint32_t marker_bit1 = 1;
    uint32_t frame_centre_vertical_offset = 0;
    uint32_t marker_bit2 = 1;
};

struct TPictureDisplayExtensionFields {
    uint32_t extension_start_code_identifier = 7;
    // The coded count depends on the picture (1 to 3); the builder writes exactly this many.
    std::vector<TFrameCentreOffsetFields> offsets{TFrameCentreOffsetFields{}};
};

struct TPictureSpatialScalableExtensionFields {
    uint32_t extension_start_code_identifier = 9;
    uint32_t lower_layer_temporal_reference = 0;
    uint32_t marker_bit1 = 1;
    uint32_t lower_layer_horizontal_offset = 0;
    uint32_t marker_bit2 = 1;
    uint32_t lower_layer_vertical_offset = 0;
    uint32_t spatial_temporal_weight_code_table_index = 0;
    uint32_t lower_layer_progressive_frame = 0;
    uint32_t lower_layer_deinterlaced_field_select = 0;
};

struct TPictureTemporalScalableExtensionFields {
    uint32_t extension_start_code_identifier = 10;
    uint32_t reference_select_code = 0;
    uint32_t forward_temporal_reference = 0;
    uint32_t marker_bit = 1;
    uint32_t backward_temporal_reference = 0;
};

struct TGopHeaderFields {
    uint32_t drop_frame_flag = 0;
    uint32_t time_code_hours = 0;
    uint32_t time_code_minutes = 0;
    uint32_t marker_bit = 1;
    uint32_t time_code_seconds = 0;
    uint32_t time_code_pictures = 0;
    uint32_t closed_gop = 1;
    uint32_t broken_link = 0;
};

// The vector fields follow picture_coding_type as in the stream: forward for P and B, backward for B.
struct TPictureHeaderFields {
    uint32_t temporal_reference = 0;
    uint32_t picture_coding_type = 1;  // 1 I, 2 P, 3 B, 4 D
    uint32_t vbv_delay = 0xFFFF;
    uint32_t full_pel_forward_vector = 0;
    uint32_t forward_f_code = 7;
    uint32_t full_pel_backward_vector = 0;
    uint32_t backward_f_code = 7;
    // Each byte is written as extra_bit_picture 1 then extra_information_picture; a final 0 ends them.
    std::vector<uint8_t> extra_information_picture;
};

struct TPictureCodingExtensionFields {
    uint32_t extension_start_code_identifier = 8;
    uint32_t f_code[2][2] = {{15, 15}, {15, 15}};
    uint32_t intra_dc_precision = 0;
    uint32_t picture_structure = 3;  // frame
    uint32_t top_field_first = 1;
    uint32_t frame_pred_frame_dct = 0;
    uint32_t concealment_motion_vectors = 0;
    uint32_t q_scale_type = 0;
    uint32_t intra_vlc_format = 0;
    uint32_t alternate_scan = 0;
    uint32_t repeat_first_field = 0;
    uint32_t chroma_420_type = 0;
    uint32_t progressive_frame = 0;
    uint32_t composite_display_flag = 0;
    uint32_t v_axis = 0;
    uint32_t field_sequence = 0;
    uint32_t sub_carrier = 0;
    uint32_t burst_amplitude = 0;
    uint32_t sub_carrier_phase = 0;
};

// Start code values used by the builder.
namespace code {
inline constexpr uint8_t Picture = 0x00;
inline constexpr uint8_t FirstSlice = 0x01;
inline constexpr uint8_t LastSlice = 0xAF;
inline constexpr uint8_t UserData = 0xB2;
inline constexpr uint8_t SequenceHeader = 0xB3;
inline constexpr uint8_t Extension = 0xB5;
inline constexpr uint8_t SequenceEnd = 0xB7;
inline constexpr uint8_t Gop = 0xB8;
inline constexpr uint8_t ProgramEnd = 0xB9;
inline constexpr uint8_t PackHeader = 0xBA;
inline constexpr uint8_t SystemHeader = 0xBB;
inline constexpr uint8_t Padding = 0xBE;
}  // namespace code

// Every helper starts with its start code (aligned) and ends on a byte boundary, so helpers chain:
//   TStreamBuilder b; b.SequenceHeader().SequenceExtension().Gop().Picture().PictureCodingExtension()
//    .Slices(1, 36).SequenceEnd(); b.WriteToFile(path);
class TStreamBuilder : public TBitWriter {
  public:
    TStreamBuilder& SequenceHeader(const TSequenceHeaderFields& F = {});
    TStreamBuilder& SequenceExtension(const TSequenceExtensionFields& F = {});
    TStreamBuilder& SequenceDisplayExtension(const TSequenceDisplayExtensionFields& F = {});
    TStreamBuilder& SequenceScalableExtension(const TSequenceScalableExtensionFields& F = {});
    TStreamBuilder& QuantMatrixExtension(const TQuantMatrixExtensionFields& F = {});
    TStreamBuilder& PictureDisplayExtension(const TPictureDisplayExtensionFields& F = {});
    TStreamBuilder& PictureSpatialScalableExtension(const TPictureSpatialScalableExtensionFields& F = {});
    TStreamBuilder& PictureTemporalScalableExtension(const TPictureTemporalScalableExtensionFields& F = {});
    // An extension start code, the 4-bit identifier and then raw payload bytes (e.g. copyright).
    TStreamBuilder& RawExtension(uint32_t Identifier, const std::vector<uint8_t>& Payload);
    TStreamBuilder& Gop(const TGopHeaderFields& F = {});
    TStreamBuilder& Picture(const TPictureHeaderFields& F = {});
    // Shorthand for a picture header of the given type and temporal reference.
    TStreamBuilder& Picture(uint32_t PictureCodingType, uint32_t TemporalReference);
    TStreamBuilder& PictureCodingExtension(const TPictureCodingExtensionFields& F = {});
    // A whole MPEG-2 picture: its header, its coding extension and slices 1..SliceCount.
    TStreamBuilder& CodedPicture(const TPictureHeaderFields& Header,
                                 const TPictureCodingExtensionFields& Coding = {}, int SliceCount = 2);
    TStreamBuilder& UserData(const std::vector<uint8_t>& Payload);
    TStreamBuilder& UserData(const std::string& Text);
    // One slice: its start code (0x01..0xAF) and DataBytes bytes of data free of 00 00 01.
    TStreamBuilder& Slice(uint8_t Code, int DataBytes = 8);
    // Slices First..Last in order, each with DataBytes bytes of data.
    TStreamBuilder& Slices(uint8_t First, uint8_t Last, int DataBytes = 8);
    // A system-layer start code (0xB9..0xFF) followed by the payload as it is.
    TStreamBuilder& SystemPacket(uint8_t Code, const std::vector<uint8_t>& Payload = {});
    // A padding packet: 0xBE, a 16-bit length, then that many 0xFF bytes.
    TStreamBuilder& PaddingPacket(uint16_t Length);
    // An MPEG-2 pack header (0xBA, 10 bytes: SCR 0, mux rate 25200, no stuffing).
    TStreamBuilder& PackHeader();
    TStreamBuilder& SequenceEnd();
    // Raw bytes with no start code (e.g. garbage before the first header).
    TStreamBuilder& Raw(const std::vector<uint8_t>& Bytes);
};

}  // namespace velmora::test
