// Progress bar on a terminal: redrawn in place with a carriage return, only when the percentage moves.
#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>

namespace velmora::cli {

TTerminalProgress::TTerminalProgress(std::string label, std::FILE* out)
    : label_(std::move(label)), out_(out) {}

TTerminalProgress::~TTerminalProgress() {
    Finish();
}

bool TTerminalProgress::StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void TTerminalProgress::SetMin(int64_t value) {
    TProgressValues::SetMin(value);
    Draw();
}

void TTerminalProgress::SetMax(int64_t value) {
    TProgressValues::SetMax(value);
    Draw();
}

void TTerminalProgress::SetPosition(int64_t value) {
    TProgressValues::SetPosition(value);
    Draw();
}

void TTerminalProgress::Draw() {
    const int64_t span = Max() - Min();
    const int64_t done = std::clamp<int64_t>(Position() - Min(), 0, span > 0 ? span : 0);
    const int percent = span > 0 ? static_cast<int>(done * 100 / span) : 0;
    if (percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(out_, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), percent);
    std::fflush(out_);
    drawn_ = true;
}

void TTerminalProgress::Finish() {
    if (drawn_) {
        std::fprintf(out_, "\r\033[K");
        std::fflush(out_);
        drawn_ = false;
        lastPercent_ = -1;
    }
}

}  // namespace velmora::cli
