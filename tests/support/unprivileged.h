// Runs a piece of test work as an ordinary user, so that file permissions apply even when the tests
// run as root (root may write into a read-only folder).
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace velmora::test {

// Runs Work and returns its text. As root, Work runs in a child process that has taken the user and
// group ids of "nobody" (65534) first; nothing when that child could not be started or switch users,
// and a text saying so when it crashed.
// Work must not use test assertions: only its returned text reaches the caller.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& Work);

}  // namespace velmora::test
