// Progress bar on a terminal: redrawn in place with a carriage return when the percentage moves or
// a second has passed, with the stream's bytes per second and the time left.
#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace velmora::cli {
namespace {

TProgressChoice g_choice = TProgressChoice::Auto;
TTerminalProgress* g_onScreen = nullptr;  // the bar whose line is on the terminal now

constexpr int kWidth = 30;
constexpr auto kRefresh = std::chrono::seconds(1);

std::string Duration(double seconds) {
    const auto total = static_cast<long long>(std::llround(seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

}  // namespace

TTerminalProgress::TTerminalProgress(std::string label, int64_t totalBytes, std::FILE* out, TClock now)
    : label_(std::move(label)),
      totalBytes_(totalBytes),
      out_(out),
      now_(std::move(now)),
      start_(now_()),
      lastDraw_(start_) {}

TTerminalProgress::~TTerminalProgress() {
    Finish();
}

std::unique_ptr<TTerminalProgress> TTerminalProgress::IfWanted(std::string label,
                                                               const std::string& streamFile) {
    if (!Wanted()) {
        return nullptr;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(streamFile, error);
    return std::make_unique<TTerminalProgress>(std::move(label), error ? 0 : static_cast<int64_t>(size));
}

void TTerminalProgress::SetChoice(TProgressChoice choice) {
    g_choice = choice;
}

bool TTerminalProgress::Wanted() {
    switch (g_choice) {
        case TProgressChoice::Always:
            return true;
        case TProgressChoice::Never:
            return false;
        case TProgressChoice::Auto:
            break;
    }
    return ::isatty(STDERR_FILENO) == 1;
}

void TTerminalProgress::ClearLine() {
    if (g_onScreen != nullptr) {
        g_onScreen->Clear();
    }
}

void TTerminalProgress::SetMin(int64_t value) {
    TProgressValues::SetMin(value);
    Update();
}

void TTerminalProgress::SetMax(int64_t value) {
    TProgressValues::SetMax(value);
    Update();
}

void TTerminalProgress::SetPosition(int64_t value) {
    TProgressValues::SetPosition(value);
    Update();
}

void TTerminalProgress::Update() {
    const int64_t span = Max() - Min();
    if (span > 0) {
        const double now =
            static_cast<double>(std::clamp<int64_t>(Position() - Min(), 0, span)) / static_cast<double>(span);
        fraction_ = std::max(fraction_, now);
    }
    const auto percent = static_cast<int>(fraction_ * 100.0);
    if (!onScreen_ || percent != drawnPercent_ || now_() - lastDraw_ >= kRefresh) {
        Draw();
    }
}

void TTerminalProgress::Draw() {
    lastDraw_ = now_();
    drawnPercent_ = static_cast<int>(fraction_ * 100.0);
    const int filled = drawnPercent_ * kWidth / 100;
    std::string line =
        "\r" + label_ + " [" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] ";
    char figures[64];
    std::snprintf(figures, sizeof figures, "%3d%%", drawnPercent_);
    line += figures;
    const double seconds = std::chrono::duration<double>(lastDraw_ - start_).count();
    if (totalBytes_ > 0 && fraction_ > 0.0 && seconds >= 0.2) {
        const double bytesPerSecond = fraction_ * static_cast<double>(totalBytes_) / seconds;
        std::snprintf(figures, sizeof figures, "  %.1f MB/s", bytesPerSecond / 1e6);
        line += figures;
        if (fraction_ < 1.0) {
            line += "  " + Duration(seconds * (1.0 - fraction_) / fraction_) + " left";
        }
    }
    line += "\033[K";
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
    if (g_onScreen != nullptr && g_onScreen != this) {
        g_onScreen->onScreen_ = false;  // its line was just drawn over
    }
    g_onScreen = this;
    onScreen_ = true;
}

void TTerminalProgress::Clear() {
    if (onScreen_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        onScreen_ = false;
    }
    if (g_onScreen == this) {
        g_onScreen = nullptr;
    }
}

void TTerminalProgress::Complete() {
    fraction_ = 1.0;
    Draw();
    Clear();
}

void TTerminalProgress::Finish() {
    Clear();
}

}  // namespace velmora::cli
