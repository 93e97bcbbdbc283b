// Test helper: work run under the "nobody" user ids in a child process when the tests run as root.
#include "support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <string>

namespace velmora::test {

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kSwitchFailed = 3;

void WriteAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& Work) {
    if (::geteuid() != 0) {
        return Work();
    }
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        // Groups first: once the user id is dropped, the group ids can no longer be changed.
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(kSwitchFailed);
        }
        std::string text;
        try {
            text = Work();
        } catch (const std::exception& e) {
            text = std::string("exception: ") + e.what();
        }
        WriteAll(pipeFds[1], text);
        // _exit: the child must not run the parent's exit handlers (test reports, leak checks).
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kSwitchFailed) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        // A crash of the work is a result the caller must see, not a reason to skip.
        return "the child process ended abnormally (wait status " + std::to_string(status) + ")";
    }
    return text;
}

}  // namespace velmora::test
