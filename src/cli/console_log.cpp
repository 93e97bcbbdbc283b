// The tools' log on the terminal, clearing any progress bar before a line is written.
#include "console_log.h"

#include <iostream>

#include "terminal_progress.h"

namespace velmora::cli {

void TConsoleLog::AddLog(int kind, const std::string& text, TColour) {
    TTerminalProgress::ClearLine();  // a message never shares the line of a progress bar
    if (kind == logkind::Error) {
        std::cout.flush();
        std::cerr << text << std::endl;
    } else {
        std::cout << text << std::endl;
    }
}

}  // namespace velmora::cli
