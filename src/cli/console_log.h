// The tools' log on the terminal: information lines on standard output, errors on standard error.
#pragma once

#include "common/log_sink.h"

namespace velmora::cli {

class TConsoleLog : public ILogSink {
  public:
    void AddLog(int kind, const std::string& text, TColour colour) override;
};

}  // namespace velmora::cli
