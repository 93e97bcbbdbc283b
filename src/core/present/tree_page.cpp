// Builds header tree pages: one node per header-list entry, its fields as child lines.
#include "present/tree_page.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "analysis/records.h"
#include "present/value_tables.h"

namespace velmora {
namespace {

// Keeps the sink's drawing locked for the build, also when adding a node throws.
class TUpdateLock {
  public:
    explicit TUpdateLock(ITreeSink& tree) : tree_(tree) { tree_.BeginUpdate(); }
    ~TUpdateLock() { tree_.EndUpdate(); }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;

  private:
    ITreeSink& tree_;
};

template <class T>
std::string Num(T value) {
    return std::to_string(value);
}

// A code followed by its text: "3  ( 16 : 9 )" with gap "  ", "1 ( 4:2:0 )" with gap " ".
std::string CodeAndText(uint32_t code, const std::string& gap, const std::string& text) {
    return Num(code) + gap + "( " + text + " )";
}

bool IsStreamIdKind(int32_t kind) {
    // Non-video start codes whose value is none of the record kinds. 0xCA is no record kind
    // either, so it is shown like its audio stream neighbours rather than dropped.
    return (kind >= 0xB9 && kind <= 0xC1) || kind == 0xCA || (kind >= 0xCC && kind <= 0xD0) ||
           (kind >= 0xD2 && kind <= 0xFF);
}

std::string StreamIdCaption(int32_t kind) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(kind) & 0xFF);
    return "Stream ID: " + std::string(hex) + " - " + StreamIdName(kind);
}

class TPageBuilder {
  public:
    TPageBuilder(ITreeSink& tree, IProgressSink* progress, TreeNodeId& lastPictureNode)
        : tree_(tree), progress_(progress), lastPictureNode_(lastPictureNode) {}

    void AddEntry(const THeaderRecord& entry, bool firstOfPage) {
        switch (entry.Kind) {
            case kind::SequenceHeader:
                AddSequenceHeader(entry);
                break;
            case kind::SequenceExtension:
                AddSequenceExtension(entry);
                break;
            case kind::SequenceDisplayExtension:
                AddSequenceDisplayExtension(entry);
                break;
            case kind::SequenceScalableExtension:
                Top(entry, "Sequence scalable extension", treeimage::Extension);
                break;
            case kind::QuantMatrixExtension:
                Top(entry, "Quant matrix extension", treeimage::Extension);
                break;
            case kind::PictureDisplayExtension:
                Top(entry, "Picture display extension", treeimage::Extension);
                break;
            case kind::PictureSpatialScalableExtension:
                Top(entry, "Spatial scalable extension", treeimage::Extension);
                break;
            case kind::PictureTemporalScalableExtension:
                Top(entry, "Picture temporal scalable extension", treeimage::Extension);
                break;
            case kind::GopHeader:
                AddGopHeader(entry);
                break;
            case kind::PictureHeader:
                AddPictureHeader(entry);
                break;
            case kind::PictureCodingExtension:
                // At the top of a page the entry belongs to the picture that ends the page before.
                if (!firstOfPage) {
                    AddCodingExtension(entry);
                }
                break;
            case kind::SequenceEnd:
                Top(entry, "Sequence END ( " + Num(entry.As<int32_t>()) + " )", treeimage::Line);
                break;
            case kind::FileEnd:
                Top(entry, "FILE END", treeimage::Line);
                break;
            case kind::UserData:
                Top(entry, "User Data", treeimage::UserData);
                break;
            case kind::PictureData:
                Top(entry, "Picture data", treeimage::IFrame);
                break;
            default:
                if (IsStreamIdKind(entry.Kind)) {
                    Top(entry, StreamIdCaption(entry.Kind), treeimage::StreamId);
                }
                break;
        }
    }

  private:
    TreeNodeId Top(const THeaderRecord& entry, const std::string& caption, int image) {
        return tree_.AddNode(kTreeRoot, caption, image, static_cast<int32_t>(entry.Index));
    }
    void Line(TreeNodeId parent, const std::string& text, int image = treeimage::Line) {
        tree_.AddNode(parent, text, image, std::nullopt);
    }

    void AddSequenceHeader(const THeaderRecord& entry) {
        const auto r = entry.As<TSequenceHeaderRecord>();
        const TreeNodeId node =
            Top(entry, "Sequence header ( " + Num(r.Ordinal) + " )", treeimage::SequenceHeader);
        Line(node, "Sequence Header Code: " + Num(r.StartCode));
        Line(node, "Horizontal Size: " + Num(r.horizontal_size_value));
        Line(node, "Vertical Size: " + Num(r.vertical_size_value));
        Line(node, "Aspect Ratio Code: " + CodeAndText(r.aspect_ratio_information, "  ",
                                                       AspectRatioText(r.aspect_ratio_information)));
        Line(node,
             "Frame Rate Code: " + CodeAndText(r.frame_rate_code, "  ", FrameRateText(r.frame_rate_code)));
        Line(node, "Bit Rate Value: " + Num(r.bit_rate_value));
        Line(node, "Marker Bit: " + Num(r.marker_bit));
        Line(node, "\"Video Buffering Verifier\" Buffer Size Value: " + Num(r.vbv_buffer_size_value));
        Line(node, "Constrained Parameters Flag: " + Num(r.constrained_parameters_flag));
        Line(node, "Load Intra Quantiser Matrix: " + YesNoText(r.load_intra_quantiser_matrix != 0));
        Line(node, "Load Non Intra Quantiser Matrix: " + YesNoText(r.load_non_intra_quantiser_matrix != 0));
    }

    void AddSequenceExtension(const THeaderRecord& entry) {
        const auto r = entry.As<TSequenceExtensionRecord>();
        const TreeNodeId node = Top(entry, "Sequence extension", treeimage::Extension);
        Line(node, "Extension Start Code Identifier: " + Num(r.extension_start_code_identifier));
        Line(node, "Profile and Level Indication: " + Num(r.profile_and_level_indication));
        Line(node, "Progressive Sequence: " + Num(r.progressive_sequence));
        Line(node,
             "Chroma Format: " + CodeAndText(r.chroma_format, " ", ChromaFormatText(r.chroma_format)) + " ");
        Line(node, "Horizontal Size Extension: " + Num(r.horizontal_size_extension));
        Line(node, "Vertical Size Extension: " + Num(r.vertical_size_extension));
        Line(node, "Bit Rate Extension: " + Num(r.bit_rate_extension));
        Line(node, "Marker Bit: " + Num(r.marker_bit));
        Line(node, "Vbv Buffer Size Extension: " + Num(r.vbv_buffer_size_extension));
        Line(node, "Low Delay: " + Num(r.low_delay));
        Line(node, "Frame Rate Extension N: " + Num(r.frame_rate_extension_n));
        Line(node, "Frame Rate Extension D: " + Num(r.frame_rate_extension_d));
    }

    void AddSequenceDisplayExtension(const THeaderRecord& entry) {
        const auto r = entry.As<TSequenceDisplayExtensionRecord>();
        const TreeNodeId node = Top(entry, "Sequence display extension", treeimage::Extension);
        Line(node, "Extension Start Code Identifier: " + Num(r.extension_start_code_identifier));
        Line(node, "Video Format: " + Num(r.video_format));
        if (r.colour_description != 0) {
            Line(node, "Colour primaries: " + Num(r.colour_primaries));
            Line(node, "Transfer characteristics: " + Num(r.transfer_characteristics));
            Line(node, "Matrix coefficients: " + Num(r.matrix_coefficients));
        }
        Line(node, "Display horizontal size: " + Num(r.display_horizontal_size));
        Line(node, "Display vertical size: " + Num(r.display_vertical_size));
    }

    void AddGopHeader(const THeaderRecord& entry) {
        const auto r = entry.As<TGopHeaderRecord>();
        const TreeNodeId node =
            Top(entry, "Group of pictures header ( " + Num(r.gop_number) + " )", treeimage::GopHeader);
        Line(node, "Group Start Code: " + Num(r.start_code));
        Line(node, "Drop Frame Flag: " + YesNoText(r.drop_frame_flag != 0));
        Line(node, "Time Code Hours: " + Num(r.time_code_hours), treeimage::TimeCode);
        Line(node, "Time Code Minutes: " + Num(r.time_code_minutes), treeimage::TimeCode);
        Line(node, "Marker Bit: " + Num(r.marker_bit));
        Line(node, "Time Code Seconds: " + Num(r.time_code_seconds), treeimage::TimeCode);
        Line(node, "Time Code Pictures: " + Num(r.time_code_pictures), treeimage::TimeCode);
        Line(node, "Closed Gop: " + Num(r.closed_gop));
        Line(node, "Broken Link: " + Num(r.broken_link));
        if (progress_ != nullptr) {
            progress_->SetPosition(r.gop_number);
        }
    }

    static int PictureImage(int32_t picture_coding_type) {
        switch (picture_coding_type) {
            case 1:
                return treeimage::IFrame;
            case 2:
                return treeimage::PFrame;
            case 3:
                return treeimage::BFrame;
            default:
                return treeimage::None;
        }
    }

    void AddPictureHeader(const THeaderRecord& entry) {
        const auto r = entry.As<TPictureHeaderRecord>();
        const TreeNodeId node = Top(entry, PictureTypeCaption(static_cast<uint32_t>(r.picture_coding_type)),
                                    PictureImage(r.picture_coding_type));
        lastPictureNode_ = node;
        Line(node, "Temporal Reference: " + Num(r.temporal_reference));
        Line(node, "VBV Delay: " + Num(r.vbv_delay));
        Line(node, "Full Pel Forward Vector: " + Num(r.full_pel_forward_vector));
        Line(node, "Forward F Code: " + Num(r.forward_f_code));
        Line(node, "Full Pel Backward Vector: " + Num(r.full_pel_backward_vector));
        Line(node, "Backward F Code: " + Num(r.backward_f_code));
        Line(node, "Extra Bit Picture: " + Num(r.extra_bit_picture));
        Line(node, "Extra Information Picture: " + Num(r.extra_information_picture));
        Line(node, "Display Order: " + Num(r.display_index));
        Line(node, "File position: " + Num(r.file_position));
    }

    // Hangs under the last picture of the page. Before any picture of the page (only a stray
    // non-video 0xC9 code of an extended list gets here) it becomes a top-level node, so that the
    // entry is still shown.
    void AddCodingExtension(const THeaderRecord& entry) {
        const auto r = entry.As<TPictureCodingExtensionRecord>();
        const TreeNodeId node = tree_.AddNode(lastPictureNode_, "Coding extension",
                                              treeimage::CodingExtension, static_cast<int32_t>(entry.Index));
        Line(node, "Intra DC Precision: " + CodeAndText(static_cast<uint32_t>(r.intra_dc_precision), " ",
                                                        IntraDcPrecisionText(r.intra_dc_precision)));
        Line(node, "Picture Structure: " + CodeAndText(static_cast<uint32_t>(r.picture_structure), " ",
                                                       PictureStructureText(r.picture_structure)));
        Line(node, "Top Field First: " + Num(r.top_field_first));
        Line(node, "Frame Pred Frame DCT: " + Num(r.frame_pred_frame_dct));
        Line(node, "Concealment Motion Vectors: " + Num(r.concealment_motion_vectors));
        Line(node, "Q-Scale Type: " + Num(r.q_scale_type));
        Line(node, "Intra VLC Format: " + Num(r.intra_vlc_format));
        Line(node, "Alternate Scan: " + Num(r.alternate_scan));
        Line(node, "Repeat First Field: " + Num(r.repeat_first_field));
        Line(node, "Chroma 420 Type: " + Num(r.chroma_420_type));
        Line(node, "Progressive Frame: " + Num(r.progressive_frame));
        Line(node, "Composite Display Flag: " + Num(r.composite_display_flag));
        Line(node, "V-Axis: " + Num(r.v_axis));
        Line(node, "Field Sequence: " + Num(r.field_sequence));
        Line(node, "Sub Carrier: " + Num(r.sub_carrier));
        Line(node, "Burst Amplitude: " + Num(r.burst_amplitude));
        Line(node, "Sub Carrier Phase: " + Num(r.sub_carrier_phase));
    }

    ITreeSink& tree_;
    IProgressSink* progress_;
    TreeNodeId& lastPictureNode_;
};

}  // namespace

void BuildTreePage(const THeaderList& headers, int64_t FirstEntry, int64_t EntryCount, ITreeSink& tree,
                   IProgressSink* progress, int64_t gopCount, TreeNodeId& lastPictureNode) {
    TUpdateLock lock(tree);
    lastPictureNode = kTreeRoot;
    if (progress != nullptr) {
        progress->SetMin(0);
        progress->SetMax(gopCount);
        progress->SetPosition(0);
    }
    // Entries are numbered from 1; the page is clipped to the list without overflowing.
    const int64_t first = std::max<int64_t>(FirstEntry, 1);
    if (EntryCount <= 0 || first > headers.size()) {
        return;
    }
    const int64_t pageEnd = EntryCount > headers.size() - first ? headers.size() : first - 1 + EntryCount;
    TPageBuilder builder(tree, progress, lastPictureNode);
    for (int64_t n = first; n <= pageEnd; ++n) {
        builder.AddEntry(headers[n - 1], n == first);
    }
}

void TM2VStream::BuildTreePage(int64_t FirstEntry, int64_t EntryCount) {
    if (FTreeView != nullptr) {
        velmora::BuildTreePage(FHeaders, FirstEntry, EntryCount, *FTreeView, FProgressBar, FGopCount,
                               FLastPictureNode);
    }
}

}  // namespace velmora
