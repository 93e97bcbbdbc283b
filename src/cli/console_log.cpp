#include "console_log.h"

#include <iostream>

namespace velmora::cli {

void TConsoleLog::AddLog(int kind, const std::string& text, TColour) {
    if (kind == logkind::Error) {
        std::cout.flush();
        std::cerr << text << std::endl;
    } else {
        std::cout << text << std::endl;
    }
}

}  // namespace velmora::cli
