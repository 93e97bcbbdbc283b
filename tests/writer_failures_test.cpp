// Every file writer under every way the disk, the source or the folder can fail it: a read-only folder,
// a full disk, the source removed, cut short, locked by a running analysis or read-only, and links at
// the output names. A failure says why, changes nothing in the folder (a good earlier output stays byte
// for byte, no temporary file is left) and never touches the source or a file a link points at.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "common/message_box.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/file_size_limit.h"
#include "support/recording_log.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "tools/corrected_copy.h"
#include "tools/gop_cut.h"
#include "tools/range_cut.h"
#include "tools/sequence_end.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// What a writer reported: success, and the texts it gave (log lines, messages, an exception).
struct TOutcome {
    bool Ok = false;
    std::string Text;

    // One line for the trip through a child process: "+" or "-", then the text.
    std::string Encode() const { return (Ok ? "+" : "-") + Text; }
    static TOutcome Decode(const std::string& line) {
        if (line.empty() || (line[0] != '+' && line[0] != '-')) {
            return {false, "no outcome: " + line};
        }
        return {line[0] == '+', line.substr(1)};
    }
};

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) {
        all += text + "\n";
    }
    return all;
}

// Four GOPs of six pictures with a padding packet (foreign data) in the second, and no sequence end code,
// about 24 KB.
TStreamBuilder SampleStream() {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    for (uint32_t gop = 0; gop < 4; ++gop) {
        b.Gop();
        for (uint32_t p = 0; p < 6; ++p) {
            b.Picture(p == 0 ? 1 : 2, p).PictureCodingExtension();
            if (gop == 1 && p == 2) {
                b.PaddingPacket(300);
            }
            b.Slices(1, 4, 240);
        }
    }
    return b;
}

// The folder's files and their bytes, hidden ones (temporary files) included.
using TFolder = std::map<std::string, std::vector<uint8_t>>;

TFolder Snapshot(const fs::path& folder) {
    TFolder files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
    }
    return files;
}

// Names of the files added, removed or changed from before to after; empty when the folder is the same.
std::string Changes(const TFolder& before, const TFolder& after) {
    std::string changes;
    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        if (now == after.end()) {
            changes += " removed " + name;
        } else if (now->second != bytes) {
            changes += " changed " + name;
        }
    }
    for (const auto& [name, bytes] : after) {
        if (before.count(name) == 0) {
            changes += " added " + name;
        }
    }
    return changes;
}

// A stream analysed in "Show tree" mode (so its cache is written), as the tools meet it.
class TWriterSetup {
  public:
    TWriterSetup() {
        SampleStream().WriteToFile(Source());
        Analysis = AnalyseFile(Source(), kShowTreeMode);
    }

    std::string Source() const { return Dir.File("movie.m2v"); }
    std::string Target(const std::string& name) const { return Dir.File(name); }
    // Cut position of the first picture of GOP Number (from 1).
    int64_t GopStart(int Number) const {
        const THeaderList& list = Analysis.Stream->FHeaders;
        int gops = 0;
        for (int64_t i = 0; i < list.size(); ++i) {
            if (list.Kind(i) == kind::GopHeader) {
                ++gops;
            } else if (gops == Number && list.Kind(i) == kind::PictureHeader) {
                return list[i].As<TPictureHeaderRecord>().file_position;
            }
        }
        return -1;
    }

    TempDir Dir;
    TAnalysed Analysis;
};

// One writer: how to give it a good earlier output (or the file it changes), and one run of it.
struct TWriter {
    const char* Name;
    std::function<void(TWriterSetup&)> Prepare;
    std::function<TOutcome(TWriterSetup&)> Run;
    bool ChangesSource = false;             // the sequence end tools change the analysed file itself
    std::vector<const char*> Outputs = {};  // names it writes beside the source (one piece of the GOPs)
};

// Collects message boxes while it lives (the bit reader shows its open errors in one).
class TMessageBoxes {
  public:
    TMessageBoxes()
        : old_(SetMessageBoxHandler([this](const std::string& text) { Texts.push_back(text); })) {}
    ~TMessageBoxes() { SetMessageBoxHandler(old_); }
    TMessageBoxes(const TMessageBoxes&) = delete;
    TMessageBoxes& operator=(const TMessageBoxes&) = delete;
    std::vector<std::string> Texts;

  private:
    MessageBoxHandler old_;
};

// The analysis cache: a run after the stream changed writes a new one. It succeeds when no message
// says the cache could not be written, and only when the summary equals a scan without any cache.
TOutcome RunCache(TWriterSetup& s) {
    TMessageBoxes boxes;
    try {
        const TAnalysed quick = AnalyseFile(s.Source(), kQuickMode);
        const TAnalysed tree = AnalyseFile(s.Source(), kShowTreeMode);
        if (tree.Stream->FPictureCount != quick.Stream->FPictureCount || tree.Stream->FHeaders.empty()) {
            return {false, "the summary or header list differs from a scan without cache"};
        }
        const std::string text = Joined(tree.Messages);
        return {text.find("could not be written") == std::string::npos, text};
    } catch (const std::exception& e) {
        return {false, Joined(boxes.Texts) + e.what()};
    }
}

TOutcome RunReports(TWriterSetup& s) {
    try {
        s.Analysis.Stream->SaveDisplayOrderReport(s.Target("display.txt"));
        s.Analysis.Stream->SaveFrameStructureReport(s.Target("frames.txt"));
        return {true, ""};
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
}

// From the third GOP to the end of the file as analysed.
TOutcome RunRangeCut(TWriterSetup& s) {
    RecordingLog log;
    const bool ok =
        CutRangeWithLog(s.Source(), s.Target("cut.m2v"), s.GopStart(3), s.Analysis.Stream->FFileSize, &log);
    return {ok, Joined(log.Texts())};
}

TOutcome RunGopCut(TWriterSetup& s) {
    RecordingLog log;
    TToolHooks hooks;
    hooks.Log = &log;
    const bool ok = CutAllGops(*s.Analysis.Stream, hooks).Ok();
    return {ok, Joined(log.Texts())};
}

TOutcome RunCorrectedCopy(TWriterSetup& s) {
    RecordingLog log;
    const bool ok = SaveCorrectedWithLog(*s.Analysis.Stream, s.Target("corrected.m2v"), &log);
    return {ok, Joined(log.Texts())};
}

TOutcome RunSequenceEnd(TWriterSetup& s, bool set) {
    RecordingLog log;
    const bool ok =
        set ? SetSequenceEndWithLog(s.Source(), &log) : DeleteSequenceEndWithLog(s.Source(), &log);
    return {ok, Joined(log.Texts())};
}

// Runs the writer once so that its output stands as the good file a failed run must keep.
void PrepareGoodOutput(TWriterSetup& s, const std::function<TOutcome(TWriterSetup&)>& run) {
    const TOutcome first = run(s);
    ASSERT_TRUE(first.Ok) << first.Text;
}

const TWriter kWriters[] = {
    {"Cache",
     // A stream changed since its cache was written: the stale cache stays until a complete new one
     // replaces it.
     [](TWriterSetup& s) {
         ASSERT_TRUE(fs::exists(s.Source() + ".vnf"));
         fs::last_write_time(s.Source(), fs::last_write_time(s.Source()) - std::chrono::hours(1));
     },
     RunCache,
     false,
     {"movie.m2v.vnf"}},
    {"Reports",
     [](TWriterSetup& s) { PrepareGoodOutput(s, RunReports); },
     RunReports,
     false,
     {"display.txt", "frames.txt"}},
    {"RangeCut", [](TWriterSetup& s) { PrepareGoodOutput(s, RunRangeCut); }, RunRangeCut, false, {"cut.m2v"}},
    {"GopPieces",
     [](TWriterSetup& s) { PrepareGoodOutput(s, RunGopCut); },
     RunGopCut,
     false,
     {"movie_GOP00002.m2v"}},
    {"CorrectedCopy",
     [](TWriterSetup& s) { PrepareGoodOutput(s, RunCorrectedCopy); },
     RunCorrectedCopy,
     false,
     {"corrected.m2v"}},
    {"SetSequenceEnd", [](TWriterSetup&) {}, [](TWriterSetup& s) { return RunSequenceEnd(s, true); }, true},
    {"DeleteSequenceEnd", [](TWriterSetup& s) { ASSERT_TRUE(SetSequenceEnd(s.Source())); },
     [](TWriterSetup& s) { return RunSequenceEnd(s, false); }, true},
};

enum class TCondition {
    ReadOnlyFolder,
    DiskFull,
    SourceRemoved,
    SourceTruncated,
    SourceLocked,
    SourceReadOnly,  // mode 0444, written as root where the tests run as root
    OutputLinksElsewhere,
    OutputLinksToSource,
    OutputIsSourceHardLink,
};
constexpr int kConditions = 9;

const char* ConditionName(TCondition c) {
    switch (c) {
        case TCondition::ReadOnlyFolder:
            return "ReadOnlyFolder";
        case TCondition::DiskFull:
            return "DiskFull";
        case TCondition::SourceRemoved:
            return "SourceRemoved";
        case TCondition::SourceTruncated:
            return "SourceTruncated";
        case TCondition::SourceLocked:
            return "SourceLocked";
        case TCondition::SourceReadOnly:
            return "SourceReadOnly";
        case TCondition::OutputLinksElsewhere:
            return "OutputLinksElsewhere";
        case TCondition::OutputLinksToSource:
            return "OutputLinksToSource";
        case TCondition::OutputIsSourceHardLink:
            return "OutputIsSourceHardLink";
    }
    return "?";
}

// Files may grow to this size only: less than any writer's output and the stream itself.
constexpr uint64_t kDiskFullLimit = 64;

struct TExpected {
    bool Succeeds;
    const char* Reason;  // a part of the failure's text
};
constexpr TExpected kSucceeds{true, ""};
constexpr TExpected Fails(const char* reason) {
    return {false, reason};
}

struct TCase {
    const TWriter* Writer;
    TCondition Condition;
    TExpected Expected;
};

// Writers in the order of kWriters; conditions in the order of TCondition. Reading tools read a locked
// source (the lock keeps changes out, not readers), and so does a second analysis; a report needs no
// source at all; a deletion needs no space; an end code is appended to whatever the file is now; a changed
// stream's cache is written anew. A name the user gives follows its link; a name the program makes up (the
// cache, the GOP pieces) does not; no writer writes over the stream under another name.
const TExpected kExpected[][kConditions] = {
    {Fails("could not be written"), Fails("could not be written"), Fails("Unable to open file"), kSucceeds,
     kSucceeds, kSucceeds, Fails("symbolic link"), Fails("symbolic link"), Fails("source file itself")},
    {Fails("Permission denied"), Fails("File too large"), kSucceeds, kSucceeds, kSucceeds, kSucceeds,
     kSucceeds, Fails("source file itself"), Fails("source file itself")},
    {Fails("Permission denied"), Fails("File too large"), Fails("No such file or directory"),
     Fails("lie outside"), kSucceeds, kSucceeds, kSucceeds, Fails("source file itself"),
     Fails("source file itself")},
    {Fails("Permission denied"), Fails("File too large"), Fails("No such file or directory"),
     Fails("shorter than when it was analysed"), kSucceeds, kSucceeds, Fails("symbolic link"),
     Fails("symbolic link"), Fails("source file itself")},
    {Fails("Permission denied"), Fails("File too large"), Fails("No such file or directory"),
     Fails("shorter than when it was analysed"), kSucceeds, kSucceeds, kSucceeds, Fails("source file itself"),
     Fails("source file itself")},
    {Fails("is read-only"), Fails("File too large"), Fails("No such file or directory"), kSucceeds,
     Fails("locked"), Fails("is read-only"), kSucceeds, kSucceeds, kSucceeds},
    {Fails("is read-only"), kSucceeds, Fails("No such file or directory"),
     Fails("does not end with a SEQUENCE_END code"), Fails("locked"), Fails("is read-only"), kSucceeds,
     kSucceeds, kSucceeds},
};

std::vector<TCase> AllCases() {
    static_assert(std::size(kWriters) == std::size(kExpected));
    std::vector<TCase> cases;
    for (size_t w = 0; w < std::size(kWriters); ++w) {
        for (int c = 0; c < kConditions; ++c) {
            cases.push_back({&kWriters[w], static_cast<TCondition>(c), kExpected[w][c]});
        }
    }
    return cases;
}

void MakeReadOnly(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
}

class WriterFailures : public ::testing::TestWithParam<TCase> {};

TEST_P(WriterFailures, FailWithAReasonAndChangeNothing) {
    const TCase& c = GetParam();
    TWriterSetup setup;
    ASSERT_NO_FATAL_FAILURE(c.Writer->Prepare(setup));

    std::unique_ptr<TM2VStream> runningAnalysis;
    switch (c.Condition) {
        case TCondition::SourceRemoved:
            fs::remove(setup.Source());
            break;
        case TCondition::SourceTruncated:
            fs::resize_file(setup.Source(), fs::file_size(setup.Source()) * 6 / 10);
            break;
        case TCondition::SourceLocked:
            // The analyser's reader holds the stream's lock from its creation on.
            runningAnalysis = std::make_unique<TM2VStream>(setup.Source());
            break;
        case TCondition::SourceReadOnly:
            fs::permissions(setup.Source(),
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            break;
        case TCondition::OutputLinksElsewhere:
        case TCondition::OutputLinksToSource:
        case TCondition::OutputIsSourceHardLink: {
            const std::string other = setup.Target("victim.bin");
            WriteFileBytes(other, {'k', 'e', 'e', 'p'});
            for (const char* name : c.Writer->Outputs) {
                const std::string output = setup.Target(name);
                fs::remove(output);
                if (c.Condition == TCondition::OutputIsSourceHardLink) {
                    fs::create_hard_link(setup.Source(), output);
                } else {
                    fs::create_symlink(
                        c.Condition == TCondition::OutputLinksToSource ? "movie.m2v" : "victim.bin", output);
                }
            }
            break;
        }
        default:
            break;
    }
    const TFolder before = Snapshot(setup.Dir.path());

    TOutcome outcome;
    if (c.Condition == TCondition::ReadOnlyFolder) {
        MakeReadOnly(setup.Dir.path());
        const std::optional<std::string> line =
            RunUnprivileged([&] { return c.Writer->Run(setup).Encode(); });
        if (!line) {
            GTEST_SKIP() << "can not run as an ordinary user here";
        }
        outcome = TOutcome::Decode(*line);
    } else if (c.Condition == TCondition::DiskFull) {
        FileSizeLimit limit(kDiskFullLimit);
        outcome = c.Writer->Run(setup);
    } else {
        outcome = c.Writer->Run(setup);
    }
    runningAnalysis.reset();

    const TFolder after = Snapshot(setup.Dir.path());
    if (!c.Expected.Succeeds) {
        EXPECT_FALSE(outcome.Ok) << outcome.Text;
        EXPECT_NE(outcome.Text.find(c.Expected.Reason), std::string::npos)
            << "expected \"" << c.Expected.Reason << "\" in: " << outcome.Text;
        // Byte for byte as before: the source, every good output, and no temporary file added.
        EXPECT_EQ(Changes(before, after), "");
        return;
    }
    EXPECT_TRUE(outcome.Ok) << outcome.Text;
    for (const auto& [name, bytes] : after) {
        EXPECT_NE(name[0], '.') << "temporary file left: " << name;
    }
    const std::string source = fs::path(setup.Source()).filename().string();
    if (!c.Writer->ChangesSource && before.count(source) != 0) {
        EXPECT_TRUE(after.at(source) == before.at(source)) << "the source changed";
    }
}

void PrintTo(const TCase& c, std::ostream* out) {
    *out << c.Writer->Name << " with " << ConditionName(c.Condition);
}

INSTANTIATE_TEST_SUITE_P(All, WriterFailures, ::testing::ValuesIn(AllCases()), [](const auto& info) {
    return std::string(info.param.Writer->Name) + "_" + ConditionName(info.param.Condition);
});

}  // namespace
}  // namespace velmora::test
