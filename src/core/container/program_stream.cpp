#include "container/program_stream.h"

#include <algorithm>
#include <cstring>

#include "container/pes_header.h"

namespace velmora {

namespace {

constexpr uint8_t kPackHeader = 0xBA;
constexpr uint8_t kProgramEnd = 0xB9;

bool IsSystemStartCode(const uint8_t* D) {
    return D[0] == 0 && D[1] == 0 && D[2] == 1 && D[3] >= kProgramEnd;
}

}  // namespace

TProgramStreamSource::TProgramStreamSource(int Fd, int64_t Offset, std::string FileName, int32_t StreamId,
                                           TContainerLog Log)
    : cursor_(Fd, Offset, std::move(FileName)), streamId_(StreamId), log_(std::move(Log)) {}

void TProgramStreamSource::Message(const std::string& Text) const {
    if (log_) {
        log_(Text);
    }
}

int64_t TProgramStreamSource::Read(uint8_t* Data, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        if (payloadLeft_ == 0 && !NextPayload()) {
            break;
        }
        if (cursor_.Available() == 0 && !cursor_.Ensure(1)) {
            Message("PES packet cut short: " + std::to_string(payloadLeft_) + " bytes missing at offset " +
                    std::to_string(position_));
            payloadLeft_ = 0;
            ended_ = true;
            break;
        }
        const int32_t n =
            static_cast<int32_t>(std::min({payloadLeft_, int64_t{cursor_.Available()}, Count - done}));
        std::memcpy(Data + done, cursor_.Data(), static_cast<size_t>(n));
        cursor_.Advance(n);
        done += n;
        position_ += n;
        payloadLeft_ -= n;
    }
    return done;
}

int64_t TProgramStreamSource::Skip(int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        if (payloadLeft_ == 0 && !NextPayload()) {
            break;
        }
        const int64_t want = std::min(payloadLeft_, Count - done);
        const int64_t passed = cursor_.Skip(want);
        done += passed;
        position_ += passed;
        payloadLeft_ -= passed;
        if (passed < want) {
            Message("PES packet cut short: " + std::to_string(payloadLeft_) + " bytes missing at offset " +
                    std::to_string(position_));
            payloadLeft_ = 0;
            ended_ = true;
            break;
        }
    }
    return done;
}

void TProgramStreamSource::Walk(int64_t Limit) {
    bool video = false;
    uint8_t id = 0;
    int64_t payload = 0;
    while (!ended_ && cursor_.Offset() < Limit) {
        if (!NextUnit(video, id, payload)) {
            ended_ = true;
        } else if (video) {
            cursor_.Skip(payload);
        }
    }
}

bool TProgramStreamSource::NextPayload() {
    bool video = false;
    uint8_t id = 0;
    int64_t payload = 0;
    while (!ended_) {
        if (!NextUnit(video, id, payload)) {
            ended_ = true;
        } else if (video && id == streamId_ && payload > 0) {
            payloadLeft_ = payload;
            return true;
        } else if (video) {
            cursor_.Skip(payload);
        }
    }
    return false;
}

bool TProgramStreamSource::NextUnit(bool& Video, uint8_t& StreamId, int64_t& PayloadBytes) {
    Video = false;
    for (;;) {
        if (!cursor_.Ensure(4)) {
            return false;
        }
        const uint8_t* d = cursor_.Data();
        if (!IsSystemStartCode(d)) {
            if (!Resynchronise()) {
                return false;
            }
            continue;
        }
        const uint8_t code = d[3];
        if (code == kPackHeader) {
            // MPEG-2: 14 bytes and up to 7 stuffing bytes; MPEG-1: 12 bytes.
            if (!cursor_.Ensure(14)) {
                return false;
            }
            d = cursor_.Data();
            int32_t length = 0;
            if ((d[4] & 0xC0) == 0x40) {
                length = 14 + (d[13] & 0x07);
            } else if ((d[4] & 0xF0) == 0x20) {
                length = 12;
            } else if (!Resynchronise()) {
                return false;
            } else {
                continue;
            }
            if (cursor_.Skip(length) < length) {
                return false;
            }
            continue;
        }
        if (code == kProgramEnd) {
            cursor_.Advance(4);
            continue;
        }
        if (!cursor_.Ensure(6)) {
            return false;
        }
        d = cursor_.Data();
        const int64_t total = 6 + ((d[4] << 8) | d[5]);
        if (code < kFirstVideoStreamId || code > kLastVideoStreamId) {
            if (cursor_.Skip(total) < total) {
                return false;
            }
            continue;
        }
        cursor_.Ensure(static_cast<int32_t>(std::min<int64_t>(total, kMaxPesHeaderLength)));
        TPesHeader header;
        const int32_t size = static_cast<int32_t>(std::min<int64_t>(cursor_.Available(), total));
        const TPesParse parsed = ParsePesHeader(cursor_.Data(), size, header);
        if (parsed == TPesParse::NeedMore) {
            if (code == streamId_) {
                Message("PES packet cut short in its header at offset " + std::to_string(position_));
            }
            return false;
        }
        if (parsed == TPesParse::Invalid || header.PacketLength == 0) {
            if (code == streamId_) {
                Message("Invalid PES header skipped before offset " + std::to_string(position_));
            }
            if (cursor_.Skip(total) < total) {
                return false;
            }
            continue;
        }
        if (std::find(videoIds_.begin(), videoIds_.end(), code) == videoIds_.end()) {
            videoIds_.push_back(code);
        }
        if (cursor_.Skip(header.HeaderLength) < header.HeaderLength) {
            return false;
        }
        Video = true;
        StreamId = code;
        PayloadBytes = total - header.HeaderLength;
        return true;
    }
}

// Looks for the next pack header after the cursor and says how much was passed over to reach it.
bool TProgramStreamSource::Resynchronise() {
    cursor_.Advance(1);
    int64_t skipped = 1;
    for (;;) {
        if (!cursor_.Ensure(4)) {
            skipped += cursor_.Available();
            cursor_.Advance(cursor_.Available());
            Message(std::to_string(skipped) + " bytes of unknown data at the end of the file skipped");
            return false;
        }
        const uint8_t* d = cursor_.Data();
        const int32_t n = cursor_.Available();
        for (const uint8_t* p = d + 3;; ++p) {
            p = static_cast<const uint8_t*>(std::memchr(p, kPackHeader, static_cast<size_t>(d + n - p)));
            if (p == nullptr) {
                break;
            }
            if (p[-3] == 0 && p[-2] == 0 && p[-1] == 1) {
                const int32_t at = static_cast<int32_t>(p - 3 - d);
                cursor_.Advance(at);
                skipped += at;
                Message(std::to_string(skipped) + " bytes of unknown data skipped before offset " +
                        std::to_string(position_));
                return true;
            }
            if (p + 1 == d + n) {
                break;
            }
        }
        // The last three bytes may begin the prefix of a pack header in the next read.
        cursor_.Advance(n - 3);
        skipped += n - 3;
    }
}

}  // namespace velmora
