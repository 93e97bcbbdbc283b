// Fuzz target: any byte sequence as a container file. Its first byte chooses the read size; every
// video stream the probe lists is then read to its end through its byte source, which must deliver
// what its position says and end.
#include <cstdlib>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "fuzz_file.h"

namespace {

constexpr int64_t kReadSizes[] = {1, 7, 188, 4096, 524280};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    if (size == 0) {
        return 0;
    }
    const int64_t readSize = kReadSizes[data[0] % 5];
    const std::string path = (fuzz::ScratchFolder() / "container.bin").string();
    fuzz::WriteFile(path, data + 1, size - 1);
    try {
        const TReadOnlyFile file(path);
        const TContainerInfo info = ProbeContainer(file.Fd(), path);
        std::vector<uint8_t> buffer(static_cast<size_t>(readSize));
        for (size_t index = 0; index < info.Streams.size(); ++index) {
            const auto source = OpenVideoSource(file.Fd(), path, info, index, [](const std::string&) {});
            int64_t total = 0;
            for (int64_t got; (got = source->Read(buffer.data(), readSize)) > 0;) {
                total += got;
            }
            // The payload of a file can never be longer than the file.
            if (total != source->Position() || total > static_cast<int64_t>(size)) {
                std::abort();
            }
        }
    } catch (const EContainerReadError&) {
        // The scratch file could not be read back.
    }
    return 0;
}
