// The analysis cache file: its bytes, reuse, invalidation, repeat entries and damaged files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "analysis/header_kinds.h"
#include "analysis/processing_options.h"
#include "cache/cache_format.h"
#include "common/message_box.h"
#include "common/progress_sink.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

// One sequence header with its extension and one GOP of three pictures (the 1,003-byte cache).
TStreamBuilder ThreePictureStream() {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    b.Picture(1, 2).PictureCodingExtension().Slices(1, 2);
    b.Picture(3, 0).PictureCodingExtension().Slices(1, 2);
    b.Picture(3, 1).PictureCodingExtension().Slices(1, 2);
    return b;
}

uint16_t TagAt(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

template <class T>
T ValueAt(const std::vector<uint8_t>& bytes, size_t at) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

void SetModificationTime(const std::string& path, time_t seconds) {
    struct utimbuf times {
        seconds, seconds
    };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

TEST(CacheFile, ThreePictureStreamGivesTheDocumentedBytes) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TAnalysed a = Analyse(ThreePictureStream(), path, kShowTreeMode);
    const std::vector<uint8_t> bytes = ReadFileBytes(path + ".vnf");
    ASSERT_EQ(bytes.size(), 1003u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 23), "MPEG Brimvale Info File");
    for (size_t i = 23; i < 101; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    using namespace cache::offset;
    EXPECT_EQ(ValueAt<uint32_t>(bytes, StartTimeCode), 0u);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, Duration), 0x03000000u) << "hours, minutes, seconds, then 3 frames";
    EXPECT_EQ(ValueAt<int32_t>(bytes, MaxGopPictures), 3);
    EXPECT_EQ(ValueAt<int32_t>(bytes, FrameRate), 25);
    EXPECT_EQ(ValueAt<int32_t>(bytes, AspectRatio), 2);
    EXPECT_EQ(ValueAt<int32_t>(bytes, MpegVersion), 2);
    EXPECT_EQ(ValueAt<int32_t>(bytes, FrameRateCode), 3);
    EXPECT_EQ(ValueAt<int64_t>(bytes, DisplayedFrames), 3);
    EXPECT_EQ(ValueAt<int32_t>(bytes, Width), 720);
    EXPECT_EQ(ValueAt<int32_t>(bytes, Height), 576);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, BitRate), 15000u * 400u);
    EXPECT_EQ(ValueAt<int32_t>(bytes, PictureCount), 3);
    EXPECT_EQ(ValueAt<int32_t>(bytes, MinBitRate), 15000);
    EXPECT_EQ(ValueAt<int32_t>(bytes, MaxBitRate), 15000);
    EXPECT_EQ(ValueAt<int32_t>(bytes, BitRateSum), 150);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, FileSizeBlocks), 0u);
    EXPECT_NE(ValueAt<uint64_t>(bytes, Stamp), 0u);
    EXPECT_EQ(ValueAt<int32_t>(bytes, FieldCount), 6);
    EXPECT_EQ(ValueAt<int32_t>(bytes, FrameCount), 3);
    EXPECT_EQ(bytes[VariableBitRate], 1);
    for (size_t i = 195; i < 443; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    // The records: tag then payload, in stream order.
    const std::vector<std::pair<uint16_t, size_t>> records = {{179, 52}, {194, 52}, {184, 40}, {203, 52},
                                                              {201, 80}, {203, 52}, {201, 80}, {203, 52},
                                                              {201, 80}, {209, 0}};
    size_t at = 443;
    for (const auto& [tag, size] : records) {
        EXPECT_EQ(TagAt(bytes, at), tag) << at;
        at += 2 + size;
    }
    EXPECT_EQ(at, bytes.size());
    // The GOP record carries its number and the first picture its cut position (the sequence header).
    EXPECT_EQ(ValueAt<int32_t>(bytes, 443 + 2 + 52 + 2 + 52 + 2 + 36), 1);
    // The list was rebuilt from the file: 52-byte sequence header, Index over every record.
    ASSERT_EQ(a.Stream->FHeaders.size(), 10);
    EXPECT_EQ(a.Stream->FHeaders[0].Data.size(), 52u);
    EXPECT_EQ(a.Stream->FHeaders[9].Kind, kind::FileEnd);
    EXPECT_EQ(a.Stream->FHeaders[9].Index, 9);
}

TEST(CacheFile, UnchangedStreamLoadsTheCacheAndTouchedStreamIsScannedAgain) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    ThreePictureStream().WriteToFile(path);
    SetModificationTime(path, 1000000000);
    TAnalysed first = AnalyseFile(path, kShowTreeMode);
    EXPECT_EQ(first.Stream->FGopCount, 1);

    TAnalysed second = AnalyseFile(path, kShowTreeMode);
    EXPECT_EQ(second.Stream->FGopCount, 0) << "a valid cache skips the scan";
    EXPECT_EQ(second.Kinds(), first.Kinds());
    EXPECT_DOUBLE_EQ(second.Stream->FPictureCount, 3.0);
    EXPECT_EQ(second.Stream->FWidth, 720);

    SetModificationTime(path, 1000000005);
    TAnalysed third = AnalyseFile(path, kShowTreeMode);
    EXPECT_EQ(third.Stream->FGopCount, 1) << "a touched stream is scanned again";

    TAnalysed rewrite = AnalyseFile(path, kRewriteCacheMode);
    EXPECT_EQ(rewrite.Stream->FGopCount, 1) << "rewrite cache always scans";
}

TEST(CacheFile, DropFrameFlagOfAnyGopSurvivesTheCache) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    b.Picture(1, 0).PictureCodingExtension().Slices(1, 2);
    b.Gop({.drop_frame_flag = 1});
    b.Picture(1, 0).PictureCodingExtension().Slices(1, 2);
    const TAnalysed scanned = Analyse(b, path, kShowTreeMode);
    ASSERT_TRUE(scanned.Stream->FDropFrame);
    const TAnalysed loaded = AnalyseFile(path, kShowTreeMode);
    ASSERT_EQ(loaded.Stream->FGopCount, 0) << "the second run loads the cache";
    EXPECT_TRUE(loaded.Stream->FDropFrame) << "the cache header has no drop-frame byte; the GOP records tell";

    const std::string plain = dir.File("plain.m2v");
    Analyse(ThreePictureStream(), plain, kShowTreeMode);
    EXPECT_FALSE(AnalyseFile(plain, kShowTreeMode).Stream->FDropFrame);
}

TEST(CacheFile, ValidOnlyWithStampMagicAndFileSizeField) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    ThreePictureStream().WriteToFile(path);
    AnalyseFile(path, kShowTreeMode);
    const std::vector<uint8_t> good = ReadFileBytes(path + ".vnf");
    struct Damage {
        size_t At;
        uint8_t Value;
    };
    for (const Damage& d :
         {Damage{0, 'X'}, Damage{cache::offset::FileSizeBlocks, 7}, Damage{cache::offset::Stamp, 1}}) {
        SCOPED_TRACE(d.At);
        std::vector<uint8_t> bytes = good;
        bytes[d.At] ^= d.Value;
        WriteFileBytes(path + ".vnf", bytes);
        TAnalysed a = AnalyseFile(path, kShowTreeMode);
        EXPECT_EQ(a.Stream->FGopCount, 1) << "an invalid cache is rebuilt by a scan";
        EXPECT_EQ(ReadFileBytes(path + ".vnf"), good);
    }
}

// Twelve GOPs, so that the scan yields (after the tenth) while it is writing the cache.
TStreamBuilder TwelveGopStream() {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    for (int g = 0; g < 12; ++g) {
        b.Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 2);
    }
    return b;
}

struct timespec ModificationTime(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

void SetModificationTime(const std::string& path, const struct timespec& when) {
    const struct timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(CacheFile, StreamChangedDuringTheScanGetsNoCacheAndIsNamed) {
    struct Change {
        const char* Name;
        std::function<void(const std::string&)> Apply;
    };
    const std::vector<Change> changes = {
        {"grown", [](const std::string& p) { std::ofstream(p, std::ios::app | std::ios::binary) << "xyz"; }},
        {"touched",
         [](const std::string& p) {
             SetModificationTime(p, {2000000000, 0});
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.Name);
        TempDir dir;
        const std::string path = dir.File("clip.m2v");
        TwelveGopStream().WriteToFile(path);
        TM2VStream stream(path);
        ApplyProcessingMode(stream, kShowTreeMode);
        std::vector<std::string> messages;
        stream.OnLog = [&messages](const std::string& text) { messages.push_back(text); };
        bool changed = false;
        stream.OnYield = [&] {
            if (!std::exchange(changed, true)) {
                change.Apply(path);
            }
        };
        stream.ParseStream(true, false);
        ASSERT_TRUE(changed);
        EXPECT_FALSE(std::filesystem::exists(path + ".vnf"));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
            << "no temporary file is left either";
        EXPECT_EQ(messages,
                  std::vector<std::string>{path + " changed during the analysis; the cache was not written"});
        EXPECT_EQ(stream.FGopCount, 12) << "the summary of what was read stays";
        EXPECT_EQ(stream.HeaderCount(), 2 + 12 * 3 + 1) << "and so does the header list";
        stream.CloseFile();

        TAnalysed next = AnalyseFile(path, kShowTreeMode);
        EXPECT_EQ(next.Stream->FGopCount, 12) << "the next run scans";
        EXPECT_TRUE(std::filesystem::exists(path + ".vnf"));
    }
}

TEST(CacheFile, CacheOfAnotherSizeWithTheSameTimeIsNotLoaded) {
    // Within one 524,280-byte block, so only the exact size tells the copies apart.
    for (const int delta : {-1, -200, +1}) {
        SCOPED_TRACE(delta);
        TempDir dir;
        const std::string path = dir.File("clip.m2v");
        TwelveGopStream().WriteToFile(path);
        AnalyseFile(path, kShowTreeMode);
        const struct timespec written = ModificationTime(path);
        std::filesystem::resize_file(path, std::filesystem::file_size(path) + delta);
        SetModificationTime(path, written);

        TAnalysed copy = AnalyseFile(path, kShowTreeMode);
        EXPECT_NE(copy.Stream->FGopCount, 0) << "the copy is scanned, not answered from the cache";
        EXPECT_EQ(AnalyseFile(path, kShowTreeMode).Stream->FGopCount, 0) << "its own cache is then loaded";
    }
}

TEST(CacheFile, LoadingNeverStampsTheCacheForAStreamChangedMeanwhile) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TwelveGopStream().WriteToFile(path);
    AnalyseFile(path, kShowTreeMode);
    const std::vector<uint8_t> cacheBytes = ReadFileBytes(path + ".vnf");

    // The progress bar is the only hook of a load: the stream is touched from there.
    struct TTouchingBar : TProgressValues {
        std::string Path;
        void SetPosition(int64_t value) override {
            TProgressValues::SetPosition(value);
            SetModificationTime(Path, {2000000000, 0});
        }
    } bar;
    bar.Path = path;
    TM2VStream stream(path);
    ApplyProcessingMode(stream, kShowTreeMode);
    stream.SetProgressBar(&bar);
    stream.ParseStream(true, false);
    ASSERT_EQ(stream.FGopCount, 0) << "the cache was loaded";
    stream.CloseFile();
    EXPECT_EQ(ReadFileBytes(path + ".vnf"), cacheBytes);
    EXPECT_EQ(AnalyseFile(path, kShowTreeMode).Stream->FGopCount, 12)
        << "the touched stream is scanned again";
}

TEST(CacheFile, RepeatedSequenceHeadersAreShortEntriesWithBackFilledOrdinal) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    for (int g = 0; g < 100; ++g) {
        TSequenceHeaderFields sh;
        sh.bit_rate_value = g == 0 ? 15000 : 9000;  // later headers differ but load as the first
        b.SequenceHeader(sh).SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    }
    TAnalysed a = Analyse(b, path, kShowTreeMode);
    const std::vector<uint8_t> bytes = ReadFileBytes(path + ".vnf");
    int full = 0, repeats = 0, extRepeats = 0;
    for (size_t at = 443; at < bytes.size();) {
        const uint16_t tag = TagAt(bytes, at);
        full += tag == 179;
        repeats += tag == 14;
        extRepeats += tag == 15;
        at += 2 + static_cast<size_t>(cache::PayloadSize(tag));
    }
    EXPECT_EQ(full, 1);
    EXPECT_EQ(repeats, 99);
    EXPECT_EQ(extRepeats, 99);
    int gop = 0;
    for (int64_t i = 0; i < a.Stream->FHeaders.size(); ++i) {
        if (a.Stream->FHeaders.Kind(i) == kind::SequenceHeader) {
            ++gop;
            const TSequenceHeaderRecord rec = a.Stream->FHeaders[i].As<TSequenceHeaderRecord>();
            EXPECT_EQ(static_cast<int64_t>(rec.Ordinal), gop);
            EXPECT_EQ(rec.bit_rate_value, 15000u);
        }
    }
    EXPECT_EQ(gop, 100);
}

TEST(CacheFile, DamagedCacheKeepsWhatWasLoadedAndReportsUnknownTags) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    ThreePictureStream().WriteToFile(path);
    AnalyseFile(path, kShowTreeMode);
    const std::vector<uint8_t> good = ReadFileBytes(path + ".vnf");
    std::vector<std::string> boxes;
    MessageBoxHandler old =
        SetMessageBoxHandler([&boxes](const std::string& text) { boxes.push_back(text); });

    // An unknown tag after the GOP record: the box names it, what came before stays.
    std::vector<uint8_t> unknown(good.begin(), good.begin() + 443 + 2 + 52 + 2 + 52 + 2 + 40);
    unknown.push_back(0x39);
    unknown.push_back(0x05);  // 1337
    unknown.resize(unknown.size() + 30, 0xEE);
    WriteFileBytes(path + ".vnf", unknown);
    TM2VStream s(path);
    s.LoadCache(path + ".vnf", true);
    EXPECT_EQ(boxes, std::vector<std::string>{"Incorrect cache file. Error code: 1337"});
    ASSERT_EQ(s.FHeaders.size(), 4);
    EXPECT_EQ(s.FHeaders.Kind(3), 1337);
    s.CloseFile();

    // Every cut of the file, and absurd header values, load without a crash.
    for (size_t cut = 0; cut <= good.size(); cut += 5) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        if (bytes.size() > cache::offset::FrameRateCode + 4) {
            std::memset(bytes.data() + cache::offset::FrameRateCode, 0xFF, 4);
            std::memset(bytes.data() + cache::offset::AspectRatio, 0x7F, 4);
        }
        WriteFileBytes(path + ".vnf", bytes);
        TM2VStream t(path);
        TProgressValues bar;
        t.SetProgressBar(&bar);
        t.LoadCache(path + ".vnf", false);
        t.CloseFile();
        EXPECT_LE(t.FHeaders.size(), 10);
    }
    SetMessageBoxHandler(old);
}

// A cache of several read blocks: its records arrive in file order across the blocks, and damage
// far into the file keeps every record before it.
TEST(CacheFile, LongCacheLoadsInOrderAndDamageFarInKeepsWhatCameBefore) {
    TempDir dir;
    const std::string path = dir.File("long.m2v");
    TStreamBuilder b;
    for (int gop = 0; gop < 500; ++gop) {
        // An I picture's cut position is the sequence header before it: one per GOP keeps the
        // positions rising.
        b.SequenceHeader().SequenceExtension().Gop();
        for (uint32_t picture = 0; picture < 12; ++picture) {
            b.Picture(picture == 0 ? 1 : 3, picture).PictureCodingExtension().Slices(1, 1);
        }
    }
    b.WriteToFile(path);
    TAnalysed first = AnalyseFile(path, kShowTreeMode);
    const std::vector<uint8_t> good = ReadFileBytes(path + ".vnf");
    ASSERT_GT(good.size(), size_t{600'000}) << "the cache must span several read blocks";

    auto picturePositions = [](const TM2VStream& s) {
        std::vector<int64_t> positions;
        for (int64_t i = 0; i < s.FHeaders.size(); ++i) {
            if (s.FHeaders.Kind(i) == kind::PictureHeader) {
                // A copy: the packed field must not be bound to push_back's reference.
                const int64_t position = s.FHeaders[i].As<TPictureHeaderRecord>().file_position;
                positions.push_back(position);
            }
        }
        return positions;
    };
    const std::vector<int64_t> positions = picturePositions(*first.Stream);
    ASSERT_EQ(positions.size(), size_t{6000});
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end());
    TAnalysed reloaded = AnalyseFile(path, kShowTreeMode);
    EXPECT_EQ(reloaded.Stream->FGopCount, 0) << "answered by the cache";
    EXPECT_EQ(picturePositions(*reloaded.Stream), positions);

    // The record boundaries after the first 500,000 bytes.
    size_t at = cache::kHeaderSize;
    int64_t records = 0;
    while (at < 500'000) {
        at += 2 + static_cast<size_t>(cache::PayloadSize(TagAt(good, at)));
        ++records;
    }
    std::vector<std::string> boxes;
    MessageBoxHandler old =
        SetMessageBoxHandler([&boxes](const std::string& text) { boxes.push_back(text); });
    std::vector<uint8_t> unknown = good;
    unknown[at] = 0x39;
    unknown[at + 1] = 0x05;  // 1337
    WriteFileBytes(path + ".vnf", unknown);
    {
        TM2VStream s(path);
        s.LoadCache(path + ".vnf", true);
        EXPECT_EQ(boxes, std::vector<std::string>{"Incorrect cache file. Error code: 1337"});
        EXPECT_EQ(s.FHeaders.size(), records + 1);
    }
    // Cut inside the record there: it is kept with its missing bytes as zero.
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at + 5));
    WriteFileBytes(path + ".vnf", cut);
    {
        TM2VStream s(path);
        s.LoadCache(path + ".vnf", true);
        EXPECT_EQ(s.FHeaders.size(), records + 1);
    }
    SetMessageBoxHandler(old);
}

// The cache's name is made up by the program: whatever stands there that is not a regular file, links
// included, is left alone, and the analysis goes on with the list in memory and says why.
TEST(CacheFile, UnwritableCacheKeepsTheListInMemoryAndSaysWhy) {
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::function<void(const std::string& cache, const std::string& victim)> occupy;
        const char* reason;
    } cases[] = {
        // A folder in the cache file's place can neither be removed (it is not empty) nor written.
        {"Folder",
         [](const std::string& cache, const std::string&) { fs::create_directories(cache + "/keep"); },
         "(Is a directory)"},
        {"LinkToAFile",
         [](const std::string& cache, const std::string& victim) { fs::create_symlink(victim, cache); },
         "(it is a symbolic link, which is not followed)"},
        {"DanglingLink",
         [](const std::string& cache, const std::string& victim) {
             fs::remove(victim);
             fs::create_symlink(victim, cache);
         },
         "(it is a symbolic link, which is not followed)"},
        {"LinkToADevice",
         [](const std::string& cache, const std::string&) { fs::create_symlink("/dev/null", cache); },
         "(it is a symbolic link, which is not followed)"},
        {"Fifo",
         [](const std::string& cache, const std::string&) { ASSERT_EQ(::mkfifo(cache.c_str(), 0644), 0); },
         "(not a regular file)"},
        {"HardLinkToTheStream",
         [](const std::string& cache, const std::string&) {
             fs::create_hard_link(fs::path(cache).replace_extension(), cache);
         },
         "(it is the source file itself)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("clip.m2v");
        const std::string victim = dir.File("victim");
        ThreePictureStream().WriteToFile(path);
        const std::vector<uint8_t> stream = ReadFileBytes(path);
        WriteFileBytes(victim, {'k', 'e', 'e', 'p'});
        c.occupy(path + ".vnf", victim);
        TAnalysed a = AnalyseFile(path, kShowTreeMode);
        EXPECT_EQ(a.Stream->FHeaders.size(), 10);
        ASSERT_EQ(a.Messages.size(), 1u);
        EXPECT_EQ(a.Messages[0], "The analysis cache " + path + ".vnf could not be written " + c.reason +
                                     "; the header list is kept in memory.");
        EXPECT_EQ(a.Stream->FHeaders[0].Data.size(), sizeof(TSequenceHeaderRecord));
        EXPECT_EQ(ReadFileBytes(path), stream);
        if (std::string_view(c.name) == "DanglingLink") {
            EXPECT_FALSE(fs::exists(victim)) << "a file was made where the link points";
        } else {
            EXPECT_EQ(ReadFileBytes(victim), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
        }
    }
}

// The cache's name is the stream's plus ".vnf": a stream whose name leaves no room for it has no cache
// and is told why; one byte shorter, it has one.
TEST(CacheFile, StreamNameTooLongForACacheIsAnalysedWithoutOne) {
    TempDir dir;
    const std::string fits = dir.File(std::string(247, 'a') + ".m2v");
    const std::string tooLong = dir.File(std::string(248, 'b') + ".m2v");
    for (const std::string& path : {fits, tooLong}) {
        ThreePictureStream().WriteToFile(path);
        TAnalysed a = AnalyseFile(path, kShowTreeMode);
        EXPECT_EQ(a.Stream->FHeaders.size(), 10);
        if (path == fits) {
            EXPECT_TRUE(a.Messages.empty());
            EXPECT_TRUE(std::filesystem::exists(path + ".vnf"));
        } else {
            EXPECT_EQ(a.Messages, std::vector<std::string>{"The analysis cache " + path +
                                                           ".vnf could not be written (File name too long); "
                                                           "the header list is kept in memory."});
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(CacheFile, CacheCutShortByAFullDiskIsRemovedNotLoaded) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    for (uint32_t p = 0; p < 40; ++p) {
        b.Picture(1, p).PictureCodingExtension().Slices(1, 1);
    }
    b.WriteToFile(path);
    // A file size limit makes the cache's writes fail part way, as a full disk would.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 2000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    TAnalysed a = AnalyseFile(path, kShowTreeMode);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(std::filesystem::exists(path + ".vnf"));
    ASSERT_EQ(a.Messages.size(), 1u);
    EXPECT_NE(a.Messages[0].find("could not be written"), std::string::npos);
    EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 40);
    EXPECT_EQ(a.Stream->FFieldCount, 80);
}

// Remembers every position the work sets.
class TRecordingProgress : public TProgressValues {
  public:
    void SetPosition(int64_t value) override {
        TProgressValues::SetPosition(value);
        Positions.push_back(value);
    }
    std::vector<int64_t> Positions;
};

TEST(CacheFile, ProgressCoversScanAndLoad) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    for (int g = 0; g < 3; ++g) {
        b.SequenceHeader().SequenceExtension().Gop();
        for (uint32_t p = 0; p < 100; ++p) {
            b.Picture(1, p).PictureCodingExtension().Slice(1, p == 0 ? 400000 : 8);
        }
    }
    b.WriteToFile(path);
    const int64_t blocks = static_cast<int64_t>(std::filesystem::file_size(path)) / kReaderBufferSize;
    ASSERT_EQ(blocks, 2);
    {
        TM2VStream s(path);
        TRecordingProgress bar;
        s.SetProgressBar(&bar);
        s.FQuickMode = false;
        s.ParseStream(true, false);
        // Loading after the scan: from 0 to 300 pictures, starting at 85 %; each picture whose display
        // index is more than 100 away from the bar's position sets it to 85 % + 15 % of the index,
        // which holds up to index 182 (bar at 255 + 27).
        EXPECT_EQ(bar.Min(), 0);
        EXPECT_EQ(bar.Max(), 300);
        EXPECT_EQ(bar.Positions[bar.Positions.size() - 183], 255);
        EXPECT_EQ(bar.Position(), 282);
        // The scan moved the bar within its own range of whole buffers first.
        ASSERT_GE(bar.Positions.size(), 3u);
        EXPECT_EQ(bar.Positions[0], 0);
        EXPECT_LE(bar.Positions[1], blocks);
    }
    TM2VStream again(path);
    TRecordingProgress bar;
    again.SetProgressBar(&bar);
    again.FQuickMode = false;
    again.ParseStream(true, false);
    EXPECT_EQ(again.FGopCount, 0);
    EXPECT_EQ(bar.Min(), 255);
    EXPECT_EQ(bar.Max(), 300);
    EXPECT_EQ(bar.Positions[0], 255);
    EXPECT_EQ(bar.Position(), 282);
}

TEST(CacheFile, SequenceHeadersAreFullUntilTheFirstWithASize) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    TSequenceHeaderFields zero;
    zero.horizontal_size_value = 0;
    zero.vertical_size_value = 0;
    for (const TSequenceHeaderFields& sh : {zero, TSequenceHeaderFields{}, TSequenceHeaderFields{}}) {
        b.SequenceHeader(sh).SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    }
    b.SequenceEnd();
    Analyse(b, path, kShowTreeMode);
    const std::vector<uint8_t> bytes = ReadFileBytes(path + ".vnf");
    std::vector<uint16_t> tags;
    for (size_t at = 443; at + 1 < bytes.size();) {
        const uint16_t tag = TagAt(bytes, at);
        tags.push_back(tag);
        at += 2 + static_cast<size_t>(cache::PayloadSize(tag));
    }
    const std::vector<uint16_t> expected = {179, 194, 184, 203, 201, 179, 15,  184, 203,
                                            201, 14,  15,  184, 203, 201, 183, 209};
    EXPECT_EQ(tags, expected);
}

}  // namespace
}  // namespace velmora::test
