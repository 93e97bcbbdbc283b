#include "common/message_box.h"

#include <cstdio>
#include <utility>

namespace velmora {

namespace {
MessageBoxHandler& CurrentHandler() {
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(CurrentHandler(), std::move(handler));
}

void ShowMessageBox(const std::string& text) {
    if (const MessageBoxHandler& handler = CurrentHandler()) {
        handler(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

}  // namespace velmora
