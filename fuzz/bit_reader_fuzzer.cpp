// Fuzz target: the bit reader's operations in an order chosen by the input, over a file also taken
// from the input, each checked against a plain bit-by-bit model over memory: every value, Position
// and FEof must agree after every step. Small buffer sizes put refills everywhere.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz_file.h"
#include "io/file_bit_stream.h"

namespace {

// The reader as the header describes it, with no buffer at all.
class TBitModel {
  public:
    explicit TBitModel(const std::vector<uint8_t>& data) : data_(data) {}

    bool Eof() const { return bit_ / 8 >= data_.size(); }
    int64_t Position() const { return static_cast<int64_t>(bit_ / 8); }

    uint32_t ReadBit() {
        if (Eof()) {
            return 0;
        }
        const uint32_t value = (data_[bit_ / 8] >> (7 - bit_ % 8)) & 1u;
        ++bit_;
        return value;
    }
    uint32_t ReadBits(uint32_t count) {
        uint32_t value = 0;
        for (uint32_t n = 0; n < count; ++n) {
            value = (value << 1) | ReadBit();
        }
        return value;
    }
    uint32_t PeekBits(int32_t count) const {
        TBitModel copy = *this;
        return count <= 0 ? 0 : copy.ReadBits(static_cast<uint32_t>(std::min(count, 32)));
    }
    bool FindPattern(uint32_t pattern, uint32_t width) {
        const uint32_t mask = width >= 32 ? ~0u : (1u << width) - 1;
        while (bit_ % 8 != 0 && !Eof()) {
            ReadBit();
        }
        uint32_t value = ReadBits(width);
        while ((value & mask) != pattern) {
            if (Eof()) {
                return false;
            }
            value = (value << 8) | ReadBits(8);
        }
        return true;
    }
    bool FindStartCodeOutside(uint8_t first, uint8_t last) {
        for (;;) {
            if (!FindPattern(1, 24)) {
                return false;
            }
            const uint32_t value = PeekBits(8);
            if (value < first || value > last) {
                return true;
            }
        }
    }

  private:
    const std::vector<uint8_t>& data_;
    size_t bit_ = 0;
};

[[noreturn]] void Mismatch(const char* what, int step, uint64_t got, uint64_t expected) {
    std::fprintf(stderr, "step %d: %s gave %" PRIu64 ", the model %" PRIu64 "\n", step, what, got, expected);
    std::abort();
}

void Expect(const char* what, int step, uint64_t got, uint64_t expected) {
    if (got != expected) {
        Mismatch(what, step, got, expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    using namespace velmora;
    fuzz::SilenceMessageBoxes();
    FuzzedDataProvider in(input, size);
    // Mostly tiny buffers, so that refills fall inside fields, peeks and patterns.
    const int32_t bufferSize = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(1, 16)
                                                : in.ConsumeIntegralInRange<int32_t>(1, 70000);
    const size_t fileSize = in.ConsumeIntegralInRange<size_t>(1, 4096);
    const std::vector<uint8_t> data = in.ConsumeBytes<uint8_t>(fileSize);
    if (data.empty()) {
        return 0;  // an empty file cannot be opened for reading
    }
    const std::string path = (fuzz::ScratchFolder() / "bits.bin").string();
    fuzz::WriteFile(path, data.data(), data.size());

    TFileBitStream reader(path, bufferSize);
    TBitModel model(data);
    Expect("FileSize", -1, reader.FileSize(), data.size());
    for (int step = 0; step < 512 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
                Expect("ReadBit", step, reader.ReadBit(), model.ReadBit());
                break;
            case 1: {
                const uint32_t count = in.ConsumeIntegralInRange<uint32_t>(0, 32);
                Expect("ReadBits", step, reader.ReadBits(count), model.ReadBits(count));
                break;
            }
            case 2: {
                const int32_t count = in.ConsumeIntegralInRange<int32_t>(-2, 40);
                Expect("PeekBits", step, reader.PeekBits(count), model.PeekBits(count));
                break;
            }
            case 3: {
                // Whole bytes on a boundary, the analyser's usual read.
                const uint32_t count = 8 * in.ConsumeIntegralInRange<uint32_t>(1, 4);
                Expect("ReadBits (bytes)", step, reader.ReadBits(count), model.ReadBits(count));
                break;
            }
            case 4: {
                uint32_t pattern = 1;
                uint32_t width = 24;
                if (in.ConsumeBool()) {
                    width = in.ConsumeIntegralInRange<uint32_t>(0, 32);
                    pattern = in.ConsumeIntegral<uint32_t>();
                    if (in.ConsumeBool() && width < 32) {
                        pattern &= (1u << width) - 1;  // a pattern that can be found
                    }
                }
                Expect("FindPattern", step, reader.FindPattern(pattern, width),
                       model.FindPattern(pattern, width));
                break;
            }
            default: {
                const uint8_t first = in.ConsumeIntegral<uint8_t>();
                const uint8_t last = in.ConsumeIntegral<uint8_t>();
                Expect("FindStartCodeOutside", step, reader.FindStartCodeOutside(first, last),
                       model.FindStartCodeOutside(first, last));
                break;
            }
        }
        Expect("Position", step, static_cast<uint64_t>(reader.Position()),
               static_cast<uint64_t>(model.Position()));
        Expect("FEof", step, reader.FEof, model.Eof());
    }
    return 0;
}
