// Fuzz target: any byte sequence as a stream file, parsed with extended records and with the cache.
#include <filesystem>

#include "analysis/m2v_stream.h"
#include "common/message_box.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    static const bool quiet = [] {
        SetMessageBoxHandler([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::string path = (fuzz::ScratchFolder() / "stream.m2v").string();
    fuzz::WriteFile(path, data, size);
    for (const bool cache : {false, true}) {
        std::error_code ec;
        std::filesystem::remove(path + ".vnf", ec);
        try {
            TM2VStream stream(path);
            stream.OnLog = [](const std::string&) {};
            stream.FQuickMode = false;
            stream.FUseCache = cache;
            stream.ParseStream(true, !cache);
        } catch (const EParserFileException&) {
            // An empty file cannot be opened for analysis.
        }
    }
    return 0;
}
