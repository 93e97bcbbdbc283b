// The command line's progress bar on its own: what it draws as the analyser moves it, on a fake clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "terminal_progress.h"

namespace velmora::test {
namespace {

using cli::TTerminalProgress;
using namespace std::chrono_literals;

// The percentages drawn, in order, by the bars labelled Label in Bytes.
std::vector<int> DrawnPercents(const std::string& bytes, const std::string& label) {
    std::vector<int> percents;
    const std::string start = "\r" + label + " [";
    for (size_t at = bytes.find(start); at != std::string::npos; at = bytes.find(start, at + 1)) {
        const size_t close = bytes.find("] ", at);
        percents.push_back(std::stoi(bytes.substr(close + 2, 3)));
    }
    return percents;
}

// A bar writing into memory, on a clock the test moves.
class TerminalProgress : public ::testing::Test {
  protected:
    void SetUp() override { out_ = open_memstream(&buffer_, &size_); }
    void TearDown() override {
        bar_.reset();
        std::fclose(out_);
        std::free(buffer_);
    }
    TTerminalProgress& Bar(int64_t totalBytes = 0) {
        bar_ = std::make_unique<TTerminalProgress>("Processing", totalBytes, out_, [this] { return now_; });
        return *bar_;
    }
    std::string Written() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }

    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* out_ = nullptr;
    std::chrono::steady_clock::time_point now_{};
    std::unique_ptr<TTerminalProgress> bar_;
};

TEST_F(TerminalProgress, NeverStepsBackAcrossTheScanAndTheCacheLoad) {
    TTerminalProgress& bar = Bar();
    // The scan: buffers over 0..100, 85 % of the bar at its end.
    bar.SetMin(0);
    bar.SetMax(100);
    bar.SetPosition(0);
    for (int64_t refill : {10, 20, 18, 40, 85}) {
        bar.SetPosition(refill);
    }
    // The cache load starts over on pictures: 0, then 85 % of them, then up to all.
    bar.SetMin(0);
    bar.SetPosition(0);
    bar.SetMax(1000);
    bar.SetPosition(850);
    bar.SetPosition(840);
    bar.SetPosition(1000);
    bar.Finish();
    const std::string written = Written();
    EXPECT_EQ(DrawnPercents(written, "Processing"), (std::vector<int>{0, 10, 20, 40, 85, 100}));
    EXPECT_TRUE(written.ends_with("\r\033[K")) << written;
}

TEST_F(TerminalProgress, CompleteShowsAHundredPercentThenClears) {
    TTerminalProgress& bar = Bar();
    bar.SetMax(100);
    bar.SetPosition(85);  // a run that never fills the bar, as a quick scan does
    bar.Complete();
    const std::string written = Written();
    EXPECT_EQ(DrawnPercents(written, "Processing"), (std::vector<int>{0, 85, 100}));
    EXPECT_TRUE(written.ends_with("100%\033[K\r\033[K")) << written;
}

TEST_F(TerminalProgress, ShowsSpeedAndTimeLeft) {
    TTerminalProgress& bar = Bar(200'000'000);
    bar.SetMax(100);
    now_ += 2s;
    bar.SetPosition(25);  // 50 MB in 2 s
    EXPECT_TRUE(Written().ends_with("[#######.......................]  25%  25.0 MB/s  0:06 left\033[K"))
        << Written();
    now_ += 2s;
    bar.SetPosition(25);  // unchanged, but a second has passed: the figures are refreshed
    EXPECT_TRUE(Written().ends_with("25%  12.5 MB/s  0:12 left\033[K")) << Written();
    const size_t before = Written().size();
    bar.SetPosition(25);  // unchanged, no time passed: nothing is written
    EXPECT_EQ(Written().size(), before);
}

TEST_F(TerminalProgress, AMessageClearsTheBarWhichComesBackAtItsNextMove) {
    TTerminalProgress& bar = Bar();
    bar.SetMax(100);
    bar.SetPosition(30);
    TTerminalProgress::ClearLine();
    EXPECT_TRUE(Written().ends_with(" 30%\033[K\r\033[K")) << Written();
    TTerminalProgress::ClearLine();  // nothing on the line: nothing written
    EXPECT_TRUE(Written().ends_with(" 30%\033[K\r\033[K")) << Written();
    bar.SetPosition(30);
    EXPECT_TRUE(Written().ends_with(" 30%\033[K")) << Written();
    bar_.reset();
    EXPECT_TRUE(Written().ends_with(" 30%\033[K\r\033[K")) << Written();
    TTerminalProgress::ClearLine();  // the bar is gone: nothing written, nothing dangling
    EXPECT_TRUE(Written().ends_with(" 30%\033[K\r\033[K")) << Written();
}

}  // namespace
}  // namespace velmora::test
