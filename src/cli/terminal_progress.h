// A progress bar drawn on standard error, one per job (the analysis, the GOP cut).
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "common/progress_sink.h"

namespace velmora::cli {

// Whether bars are drawn: on a terminal only, or as --progress / --no-progress say.
enum class TProgressChoice { Auto, Always, Never };

// The analyser moves its bar through ranges of its own (the scan's buffers, then the cache's
// pictures); this bar shows the furthest fraction reached, so it never steps back.
class TTerminalProgress : public TProgressValues {
  public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;

    // totalBytes: the bytes the job goes through, for the speed and time left (0: none shown).
    TTerminalProgress(std::string label, int64_t totalBytes, std::FILE* out = stderr,
                      TClock now = std::chrono::steady_clock::now);
    ~TTerminalProgress() override;
    TTerminalProgress(const TTerminalProgress&) = delete;
    TTerminalProgress& operator=(const TTerminalProgress&) = delete;

    void SetMin(int64_t value) override;
    void SetMax(int64_t value) override;
    void SetPosition(int64_t value) override;
    // The job succeeded: the bar shows 100 % before its line is cleared.
    void Complete();
    // Clears the bar's line; done by the destructor too.
    void Finish();

    // A bar for a job over streamFile when Wanted, with the file's size for the speed; else nothing.
    static std::unique_ptr<TTerminalProgress> IfWanted(std::string label, const std::string& streamFile);

    static void SetChoice(TProgressChoice choice);
    // True when --progress forces bars, or standard error is a terminal and --no-progress is absent.
    static bool Wanted();
    // Clears the bar on the screen, if any, so that a message starts on an empty line; the bar is
    // drawn again at its next move.
    static void ClearLine();

  private:
    void Update();
    void Draw();
    void Clear();

    std::string label_;
    int64_t totalBytes_;
    std::FILE* out_;
    TClock now_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    double fraction_ = 0.0;  // furthest fraction reached, 0 to 1
    int drawnPercent_ = -1;
    bool onScreen_ = false;
};

}  // namespace velmora::cli
