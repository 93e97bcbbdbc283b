// The progress bar as a progress sink that any thread may drive: the values are kept in atomics
// and shown by the bar's own thread, as a share of the range that never steps back within a job.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>

#include "common/progress_sink.h"

class QProgressBar;

namespace velmora::gui {

class TQtProgressSink : public QObject, public IProgressSink {
    Q_OBJECT
  public:
    explicit TQtProgressSink(QProgressBar* bar);

    void SetMin(int64_t value) override;
    void SetMax(int64_t value) override;
    void SetPosition(int64_t value) override;
    int64_t Min() const override { return min_.load(); }
    int64_t Max() const override { return max_.load(); }
    int64_t Position() const override { return position_.load(); }

    // Shows the current values on the bar; runs on the bar's thread.
    void Apply();
    // A new job: the bar may start again from empty.
    void Restart();
    // The job has done all its work, whatever its last position said.
    void Complete();
    // The share shown, 0 to kSteps.
    int Shown() const { return shown_; }
    static constexpr int kSteps = 1000;

  private:
    void Changed();

    QPointer<QProgressBar> bar_;
    std::atomic<int64_t> min_{0};
    std::atomic<int64_t> max_{100};
    std::atomic<int64_t> position_{0};
    // One queued Apply at a time, however often a worker moves the position.
    std::atomic<bool> applyQueued_{false};
    int shown_ = 0;  // bar's thread only
};

}  // namespace velmora::gui
