// Times a start-code scan of one file with the bit reader, as the analyser walks a stream: find each
// prefix, then look at the start code value. Prints the median of several runs in seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "io/file_bit_stream.h"

namespace {

// The buffer size the analyser uses.
constexpr int32_t kAnalyserBufferSize = 524280;

struct TScanResult {
    double Seconds = 0;
    int64_t StartCodes = 0;
    uint64_t ValueSum = 0;  // keeps the peeked values alive for the optimiser
};

TScanResult Scan(const char* path) {
    TScanResult result;
    const auto start = std::chrono::steady_clock::now();
    velmora::TFileBitStream reader(path, kAnalyserBufferSize);
    while (reader.FindPattern(1, 24)) {
        ++result.StartCodes;
        result.ValueSum += reader.PeekBits(8);
    }
    result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        std::vector<double> seconds;
        TScanResult last;
        for (int i = 0; i < runs; ++i) {
            last = Scan(argv[1]);
            seconds.push_back(last.Seconds);
        }
        std::sort(seconds.begin(), seconds.end());
        std::printf("%.6f %lld %llu\n", seconds[seconds.size() / 2], static_cast<long long>(last.StartCodes),
                    static_cast<unsigned long long>(last.ValueSum));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
