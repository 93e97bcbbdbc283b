// Times the container layer: the video of a program or transport stream delivered through its byte
// source in the analyser's 524,280-byte reads, or an elementary stream read through the same
// interface, once per process so that bench/run can set it beside cat and the Quick scan.
//
//   container_bench FILE [RUNS]
//
// Prints the container, the video bytes delivered, a checksum of them and the median seconds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "container/container_file.h"

namespace {

// The bit reader's buffer size.
constexpr int64_t kReadSize = 524280;

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    if (argc < 2) {
        std::fprintf(stderr, "usage: container_bench FILE [RUNS]\n");
        return 2;
    }
    const std::string name = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    try {
        const TReadOnlyFile file(name);
        const TContainerInfo info = ProbeContainer(file.Fd(), name);
        if (info.Streams.empty()) {
            std::fprintf(stderr, "%s: no video stream found\n", name.c_str());
            return 1;
        }
        const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(kReadSize);
        std::vector<double> seconds;
        int64_t bytes = 0;
        uint64_t checksum = 0;
        int64_t messages = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const auto source =
                OpenVideoSource(file.Fd(), name, info, 0, [&](const std::string&) { ++messages; });
            bytes = 0;
            checksum = 0;
            for (int64_t got; (got = source->Read(buffer.get(), kReadSize)) > 0;) {
                bytes += got;
                // One byte per read keeps the reads from being optimised away without adding a pass.
                checksum = checksum * 31 + buffer[static_cast<size_t>(got - 1)];
            }
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(seconds.begin(), seconds.end());
        std::printf("%s %lld bytes of video, checksum %016llx, %lld messages, median %.6f s\n",
                    std::string(ContainerName(info.Format.Kind)).c_str(), static_cast<long long>(bytes),
                    static_cast<unsigned long long>(checksum), static_cast<long long>(messages),
                    seconds[seconds.size() / 2]);
        return 0;
    } catch (const EContainerReadError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
