// Sizes in the C locale, so the texts read the same on every desktop.
#include "work_status.h"

#include <QLocale>
#include <cmath>

namespace velmora::gui {
namespace {

QString DurationText(int64_t Seconds) {
    const int64_t hours = Seconds / 3600;
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2").arg(Seconds / 60 % 60).arg(Seconds % 60, 2, 10, QLatin1Char('0'));
    if (hours == 0) {
        return minutesAndSeconds;
    }
    return QStringLiteral("%1:%2").arg(hours).arg(minutesAndSeconds.rightJustified(5, QLatin1Char('0')));
}

}  // namespace

QString FileSizeText(int64_t Bytes) {
    return QLocale::c().formattedDataSize(Bytes) + QStringLiteral(" (") + QString::number(Bytes) +
           QStringLiteral(" bytes)");
}

QString WorkStatusText(double Share, double Seconds, int64_t Bytes) {
    if (!(Share > 0) || !(Seconds > 0)) {
        return QStringLiteral("Working...");
    }
    const double share = std::min(Share, 1.0);
    const double megabytesPerSecond = share * static_cast<double>(Bytes) / Seconds / 1e6;
    const auto secondsLeft = static_cast<int64_t>(std::llround(Seconds * (1 - share) / share));
    return QStringLiteral("%1 %, %2 MB/s, %3 left")
        .arg(static_cast<int>(share * 100))
        .arg(megabytesPerSecond, 0, 'f', 1)
        .arg(DurationText(secondsLeft));
}

}  // namespace velmora::gui
