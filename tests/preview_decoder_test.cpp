// The picture preview's decoder: pictures of ffmpeg-made and real streams against the frame ffmpeg
// itself decodes at the same display position, and the messages for pictures that can not be shown.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "preview/file_stream_reader.h"
#include "preview/picture_decoder.h"
#include "preview/preview_error.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/cli_run.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

bool HaveFfmpeg() {
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// Every frame ffmpeg decodes from Stream, in display order, as packed RGB of Width x Height.
std::vector<std::vector<uint8_t>> FfmpegFrames(const std::string& Stream, const TempDir& Dir, int Width,
                                               int Height) {
    const std::string raw = Dir.File("reference.rgb");
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -i " + ShellQuote(Stream) +
                                " -fps_mode passthrough -sws_flags bicubic -f rawvideo -pix_fmt rgb24 " +
                                ShellQuote(raw);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<uint8_t> bytes = ReadFileBytes(raw);
    const size_t frameBytes = static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
    }
    return frames;
}

double Psnr(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B) {
    if (A.size() != B.size() || A.empty()) {
        return 0;
    }
    double sum = 0;
    for (size_t i = 0; i < A.size(); ++i) {
        const double d = static_cast<double>(A[i]) - static_cast<double>(B[i]);
        sum += d * d;
    }
    return sum == 0 ? std::numeric_limits<double>::infinity()
                    : 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(A.size())));
}

// List indices of the picture headers, in stream order.
std::vector<int64_t> PictureEntries(const THeaderList& Headers) {
    std::vector<int64_t> entries;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (Headers.Kind(i) == kind::PictureHeader && !Headers[i].Data.empty()) {
            entries.push_back(i);
        }
    }
    return entries;
}

// Removes every sequence header (with its extensions) but the first from the stream at Path.
void KeepFirstSequenceHeader(const std::string& Path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(Path);
    std::vector<uint8_t> kept;
    bool seen = false;
    bool skipping = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool startCode =
            i + 3 < bytes.size() && bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1;
        if (startCode && bytes[i + 3] == 0xB3) {
            skipping = seen;
            seen = true;
        } else if (startCode && bytes[i + 3] != 0xB5) {
            skipping = false;
        }
        if (!skipping) {
            kept.push_back(bytes[i]);
        }
    }
    WriteFileBytes(Path, kept);
}

// A copy of a stream analysed in tree mode, and a decoder reading it.
struct TPreviewedStream {
    TempDir Dir;
    std::string Path;
    TAnalysed Analysed;
    std::vector<int64_t> Pictures;

    explicit TPreviewedStream(const fs::path& Source, bool OneSequenceHeader = false)
        : Path(Dir.File(Source.filename().string())) {
        fs::copy_file(Source, Path);
        if (OneSequenceHeader) {
            KeepFirstSequenceHeader(Path);
        }
        Analysed = AnalyseFile(Path, kShowTreeMode);
        Pictures = PictureEntries(Analysed.Stream->FHeaders);
    }
    TRgbImage Decode(int64_t Entry) {
        TFileStreamReader reader(Path);
        return MakePictureDecoder(reader)->DecodePicture(Analysed.Stream->FHeaders, Entry);
    }
    std::string Failure(int64_t Entry) {
        try {
            Decode(Entry);
        } catch (const EPreviewError& e) {
            return e.what();
        }
        return "";
    }
};

struct TPictureCase {
    const char* File;
    int64_t Picture;  // stream order, from 1
    int DisplayIndex;
    const char* What;
    bool OneSequenceHeader = false;  // the repeated sequence headers taken out: only the first is left
};

class PreviewSamplePicture : public ::testing::TestWithParam<TPictureCase> {};

TEST_P(PreviewSamplePicture, EqualsFfmpegsFrameAtItsDisplayIndex) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const TPictureCase& c = GetParam();
    TPreviewedStream stream(fs::path(VELMORA_TEST_DATA_DIR) / c.File, c.OneSequenceHeader);
    ASSERT_GE(static_cast<int64_t>(stream.Pictures.size()), c.Picture);
    const TRgbImage image = stream.Decode(stream.Pictures[static_cast<size_t>(c.Picture - 1)]);
    ASSERT_EQ(image.Width, 720);
    ASSERT_EQ(image.Height, 576);
    const auto frames = FfmpegFrames(stream.Path, stream.Dir, 720, 576);
    ASSERT_GT(static_cast<int>(frames.size()), c.DisplayIndex);
    EXPECT_GT(Psnr(image.Pixels, frames[static_cast<size_t>(c.DisplayIndex)]), 40.0) << c.What;
    // The pictures move: a neighbour is plainly different, so a picture off by one would fail above.
    EXPECT_LT(Psnr(image.Pixels, frames[static_cast<size_t>(c.DisplayIndex == 0 ? 1 : c.DisplayIndex - 1)]),
              40.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewSamplePicture,
    ::testing::Values(
        TPictureCase{"preview_pal.m2v", 1, 0, "the first I picture"},
        TPictureCase{"preview_pal.m2v", 11, 12, "the last P picture of the closed GOP"},
        TPictureCase{"preview_pal.m2v", 13, 11, "a B picture before the next GOP"},
        TPictureCase{"preview_pal.m2v", 14, 15, "the I picture of the open GOP"},
        TPictureCase{"preview_pal.m2v", 15, 13, "a leading B picture of the open GOP"},
        TPictureCase{"preview_pal.m2v", 18, 16, "the last picture, a B picture"},
        TPictureCase{"preview_pal.m2v", 14, 15, "an I picture after the only sequence header", true},
        TPictureCase{"preview_pal.m2v", 15, 13, "a leading B picture after it", true},
        TPictureCase{"preview_pal.m2v", 18, 16, "the last picture, a B picture, after it", true},
        TPictureCase{"preview_pal_422.m2v", 6, 4, "4:2:2: a leading B picture"},
        TPictureCase{"preview_pal_422.m2v", 8, 7, "4:2:2: a P picture after an open GOP's I"}));

// Field pictures (frames of two fields, I/P pairs, an I frame inside a GOP) of the corpus; each
// stream there is one GOP, so a frame's temporal reference is its display index.
TEST(PreviewCorpus, FieldPictureFramesEqualFfmpegsFrames) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    int checked = 0;
    for (const char* name : {"sony-ct3.m2v", "Tek8-422-16x8inBpics.m2v"}) {
        const fs::path source = CorpusDir() / "libmpeg2-streams" / name;
        if (!fs::exists(source)) {
            continue;
        }
        TPreviewedStream stream(source);
        const THeaderList& headers = stream.Analysed.Stream->FHeaders;
        const TRgbImage first = stream.Decode(stream.Pictures.front());
        const auto frames = FfmpegFrames(stream.Path, stream.Dir, first.Width, first.Height);
        for (const int64_t entry : stream.Pictures) {
            const int32_t display = headers[entry].As<TPictureHeaderRecord>().temporal_reference;
            ASSERT_LT(display, static_cast<int32_t>(frames.size())) << name;
            EXPECT_GT(Psnr(stream.Decode(entry).Pixels, frames[static_cast<size_t>(display)]), 40.0)
                << name << ", entry " << entry;
        }
        ++checked;
    }
    if (checked == 0) {
        GTEST_SKIP() << "the corpus is not here";
    }
}

TEST(PreviewFailure, DamagedOrChangedStreamsGiveTheReason) {
    TPreviewedStream stream(fs::path(VELMORA_TEST_DATA_DIR) / "preview_pal.m2v");
    const int64_t lastP = stream.Pictures[10];  // coded at 26338, its B pictures follow at 28098
    const int64_t bAfterIt = stream.Pictures[11];
    const int64_t firstI = stream.Pictures[0];
    EXPECT_NE(stream.Failure(stream.Pictures[0] - 1), "") << "not a picture entry";
    EXPECT_EQ(stream.Failure(firstI), "");

    // Slice bytes of the P picture overwritten: it and the B picture that refers to it fail.
    std::vector<uint8_t> bytes = ReadFileBytes(stream.Path);
    for (size_t i = 26338 + 200; i < 26338 + 1200; ++i) {
        bytes[i] = 0xFF;
    }
    WriteFileBytes(stream.Path, bytes);
    EXPECT_NE(stream.Failure(lastP).find("is damaged"), std::string::npos) << stream.Failure(lastP);
    EXPECT_NE(stream.Failure(bAfterIt).find("which this one depends on"), std::string::npos)
        << stream.Failure(bAfterIt);
    EXPECT_EQ(stream.Failure(firstI), "");

    // Cut short after the analysis.
    bytes.resize(20000);
    WriteFileBytes(stream.Path, bytes);
    EXPECT_NE(stream.Failure(lastP).find("changed since it was analysed"), std::string::npos)
        << stream.Failure(lastP);
}

}  // namespace
}  // namespace velmora::test
