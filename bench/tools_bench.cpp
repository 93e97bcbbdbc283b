// Measures Cut all GOPs and the corrected copy against cp of the same stream on the same disk: a stream
// of about 1 GiB built by repeating a sample, page cache warm; prints medians of 5 and the ratios,
// each ratio the median of those taken within one round. cp and Cut all GOPs are timed twice: as they
// return (the written data may still sit in the page cache, so the kernel's write-back of earlier runs
// can land on either), and until sync has put the data on disk.
// Usage: tools_bench SAMPLE [WORK_DIR] [SIZE_MIB] [ROUNDS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/m2v_stream.h"
#include "analysis/processing_options.h"
#include "settings/processing_mode.h"
#include "tools/corrected_copy.h"
#include "tools/file_copy.h"
#include "tools/gop_cut.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MedianOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median of the ratios of runs in the same round.
double MedianRatio(const std::vector<double>& times, const std::vector<double>& floor) {
    std::vector<double> ratios;
    for (size_t i = 0; i < times.size() && i < floor.size(); ++i) {
        ratios.push_back(times[i] / floor[i]);
    }
    return MedianOf(ratios);
}

bool RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<char> ReadAll(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The sample again and again up to about Size bytes. With padding, a padding packet goes in after
// every GOP header, where the analyser finds and lists foreign data.
int64_t BuildStream(const std::vector<char>& sample, const std::string& name, int64_t size, bool padding) {
    std::vector<char> unit = sample;
    int64_t packets = 0;
    if (padding) {
        static const char kPacket[] = {0, 0,          1,          char(0xBE), 0,
                                       4, char(0xFF), char(0xFF), char(0xFF), char(0xFF)};
        static const char kGop[] = {0, 0, 1, char(0xB8)};
        std::vector<char> padded;
        size_t from = 0;
        for (auto gop = std::search(sample.begin(), sample.end(), kGop, kGop + 4); gop != sample.end();
             gop = std::search(gop + 4, sample.end(), kGop, kGop + 4)) {
            static const char kPrefix[] = {0, 0, 1};
            const auto next = std::search(gop + 4, sample.end(), kPrefix, kPrefix + 3);
            const size_t at = static_cast<size_t>(next - sample.begin());
            padded.insert(padded.end(), sample.begin() + from, sample.begin() + at);
            padded.insert(padded.end(), kPacket, kPacket + sizeof kPacket);
            from = at;
            ++packets;
        }
        padded.insert(padded.end(), sample.begin() + from, sample.end());
        unit = padded;
    }
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    int64_t written = 0;
    int64_t copies = 0;
    while (written < size) {
        out.write(unit.data(), static_cast<std::streamsize>(unit.size()));
        written += static_cast<int64_t>(unit.size());
        ++copies;
    }
    return packets * copies;
}

// Reads the file once so the timed runs find it in the page cache.
void WarmCache(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

// The floor every per-GOP writer pays on this file system: creating and closing Count empty files.
void CreateEmptyFiles(const fs::path& folder, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
        const int fd =
            ::open((folder / ("empty" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

std::unique_ptr<velmora::TM2VStream> Analyse(const std::string& name, int32_t mode) {
    auto stream = std::make_unique<velmora::TM2VStream>(name);
    const bool extended = velmora::ApplyProcessingMode(*stream, mode);
    stream->ParseStream(true, extended);
    stream->CloseFile();
    return stream;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: tools_bench SAMPLE [WORK_DIR] [SIZE_MIB] [ROUNDS]\n");
        return 2;
    }
    const fs::path work = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) / "velmora-tools-bench";
    const int64_t size = (argc > 3 ? std::stoll(argv[3]) : 1024) << 20;
    const int rounds = argc > 4 ? std::max(1, std::stoi(argv[4])) : 5;
    fs::remove_all(work);
    fs::create_directories(work);
    const std::vector<char> sample = ReadAll(argv[1]);
    if (sample.empty()) {
        std::fprintf(stderr, "Can not read %s\n", argv[1]);
        return 1;
    }
    const std::string plain = (work / "stream.m2v").string();
    const std::string padded = (work / "padded.m2v").string();
    const std::string copy = (work / "copy.m2v").string();
    const std::string corrected = (work / "corrected.m2v").string();
    BuildStream(sample, plain, size, false);
    const int64_t packets = BuildStream(sample, padded, size, true);

    auto gopStream = Analyse(plain, velmora::kShowTreeMode);
    auto padStream = Analyse(padded, velmora::kQuickMode);
    fs::remove(plain + ".vnf");
    std::printf("stream: %.1f MiB, %lld GOPs; padded stream: %lld foreign blocks listed (%lld inserted)\n",
                double(fs::file_size(plain)) / (1 << 20), static_cast<long long>(gopStream->FGopCount),
                static_cast<long long>(padStream->FUnformattedBlocks.size()),
                static_cast<long long>(packets));

    const fs::path emptyFolder = work / "empty";
    auto clean = [&] {
        for (int64_t g = 1;; ++g) {
            if (!fs::remove(velmora::GopPieceName(plain, g))) {
                break;
            }
        }
        fs::remove(copy);
        fs::remove(corrected);
        fs::remove_all(emptyFolder);
        fs::create_directory(emptyFolder);
        WarmCache(plain);
        WarmCache(padded);
        // Each run starts without dirty pages of the one before, so no run pays for another's writeback.
        RunProgram({"sync"});
        // The file system finishes freeing the deleted files in the background; let it, untimed.
        ::sleep(2);
    };

    // Rounds interleave the programs so a slow spell of the shared machine hits them alike.
    bool ok = true;
    std::vector<double> cpTimes, copyTimes, cutTimes, fixedTimes, createTimes, cpSyncTimes, cutSyncTimes;
    auto cutAll = [&] {
        velmora::TToolHooks hooks;
        ok = velmora::CutAllGops(*gopStream, hooks).Ok() && ok;
    };
    for (int round = 0; round < rounds; ++round) {
        clean();
        cpTimes.push_back(Seconds([&] { ok = RunProgram({"cp", plain, copy}) && ok; }));
        clean();
        copyTimes.push_back(Seconds([&] {
            ok = velmora::CopyData(plain, copy, 0, static_cast<int64_t>(fs::file_size(plain))).Ok && ok;
        }));
        clean();
        cutTimes.push_back(Seconds(cutAll));
        clean();
        cpSyncTimes.push_back(Seconds([&] {
            ok = RunProgram({"cp", plain, copy}) && RunProgram({"sync"}) && ok;
        }));
        clean();
        cutSyncTimes.push_back(Seconds([&] {
            cutAll();
            ok = RunProgram({"sync"}) && ok;
        }));
        clean();
        fixedTimes.push_back(Seconds([&] { ok = velmora::SaveCorrected(*padStream, corrected).Ok && ok; }));
        clean();
        createTimes.push_back(Seconds([&] { CreateEmptyFiles(emptyFolder, gopStream->FGopCount); }));
    }
    fs::remove_all(work);
    if (!ok) {
        std::fprintf(stderr, "a timed run failed\n");
        return 1;
    }
    auto printRuns = [](const char* name, const std::vector<double>& times) {
        std::printf("%-15s", name);
        for (double t : times) {
            std::printf(" %7.3f", t);
        }
        std::printf("\n");
    };
    std::printf("runs (s):\n");
    printRuns("cp", cpTimes);
    printRuns("CopyData", copyTimes);
    printRuns("Cut all GOPs", cutTimes);
    printRuns("Save corrected", fixedTimes);
    printRuns("empty files", createTimes);
    printRuns("cp + sync", cpSyncTimes);
    printRuns("Cut + sync", cutSyncTimes);
    const double cp = MedianOf(cpTimes);
    const double create = MedianOf(createTimes);
    const double mib = double(size) / (1 << 20);
    auto printFigure = [&](const char* label, const std::vector<double>& times,
                           const std::vector<double>& floor, const char* target) {
        const double median = MedianOf(times);
        std::printf("%-16s%7.3f s  %7.0f MiB/s  ratio to cp %.2f%s\n", label, median, mib / median,
                    MedianRatio(times, floor), target);
    };
    std::printf("cp:             %7.3f s  %7.0f MiB/s\n", cp, mib / cp);
    printFigure("CopyData whole:", copyTimes, cpTimes, "");
    printFigure("Cut all GOPs:", cutTimes, cpTimes, " (target <= 2)");
    printFigure("Save corrected:", fixedTimes, cpTimes, " (target <= 1.5)");
    std::printf("cp + sync:      %7.3f s  %7.0f MiB/s\n", MedianOf(cpSyncTimes), mib / MedianOf(cpSyncTimes));
    printFigure("Cut + sync:", cutSyncTimes, cpSyncTimes, " (against cp + sync)");
    std::printf("creating %lld empty files: %.3f s; Cut all GOPs against cp + that floor: %.2f\n",
                static_cast<long long>(gopStream->FGopCount), create, MedianOf(cutTimes) / (cp + create));
    return 0;
}
