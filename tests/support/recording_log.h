// A log sink for tests: keeps every line with its kind and colour.
#pragma once

#include <string>
#include <vector>

#include "common/log_sink.h"

namespace velmora::test {

struct LogLine {
    int kind;
    std::string text;
    TColour colour;
};

class RecordingLog : public ILogSink {
  public:
    void AddLog(int kind, const std::string& text, TColour colour) override {
        lines.push_back({kind, text, colour});
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const LogLine& line : lines) {
            texts.push_back(line.text);
        }
        return texts;
    }
    std::vector<LogLine> lines;
};

}  // namespace velmora::test
