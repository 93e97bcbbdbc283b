#include "io/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace velmora {

bool TryLockExclusive(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool IsFileLocked(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

}  // namespace velmora
