#include "preview/picture_units.h"

#include <string>
#include <utility>

#include "preview/preview_error.h"
#include "preview/start_code_reader.h"

namespace velmora {
namespace {

// Far above the largest picture a conforming stream can hold; a larger one is damage.
constexpr int64_t kMaxFrameBytes = int64_t{64} << 20;

constexpr uint8_t kPictureStart = 0x00;
constexpr uint8_t kLastSliceStart = 0xAF;
constexpr uint8_t kUserDataStart = 0xB2;
constexpr uint8_t kSequenceHeaderStart = 0xB3;
constexpr uint8_t kExtensionStart = 0xB5;
constexpr uint8_t kGopStart = 0xB8;

using TRanges = std::vector<std::pair<int64_t, int64_t>>;

bool Continues(uint8_t Code) {
    return (Code >= 0x01 && Code <= kLastSliceStart) || Code == kExtensionStart || Code == kUserDataStart;
}

std::string At(int64_t Position) {
    return "at position " + std::to_string(Position);
}

// Collects the byte ranges of each picture while start codes pass by.
class TUnitWalker {
  public:
    TUnitWalker(IElementaryStreamReader& Stream, const TDecodePlan& Plan) : stream_(Stream), plan_(Plan) {
        ranges_.resize(Plan.Pictures.size());
    }

    // Takes the next start code; true once the last planned picture is complete.
    bool Take(const TStartCode& Code) {
        if (Continues(Code.Value)) {
            if (mode_ != EMode::Idle && open_ < 0) {
                open_ = Code.Position;  // back from foreign data
            }
            return false;
        }
        if (Code.Value == kSequenceHeaderStart || Code.Value == kGopStart) {
            if (mode_ == EMode::Picture && FinishPicture(Code.Position)) {
                return true;
            }
            if (mode_ != EMode::Header) {
                pending_.clear();
                mode_ = EMode::Header;
            }
            if (open_ < 0) {
                open_ = Code.Position;
            }
            return false;
        }
        if (Code.Value == kPictureStart) {
            if (mode_ == EMode::Picture && FinishPicture(Code.Position)) {
                return true;
            }
            StartPicture(Code.Position);
            return false;
        }
        // Foreign data, a sequence end or a reserved code: its bytes are left out.
        Close(Code.Position);
        if (mode_ == EMode::Picture && Code.Value == 0xB7) {
            return FinishPicture(Code.Position);
        }
        return false;
    }

    // The stream ended at End.
    void Finish(int64_t End) {
        if (mode_ == EMode::Picture && !FinishPicture(End)) {
            throw EPreviewError("The stream ends before the picture: it changed since it was analysed.");
        }
        if (mode_ != EMode::Picture && next_ < static_cast<int64_t>(ranges_.size())) {
            throw EPreviewError("The stream ends before the picture: it changed since it was analysed.");
        }
    }

    const std::vector<TRanges>& Ranges() const { return ranges_; }

  private:
    enum class EMode { Idle, Header, Picture };

    void Close(int64_t Position) {
        if (open_ >= 0) {
            current_.emplace_back(open_, Position);
            open_ = -1;
        }
    }

    void StartPicture(int64_t Position) {
        current_ = mode_ == EMode::Header ? std::move(pending_) : TRanges{};
        pending_.clear();
        if (open_ < 0) {
            open_ = Position;
        }
        mode_ = EMode::Picture;
        if (skipped_ < plan_.PicturesToSkip) {
            ++skipped_;
            counting_ = false;
            return;
        }
        counting_ = true;
        Check(Position, plan_.Pictures[static_cast<size_t>(next_)]);
    }

    // Ends the current picture at Position; true when it was the last one planned.
    bool FinishPicture(int64_t Position) {
        Close(Position);
        mode_ = EMode::Idle;
        if (!counting_) {
            current_.clear();
            return false;
        }
        int64_t bytes = 0;
        for (const auto& [from, to] : current_) {
            bytes += to - from;
        }
        if (bytes > kMaxFrameBytes) {
            throw EPreviewError("The picture " + At(current_.front().first) + " is larger than " +
                                std::to_string(kMaxFrameBytes >> 20) + " MiB: the stream is damaged.");
        }
        ranges_[static_cast<size_t>(next_)] = std::move(current_);
        current_.clear();
        return ++next_ == static_cast<int64_t>(ranges_.size());
    }

    // The picture header's temporal reference and coding type must be the analysed ones.
    void Check(int64_t Position, const TPlannedPicture& Expected) {
        uint8_t header[2] = {0, 0};
        if (stream_.Read(Position + 4, header) != 2 ||
            ((header[0] << 2) | (header[1] >> 6)) != Expected.TemporalReference ||
            ((header[1] >> 3) & 7) != Expected.CodingType) {
            throw EPreviewError("The picture header " + At(Position) +
                                " is not the analysed one: the stream changed since it was analysed.");
        }
    }

    IElementaryStreamReader& stream_;
    const TDecodePlan& plan_;
    std::vector<TRanges> ranges_;
    TRanges pending_;  // header bytes waiting for their picture
    TRanges current_;
    EMode mode_ = EMode::Idle;
    int64_t open_ = -1;  // start of the range being collected, -1 in foreign data
    int64_t skipped_ = 0;
    int64_t next_ = 0;
    bool counting_ = false;
};

// The sequence header at Position with its extensions and user data.
TRanges SequenceHeaderRanges(IElementaryStreamReader& Stream, int64_t Position) {
    TStartCodeReader reader(Stream, Position);
    std::optional<TStartCode> code = reader.Next();
    if (!code || code->Position != Position || code->Value != kSequenceHeaderStart) {
        throw EPreviewError("No sequence header " + At(Position) +
                            ": the stream changed since it was analysed.");
    }
    while ((code = reader.Next()) && (code->Value == kExtensionStart || code->Value == kUserDataStart)) {
    }
    return {{Position, code ? code->Position : reader.End()}};
}

}  // namespace

std::vector<TFrameUnit> FindFrameUnits(IElementaryStreamReader& Stream, const TDecodePlan& Plan) {
    TUnitWalker walker(Stream, Plan);
    TStartCodeReader reader(Stream, Plan.ScanFrom);
    bool complete = false;
    while (!complete) {
        const std::optional<TStartCode> code = reader.Next();
        if (!code) {
            walker.Finish(reader.End());
            break;
        }
        complete = walker.Take(*code);
    }

    std::vector<TFrameUnit> units;
    for (size_t i = 0; i < Plan.Pictures.size(); ++i) {
        const TPlannedPicture& picture = Plan.Pictures[i];
        if (!picture.Feed) {
            continue;
        }
        const TRanges& ranges = walker.Ranges()[i];
        if (units.empty() || units.back().FrameEntry != picture.FrameEntry) {
            units.push_back(TFrameUnit{picture.FrameEntry, ranges.front().first, {}});
            if (units.size() == 1 && Plan.SequenceHeaderPosition >= 0) {
                units.back().Ranges = SequenceHeaderRanges(Stream, Plan.SequenceHeaderPosition);
            }
        }
        units.back().Ranges.insert(units.back().Ranges.end(), ranges.begin(), ranges.end());
    }
    return units;
}

std::vector<uint8_t> ReadFrameUnit(IElementaryStreamReader& Stream, const TFrameUnit& Unit) {
    std::vector<uint8_t> bytes;
    for (const auto& [from, to] : Unit.Ranges) {
        const size_t at = bytes.size();
        bytes.resize(at + static_cast<size_t>(to - from));
        if (Stream.Read(from, std::span<uint8_t>(bytes.data() + at, bytes.size() - at)) !=
            static_cast<size_t>(to - from)) {
            throw EPreviewError("The stream ends " + At(from) + ": it changed since it was analysed.");
        }
    }
    return bytes;
}

}  // namespace velmora
