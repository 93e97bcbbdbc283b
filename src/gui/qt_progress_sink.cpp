// Values outside the bar's int range are scaled down by a power of two.
#include "qt_progress_sink.h"

#include <QProgressBar>
#include <QThread>
#include <climits>

namespace velmora::gui {

TQtProgressSink::TQtProgressSink(QProgressBar* bar) : QObject(bar), bar_(bar) {}

void TQtProgressSink::SetMin(int64_t value) {
    min_.store(value);
    Changed();
}

void TQtProgressSink::SetMax(int64_t value) {
    max_.store(value);
    Changed();
}

void TQtProgressSink::SetPosition(int64_t value) {
    if (position_.exchange(value) != value) {
        Changed();
    }
}

void TQtProgressSink::Changed() {
    if (QThread::currentThread() == thread()) {
        Apply();
        return;
    }
    if (!applyQueued_.exchange(true)) {
        QMetaObject::invokeMethod(
            this, [this] { Apply(); }, Qt::QueuedConnection);
    }
}

void TQtProgressSink::Apply() {
    applyQueued_.store(false);
    if (!bar_) {
        return;
    }
    int64_t min = min_.load();
    int64_t max = std::max(max_.load(), min);
    int64_t position = std::clamp(position_.load(), min, max);
    if (max == min) {
        // An empty range would make the bar an endless busy indicator.
        bar_->setRange(0, 1);
        bar_->setValue(0);
        return;
    }
    int shift = 0;
    while ((max >> shift) > INT_MAX || (min >> shift) < INT_MIN) {
        ++shift;
    }
    bar_->setRange(static_cast<int>(min >> shift), static_cast<int>(max >> shift));
    bar_->setValue(static_cast<int>(position >> shift));
}

}  // namespace velmora::gui
