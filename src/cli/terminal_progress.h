// A progress bar drawn on standard error, for commands run from a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "common/progress_sink.h"

namespace velmora::cli {

class TTerminalProgress : public TProgressValues {
  public:
    explicit TTerminalProgress(std::string label, std::FILE* out = stderr);
    ~TTerminalProgress() override;
    TTerminalProgress(const TTerminalProgress&) = delete;
    TTerminalProgress& operator=(const TTerminalProgress&) = delete;

    void SetMin(int64_t value) override;
    void SetMax(int64_t value) override;
    void SetPosition(int64_t value) override;
    // Clears the bar's line; done by the destructor too.
    void Finish();

    // True when standard error is a terminal, the only case where a bar is worth drawing.
    static bool StderrIsTerminal();

  private:
    void Draw();

    std::string label_;
    std::FILE* out_;
    int lastPercent_ = -1;
    bool drawn_ = false;
};

}  // namespace velmora::cli
