// A progress display driven by long work (the scan, the cache load, tree pages, the GOP cut).
#pragma once

#include <cstdint>

namespace velmora {

class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void SetMin(int64_t value) = 0;
    virtual void SetMax(int64_t value) = 0;
    virtual void SetPosition(int64_t value) = 0;
    virtual int64_t Min() const = 0;
    virtual int64_t Max() const = 0;
    virtual int64_t Position() const = 0;
};

// A progress sink that only remembers its values; the base for front ends that draw on their own.
class TProgressValues : public IProgressSink {
public:
    void SetMin(int64_t value) override { min_ = value; }
    void SetMax(int64_t value) override { max_ = value; }
    void SetPosition(int64_t value) override { position_ = value; }
    int64_t Min() const override { return min_; }
    int64_t Max() const override { return max_; }
    int64_t Position() const override { return position_; }

private:
    int64_t min_ = 0;
    int64_t max_ = 100;
    int64_t position_ = 0;
};

}  // namespace velmora
