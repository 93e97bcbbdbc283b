// Messages that the desktop program shows in a message box (file errors of the bit reader, a damaged
// cache file). The front end installs its handler; without one they go to standard error.
#pragma once

#include <functional>
#include <string>

namespace velmora {

using MessageBoxHandler = std::function<void(const std::string& text)>;

// Installs handler and returns the previous one; an empty handler restores the default.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
void ShowMessageBox(const std::string& text);

}  // namespace velmora
