// Measures velmora-cli info in "Quick" and "Show tree" mode (scan and cache reload) against cat on a
// stream of about 1 GiB built by repeating a sample, page cache warm; prints medians of 5 and ratios.
// Usage: analysis_bench VELMORA_CLI SAMPLE [WORK_DIR] [SIZE_MIB]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/m2v_stream.h"

extern char** environ;

namespace {

struct TChildRun {
    double Seconds = 0;
    long MaxRssKib = 0;
    int Status = -1;
};

// Runs argv with stdout and stderr to /dev/null and returns its wall time and peak memory.
TChildRun Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    TChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.MaxRssKib = usage.ru_maxrss;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// Median wall time of five runs (and the largest peak memory); Prepare runs before each.
TChildRun Median(const std::vector<std::string>& args, const std::string& prepareRemove = {}) {
    std::vector<TChildRun> runs;
    for (int i = 0; i < 5; ++i) {
        if (!prepareRemove.empty()) {
            std::filesystem::remove(prepareRemove);
        }
        runs.push_back(Run(args));
    }
    std::sort(runs.begin(), runs.end(),
              [](const TChildRun& a, const TChildRun& b) { return a.Seconds < b.Seconds; });
    TChildRun median = runs[2];
    for (const TChildRun& r : runs) {
        median.MaxRssKib = std::max(median.MaxRssKib, r.MaxRssKib);
        if (r.Status != 0) {
            median.Status = r.Status;
        }
    }
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s VELMORA_CLI SAMPLE [WORK_DIR] [SIZE_MIB]\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1];
    const std::string sample = argv[2];
    const std::filesystem::path work = argc > 3 ? argv[3] : std::filesystem::temp_directory_path();
    const int64_t sizeMib = argc > 4 ? std::stoll(argv[4]) : 1024;
    const std::string stream = (work / "analysis_bench.m2v").string();

    std::ifstream in(sample, std::ios::binary);
    const std::vector<char> piece((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (piece.empty()) {
        std::fprintf(stderr, "cannot read %s\n", sample.c_str());
        return 1;
    }
    {
        std::ofstream out(stream, std::ios::binary | std::ios::trunc);
        for (int64_t written = 0; written < sizeMib * 1048576;
             written += static_cast<int64_t>(piece.size())) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
    }
    const double gib = static_cast<double>(std::filesystem::file_size(stream)) / (1024.0 * 1024 * 1024);
    std::printf("stream: %s, %.3f GiB (%s repeated)\n", stream.c_str(), gib, sample.c_str());

    Run({"cat", stream});  // warm the page cache right before timing
    const TChildRun cat = Median({"cat", stream});
    const TChildRun quick = Median({cli, "info", stream, "--mode", "quick"});
    const TChildRun scan = Median({cli, "info", stream, "--mode", "tree"}, stream + ".vnf");
    Run({cli, "info", stream, "--mode", "tree"});
    const TChildRun reload = Median({cli, "info", stream, "--mode", "tree"});

    std::printf("cat               %7.3f s  %6.2f GB/s\n", cat.Seconds, gib * 1.073741824 / cat.Seconds);
    std::printf("quick             %7.3f s  ratio to cat %.2f  peak memory %.1f MiB\n", quick.Seconds,
                quick.Seconds / cat.Seconds, quick.MaxRssKib / 1024.0);
    std::printf("tree (scan+cache) %7.3f s  ratio to cat %.2f  peak memory %.1f MiB\n", scan.Seconds,
                scan.Seconds / cat.Seconds, scan.MaxRssKib / 1024.0);
    std::printf("tree (reload)     %7.3f s  ratio to scan %.3f\n", reload.Seconds,
                reload.Seconds / scan.Seconds);

    // Memory of the header list as loaded from the cache.
    velmora::TM2VStream analysed(stream);
    analysed.FQuickMode = false;
    analysed.FUseCache = true;
    analysed.ParseStream(true, false);
    const int64_t entries = analysed.FHeaders.size();
    std::printf("header list: %lld entries, %.1f bytes per entry\n", static_cast<long long>(entries),
                entries > 0
                    ? static_cast<double>(analysed.FHeaders.MemoryBytes()) / static_cast<double>(entries)
                    : 0.0);
    analysed.CloseFile();

    const bool failed = cat.Status != 0 || quick.Status != 0 || scan.Status != 0 || reload.Status != 0;
    std::filesystem::remove(stream);
    std::filesystem::remove(stream + ".vnf");
    return failed ? 1 : 0;
}
