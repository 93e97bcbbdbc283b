// A fixed table of temporary file names that the signal handler reads without locks or allocation.
#include "io/temporary_files.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace velmora {

namespace {

constexpr int kSlots = 64;
enum : int { kFree, kFilling, kLive };

struct TSlot {
    std::atomic<int> State{kFree};
    char Name[PATH_MAX];
};

TSlot g_slots[kSlots];

void RemoveAndRaise(int signal) {
    for (TSlot& slot : g_slots) {
        if (slot.State.load() == kLive) {
            ::unlink(slot.Name);
        }
    }
    // End as the signal would have, so the parent sees the usual status.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void InstallTemporaryFileCleanup() {
    struct sigaction action {};
    action.sa_handler = RemoveAndRaise;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int RegisterTemporaryFile(const char* Name) {
    const size_t length = std::strlen(Name);
    if (length >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_slots[i].State.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(g_slots[i].Name, Name, length + 1);
            g_slots[i].State.store(kLive);
            return i;
        }
    }
    return -1;
}

void UnregisterTemporaryFile(int Slot) {
    if (Slot >= 0 && Slot < kSlots) {
        g_slots[Slot].State.store(kFree);
    }
}

}  // namespace velmora
