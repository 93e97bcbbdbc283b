// The bar shows the share of the range in thousandths, so any 64-bit range fits it.
#include "qt_progress_sink.h"

#include <QProgressBar>
#include <QThread>

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
    const int64_t min = min_.load();
    const int64_t max = std::max(max_.load(), min);
    const int64_t position = position_.load();
    // An empty range is an empty share, never a busy indicator; a position beyond a new range is the
    // previous range's, not yet moved. A later phase of the same job (the tree page after the parse,
    // the cache read after the scan) starts its own range; the bar keeps what it has shown.
    const int share = max == min || position < min || position > max
                          ? 0
                          : static_cast<int>(static_cast<long double>(position - min) * kSteps /
                                             static_cast<long double>(max - min));
    shown_ = std::max(shown_, share);
    if (bar_) {
        bar_->setRange(0, kSteps);
        bar_->setValue(shown_);
    }
}

void TQtProgressSink::Complete() {
    shown_ = kSteps;
    Apply();
}

void TQtProgressSink::Restart() {
    position_.store(min_.load());
    shown_ = 0;
    Apply();
}

}  // namespace velmora::gui
