// "Go to": the header record that a GOP number, a picture number or a time code names.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace velmora {
class THeaderList;
}

namespace velmora::gui {

enum class TGoToKind { Gop, Picture, TimeCode };

struct TGoToRequest {
    TGoToKind Kind = TGoToKind::Gop;
    QString Text;
};

// The index in Headers of the GOP header numbered N (from 1), of the N-th picture header (from 1, in
// stream order), or of the GOP header whose time code is the last at or before "HH:MM:SS:FF" (the
// frames may follow a '.', and may be left out); nothing when the text is no such value or the list
// holds no such record.
std::optional<int64_t> FindRecord(const THeaderList& Headers, const TGoToRequest& Request);

}  // namespace velmora::gui
