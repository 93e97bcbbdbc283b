// Prints how much memory the header list of one stream takes per entry in a processing mode with a
// header list ("tree" as the window holds it after loading the cache, or "extended-tree").
// Usage: header_list_bench FILE MODE; prints "ENTRIES BYTES BYTES_PER_ENTRY". A cache file it writes
// beside FILE stays there, as velmora-cli would leave it.
#include <cstdio>
#include <exception>
#include <string>

#include "analysis/m2v_stream.h"
#include "analysis/processing_options.h"
#include "settings/processing_mode.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE MODE\n", argv[0]);
        return 2;
    }
    const int32_t mode = velmora::ProcessingModeFromCliName(argv[2]);
    if (mode == velmora::kNoProcessingMode) {
        std::fprintf(stderr, "unknown mode %s\n", argv[2]);
        return 2;
    }
    try {
        velmora::TM2VStream stream(argv[1]);
        const bool extended = velmora::ApplyProcessingMode(stream, mode);
        stream.ParseStream(true, extended);
        stream.CloseFile();
        const int64_t entries = stream.FHeaders.size();
        const double bytes = static_cast<double>(stream.FHeaders.MemoryBytes());
        std::printf("%lld %.0f %.1f\n", static_cast<long long>(entries), bytes,
                    entries > 0 ? bytes / static_cast<double>(entries) : 0.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
