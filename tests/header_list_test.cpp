#include "analysis/header_list.h"

#include <gtest/gtest.h>

#include "analysis/header_kinds.h"
#include "analysis/records.h"

namespace velmora {
namespace {

TEST(HeaderList, KeepsEachRecordExactlyAcrossChunks) {
    THeaderList list;
    // Enough picture records to fill several arena chunks.
    const int count = 40000;
    for (int i = 0; i < count; ++i) {
        TPictureHeaderRecord pic{};
        pic.temporal_reference = i % 1024;
        pic.display_index = i;
        pic.file_position = int64_t{i} * 1000003;
        list.Append(kind::PictureHeader, pic);
        list.AppendEmpty(kind::PictureData);
    }
    ASSERT_EQ(list.size(), 2 * count);
    for (int i = 0; i < count; ++i) {
        const THeaderRecord rec = list[2 * i];
        EXPECT_EQ(rec.Kind, kind::PictureHeader);
        EXPECT_EQ(rec.Index, 2 * i);
        const auto pic = rec.As<TPictureHeaderRecord>();
        ASSERT_EQ(pic.display_index, i);
        const int64_t file_position = pic.file_position;  // packed field: compare by value
        ASSERT_EQ(file_position, int64_t{i} * 1000003);
        EXPECT_TRUE(list[2 * i + 1].Data.empty());
    }
}

TEST(HeaderList, ShortEntryReadsAsZeroBeyondItsBytesAndCanBeChanged) {
    THeaderList list;
    const uint8_t first52[52] = {0xB3};
    list.Append(kind::SequenceHeader, first52, sizeof first52);
    auto seq = list[0].As<TSequenceHeaderRecord>();
    EXPECT_EQ(seq.StartCode, 0xB3u);
    EXPECT_EQ(seq.intra_quantiser_matrix[0], 0);

    const int64_t ordinal = 42;
    std::memcpy(list.MutableData(0).data() + offsetof(TSequenceHeaderRecord, Ordinal), &ordinal, 8);
    const int64_t stored = list[0].As<TSequenceHeaderRecord>().Ordinal;
    EXPECT_EQ(stored, 42);
}

TEST(HeaderList, PopBackRemovesTrailingEntries) {
    THeaderList list;
    list.AppendEmpty(kind::GopHeader);
    TPictureHeaderRecord marker{};
    marker.file_position = 1200;
    list.Append(kind::PictureHeader, marker);
    list.PopBack();
    list.PopBack();
    EXPECT_TRUE(list.empty());
    list.Append(kind::PictureHeader, marker);
    const int64_t file_position = list[0].As<TPictureHeaderRecord>().file_position;
    EXPECT_EQ(file_position, 1200);
}

}  // namespace
}  // namespace velmora
