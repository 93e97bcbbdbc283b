// The video payload of one stream of an MPEG-1 or MPEG-2 program stream (.mpg, .vob): pack headers,
// system headers, the stream map, padding, private and audio packets are passed over.
#pragma once

#include <string>
#include <vector>

#include "container/byte_source.h"
#include "container/file_cursor.h"

namespace velmora {

inline constexpr uint8_t kFirstVideoStreamId = 0xE0;
inline constexpr uint8_t kLastVideoStreamId = 0xEF;

class TProgramStreamSource : public IByteSource {
  public:
    // Delivers the payload of the packets of StreamId (0xE0..0xEF; any other value delivers nothing)
    // from the file Fd (borrowed) read from Offset.
    TProgramStreamSource(int Fd, int64_t Offset, std::string FileName, int32_t StreamId, TContainerLog Log);

    int64_t Read(uint8_t* Data, int64_t Count) override;
    int64_t Skip(int64_t Count) override;
    int64_t Position() const override { return position_; }
    int64_t FileOffset() const override { return cursor_.Offset(); }

    // Walks the packets without delivering any until the file offset passes Limit or the file ends.
    void Walk(int64_t Limit);
    // The video stream ids met so far, in order of their first packet.
    const std::vector<uint8_t>& VideoStreamIds() const { return videoIds_; }

  private:
    // Moves to the payload of the next packet of the chosen stream; false at the end of the file.
    bool NextPayload();
    // Reads the system-layer unit at the cursor: a video packet's header (PayloadBytes set), or
    // passes a pack header or another packet. False when the file ends.
    bool NextUnit(bool& Video, uint8_t& StreamId, int64_t& PayloadBytes);
    bool Resynchronise();
    void Message(const std::string& Text) const;

    TFileCursor cursor_;
    int32_t streamId_;
    TContainerLog log_;
    int64_t position_ = 0;
    int64_t payloadLeft_ = 0;  // of the current packet of the chosen stream
    std::vector<uint8_t> videoIds_;
    bool ended_ = false;
};

}  // namespace velmora
