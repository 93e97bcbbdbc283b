// The names of temporary files still being written, kept where a signal handler can reach them, so
// that SIGINT and SIGTERM remove them before the program ends.
#pragma once

namespace velmora {

// Installs the SIGINT and SIGTERM handlers that remove every registered file and then end the
// program as the signal would have. Called once by each front end.
void InstallTemporaryFileCleanup();

// Registers a file name (relative names are taken against the current folder); the returned slot
// is passed to UnregisterTemporaryFile. -1 when the registry is full or the name too long for it.
int RegisterTemporaryFile(const char* Name);
void UnregisterTemporaryFile(int Slot);

}  // namespace velmora
