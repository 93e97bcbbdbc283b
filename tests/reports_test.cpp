#include "present/reports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

void AddGop(THeaderList& headers, int32_t gop_number) {
    TGopHeaderRecord gop{};
    gop.start_code = 184;
    gop.gop_number = gop_number;
    headers.Append(kind::GopHeader, gop);
}

void AddPicture(THeaderList& headers, int32_t picture_coding_type, int32_t display_index) {
    TPictureHeaderRecord picture{};
    picture.picture_coding_type = picture_coding_type;
    picture.display_index = display_index;
    headers.Append(kind::PictureHeader, picture);
    // Entries of other kinds around the pictures are passed over by both reports.
    TPictureCodingExtensionRecord extension{};
    extension.picture_structure = 3;
    headers.Append(kind::PictureCodingExtension, extension);
    headers.AppendEmpty(kind::PictureData);
}

// Two GOPs of I B B P, display indexes 2, 0, 1, 3 and 6, 4, 5, 7.
THeaderList TwoGops() {
    THeaderList headers;
    headers.AppendEmpty(kind::SequenceHeader);
    headers.AppendEmpty(kind::SequenceExtension);
    for (int32_t g = 0; g < 2; ++g) {
        AddGop(headers, g + 1);
        AddPicture(headers, 1, 4 * g + 2);
        AddPicture(headers, 3, 4 * g + 0);
        AddPicture(headers, 3, 4 * g + 1);
        AddPicture(headers, 2, 4 * g + 3);
    }
    headers.AppendEmpty(kind::SequenceEnd);
    headers.AppendEmpty(kind::FileEnd);
    return headers;
}

std::string DisplayOrder(const THeaderList& headers, const std::string& name = "C:\\v\\a.m2v") {
    std::ostringstream out;
    WriteDisplayOrderReport(headers, name, out);
    return out.str();
}

std::string FrameStructure(const THeaderList& headers, const std::string& name = "C:\\v\\a.m2v") {
    std::ostringstream out;
    WriteFrameStructureReport(headers, name, out);
    return out.str();
}

std::string FileText(const std::string& path) {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Reports, TwoGopsOfIbbp) {
    const THeaderList headers = TwoGops();
    EXPECT_EQ(DisplayOrder(headers),
              "Information for C:\\v\\a.m2v - Display Order.\r\n"
              "GOP1  2, 0, 1, 3\r\n"
              "GOP2  6, 4, 5, 7\r\n");
    EXPECT_EQ(FrameStructure(headers),
              "Information for C:\\v\\a.m2v - Frame Structure.\r\n"
              "GOP 000001  IBBP\r\n"
              "GOP 000002  IBBP\r\n");
}

TEST(Reports, ListWithoutGopsGivesTheTitleOnly) {
    THeaderList headers;
    headers.AppendEmpty(kind::SequenceHeader);
    headers.AppendEmpty(kind::SequenceExtension);
    EXPECT_EQ(DisplayOrder(headers, "s.m2v"), "Information for s.m2v - Display Order.\r\n");
    EXPECT_EQ(FrameStructure(headers, "s.m2v"), "Information for s.m2v - Frame Structure.\r\n");
    EXPECT_EQ(DisplayOrder(THeaderList{}, "x.m2v"), "Information for x.m2v - Display Order.\r\n");
    EXPECT_EQ(FrameStructure(THeaderList{}, "x.m2v"), "Information for x.m2v - Frame Structure.\r\n");
}

TEST(Reports, EmptyGopsWideNumbersAndUnknownPictureTypes) {
    THeaderList headers;
    AddGop(headers, 5);
    AddGop(headers, 1234567);  // seven digits: written in full
    AddPicture(headers, 1, 0);
    AddPicture(headers, 0, 1);  // unknown type: its index counts, no letter
    AddPicture(headers, 7, 2);
    AddPicture(headers, 3, 3);
    AddGop(headers, 9);  // empty GOP at the end
    EXPECT_EQ(DisplayOrder(headers, "s.m2v"),
              "Information for s.m2v - Display Order.\r\n"
              "GOP5\r\n"
              "GOP1234567  0, 1, 2, 3\r\n"
              "GOP9\r\n");
    EXPECT_EQ(FrameStructure(headers, "s.m2v"),
              "Information for s.m2v - Frame Structure.\r\n"
              "GOP 000005  \r\n"
              "GOP 1234567  IB\r\n"
              "GOP 000009  \r\n");
}

TEST(Reports, PicturesBeforeTheFirstGopJoinTheTitleLine) {
    THeaderList headers;
    AddPicture(headers, 2, 4);
    AddGop(headers, 1);
    AddPicture(headers, 1, 0);
    EXPECT_EQ(DisplayOrder(headers, "s.m2v"),
              "Information for s.m2v - Display Order.  4\r\n"
              "GOP1  0\r\n");
    EXPECT_EQ(FrameStructure(headers, "s.m2v"),
              "Information for s.m2v - Frame Structure.P\r\n"
              "GOP 000001  I\r\n");
}

TEST(Reports, FileNameBytesAreWrittenAsGiven) {
    const std::string name = "/v/caf\xC3\xA9 \xE9.m2v";  // UTF-8 and a stray Latin-1 byte
    EXPECT_EQ(FrameStructure(THeaderList{}, name), "Information for " + name + " - Frame Structure.\r\n");
}

TEST(ReportFiles, SavedFilesHoldTheReportAndReplaceAnOldOne) {
    test::TempDir dir;
    const std::string display = dir.File("display.txt");
    const std::string frames = dir.File("frames.txt");
    test::WriteFileBytes(display, std::vector<uint8_t>(100000, 'x'));
    const THeaderList headers = TwoGops();
    SaveDisplayOrderReport(headers, "C:\\v\\a.m2v", display);
    SaveFrameStructureReport(headers, "C:\\v\\a.m2v", frames);
    EXPECT_EQ(FileText(display), DisplayOrder(headers));
    EXPECT_EQ(FileText(frames), FrameStructure(headers));
    // Nothing but the two reports is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ReportFiles, SymbolicLinkKeepsPointingAtTheNewReport) {
    test::TempDir dir;
    const std::string target = dir.File("real.txt");
    const std::string link = dir.File("link.txt");
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    std::filesystem::create_symlink(target, link);
    SaveFrameStructureReport(TwoGops(), "a.m2v", link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileText(target), FrameStructure(TwoGops(), "a.m2v"));
}

void ExpectFailure(const std::string& fileName, const std::string& reason) {
    try {
        SaveDisplayOrderReport(TwoGops(), "a.m2v", fileName);
        ADD_FAILURE() << "no error for " << fileName;
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(fileName), std::string::npos) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
}

TEST(ReportFiles, UnwritableTargetsNameTheFileAndTheReasonAndLeaveNoFile) {
    test::TempDir dir;
    ExpectFailure(dir.File("missing/report.txt"), "No such file or directory");
    std::filesystem::create_directory(dir.File("folder"));
    ExpectFailure(dir.File("folder"), "Is a directory");
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ReportFiles, WriteErrorOfADeviceIsReported) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    ExpectFailure("/dev/full", "No space left on device");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(ReportFiles, FailedWriteKeepsTheOldReportAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string report = dir.File("report.txt");
    test::WriteFileBytes(report, {'o', 'l', 'd'});
    {
        test::FileSizeLimit limit(20);
        ExpectFailure(report, "File too large");
    }
    EXPECT_EQ(FileText(report), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ReportFiles, AnalyserWritesItsReportsTitledWithItsFileName) {
    const std::string stream = VELMORA_TEST_DATA_DIR "/pal_gop_seq.m2v";
    test::TAnalysed run = test::AnalyseFile(stream, kShowExtendedTreeMode);
    test::TempDir dir;
    run.Stream->SaveFrameStructureReport(dir.File("frames.txt"));
    run.Stream->SaveDisplayOrderReport(dir.File("display.txt"));
    EXPECT_EQ(FileText(dir.File("frames.txt")), "Information for " + stream +
                                                    " - Frame Structure.\r\n"
                                                    "GOP 000001  IPBBPBBPBB\r\n"
                                                    "GOP 000002  IBBPBBPBBPBB\r\n"
                                                    "GOP 000003  IBBPBBPBBPBB\r\n");
    EXPECT_EQ(FileText(dir.File("display.txt")).substr(0, 16 + stream.size() + 19),
              "Information for " + stream + " - Display Order.\r\n");
}

}  // namespace
}  // namespace velmora
