// Linear searches of the header list: "Go to" is a rare command, and a list is walked in well under a
// second even for a long film.
#include "record_search.h"

#include <QRegularExpression>
#include <array>

#include "analysis/header_kinds.h"
#include "analysis/header_list.h"
#include "analysis/records.h"

namespace velmora::gui {
namespace {

std::optional<int64_t> PositiveNumber(const QString& Text) {
    bool ok = false;
    const qlonglong value = Text.trimmed().toLongLong(&ok);
    if (!ok || value < 1) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::array<int, 4>> ParseTimeCode(const QString& Text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2}):(\\d{1,2})(?:[:.;](\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(Text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return std::array<int, 4>{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                              match.captured(4).toInt()};
}

}  // namespace

std::optional<int64_t> FindRecord(const THeaderList& Headers, const TGoToRequest& Request) {
    switch (Request.Kind) {
        case TGoToKind::Gop: {
            const std::optional<int64_t> number = PositiveNumber(Request.Text);
            for (int64_t i = 0; number && i < Headers.size(); ++i) {
                if (Headers.Kind(i) == kind::GopHeader &&
                    Headers[i].As<TGopHeaderRecord>().gop_number == *number) {
                    return i;
                }
            }
            return std::nullopt;
        }
        case TGoToKind::Picture: {
            const std::optional<int64_t> number = PositiveNumber(Request.Text);
            int64_t seen = 0;
            for (int64_t i = 0; number && i < Headers.size(); ++i) {
                if (Headers.Kind(i) == kind::PictureHeader && ++seen == *number) {
                    return i;
                }
            }
            return std::nullopt;
        }
        case TGoToKind::TimeCode: {
            const std::optional<std::array<int, 4>> wanted = ParseTimeCode(Request.Text);
            std::optional<int64_t> found;
            for (int64_t i = 0; wanted && i < Headers.size(); ++i) {
                if (Headers.Kind(i) != kind::GopHeader) {
                    continue;
                }
                const TGopHeaderRecord gop = Headers[i].As<TGopHeaderRecord>();
                const std::array<int, 4> code{gop.time_code_hours, gop.time_code_minutes,
                                              gop.time_code_seconds, gop.time_code_pictures};
                if (code <= *wanted) {
                    found = i;
                } else if (found) {
                    break;
                }
            }
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace velmora::gui
