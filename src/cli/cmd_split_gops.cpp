// velmora-cli split-gops: every GOP of a stream to a file of its own beside it ("Cut all GOPs").
// Ctrl-C aborts between GOPs, as the window's Abort does.
#include <csignal>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "analyse.h"
#include "command_registry.h"
#include "console_log.h"
#include "terminal_progress.h"
#include "tools/gop_cut.h"

namespace velmora::cli {
namespace {

struct TSplitOptions {
    std::string File;
    std::string Mode = "tree";
    bool Force = false;
};

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

// Turns Ctrl-C into an abort request for as long as the cut runs.
class TInterruptAsAbort {
  public:
    TInterruptAsAbort() : previous_(std::signal(SIGINT, OnInterrupt)) { g_interrupted = 0; }
    ~TInterruptAsAbort() { std::signal(SIGINT, previous_); }
    TInterruptAsAbort(const TInterruptAsAbort&) = delete;
    TInterruptAsAbort& operator=(const TInterruptAsAbort&) = delete;

  private:
    void (*previous_)(int);
};

int RunSplit(const TSplitOptions& options) {
    if (!RequireHeaderList(options.Mode)) {
        return kExitFailure;
    }
    std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode);
    if (!analysis) {
        return kExitFailure;
    }
    TConsoleLog log;
    std::unique_ptr<TTerminalProgress> progress = TTerminalProgress::IfWanted("Cutting", options.File);
    bool userAbort = false;
    TInterruptAsAbort interrupt;
    TToolHooks hooks;
    hooks.Log = &log;
    hooks.Progress = progress.get();
    hooks.FUserAbort = &userAbort;
    hooks.Yield = [&userAbort] {
        if (g_interrupted != 0) {
            userAbort = true;
        }
    };
    const TGopCutResult result =
        CutAllGops(*analysis->Stream, hooks, options.Force ? INT64_MAX : kMaxGopPieces);
    if (progress) {
        if (result.Ok()) {
            progress->Complete();
        }
        progress->Finish();
    }
    if (result.TooManyPieces) {
        std::cerr << "Use --force to write them all.\n";
    }
    return result.Ok() ? kExitOk : kExitFailure;
}

void AddSplitCommand(CLI::App& app) {
    auto options = std::make_shared<TSplitOptions>();
    CLI::App* cmd =
        app.add_subcommand("split-gops", "Write every GOP to a file of its own beside the stream");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("--mode", options->Mode,
                    "Processing mode: tree, extended-tree, first-gop or rewrite-cache")
        ->check(CLI::IsMember({"tree", "extended-tree", "first-gop", "rewrite-cache"}))
        ->capture_default_str();
    cmd->add_flag("--force", options->Force,
                  "Write the pieces even past " + std::to_string(kMaxGopPieces) + " of them");
    cmd->callback([options] { SetExitCode(RunSplit(*options)); });
}

const RegisterCommand kRegisterSplit(AddSplitCommand);

}  // namespace
}  // namespace velmora::cli
