// Advisory whole-file locks. The bit reader holds a shared lock on the stream file while it is open, so
// several analyses of one file run together; every tool that changes or replaces a file takes the
// exclusive lock first, so a file being analysed is never changed under the analyser.
#pragma once

#include <string>

namespace velmora {

// Takes an exclusive lock on the open file descriptor without waiting; false when another open
// file description holds a lock on the file. The lock goes with the descriptor when it is closed.
bool TryLockExclusive(int fd);
// Takes a shared lock without waiting; false while another open file description holds the exclusive
// one.
bool TryLockShared(int fd);

// True when some process holds a lock on the file at path (checked by trying to lock it).
bool IsFileLocked(const char* path);

// " (pid N)" for a process holding a lock on the open file, as the system lists it; empty when the
// list cannot be read or names no holder.
std::string LockHolder(int fd);

}  // namespace velmora
