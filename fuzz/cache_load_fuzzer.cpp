// Fuzz target: any byte sequence as the analysis cache of a small stream, loaded as a valid cache.
#include <filesystem>

#include "analysis/m2v_stream.h"
#include "common/message_box.h"
#include "common/progress_sink.h"
#include "fuzz_file.h"
#include "io/vob_file_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    static const bool quiet = [] {
        SetMessageBoxHandler([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::string path = (fuzz::ScratchFolder() / "stream.m2v").string();
    static const uint8_t kStream[] = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0x3A, 0x98, 0x20, 0xE0};
    fuzz::WriteFile(path, kStream, sizeof kStream);
    fuzz::WriteFile(path + ".vnf", data, size);
    TM2VStream stream(path);
    TProgressValues bar;
    stream.SetProgressBar(&bar);
    stream.OnLog = [](const std::string&) {};
    stream.LoadCache(path + ".vnf", size % 2 == 0);
    return 0;
}
