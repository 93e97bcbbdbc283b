// Advisory whole-file locks through flock, and the holder of a lock as /proc/locks lists it.
#include "io/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace velmora {

bool TryLockExclusive(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool TryLockShared(int fd) {
    return ::flock(fd, LOCK_SH | LOCK_NB) == 0;
}

bool IsFileLocked(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

std::string LockHolder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return {};
    }
    // flock cannot name its holder; /proc/locks lists "N: FLOCK ADVISORY WRITE pid mm:mm:inode ...",
    // with the device's numbers in hex. Lines with "->" are processes waiting, not holders.
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, advisory, access, pid, file;
        fields >> number >> type >> advisory >> access >> pid >> file;
        if (type == "FLOCK" && file == device && pid != "-1") {
            return " (pid " + pid + ")";
        }
    }
    return {};
}

}  // namespace velmora
