// Advisory whole-file locks. The bit reader holds an exclusive lock on the stream file while it is
// open; every tool that changes or replaces a file takes the same lock first, so a file being
// analysed is never changed under the analyser.
#pragma once

namespace velmora {

// Takes an exclusive lock on the open file descriptor without waiting; false when another open
// file description holds a lock on the file. The lock goes with the descriptor when it is closed.
bool TryLockExclusive(int fd);

// True when some process holds a lock on the file at path (checked by trying to lock it).
bool IsFileLocked(const char* path);

}  // namespace velmora
