#pragma once

#include <chrono>

namespace vellorin {

// Wall-clock time, injectable so that schedules and time-outs can be tested.
class Clock {
public:
    using time_point = std::chrono::system_clock::time_point;
    virtual ~Clock() = default;
    virtual time_point now() const = 0;
};

class SystemClock final : public Clock {
public:
    time_point now() const override { return std::chrono::system_clock::now(); }
};

// A clock that only moves when told to; for tests and benchmarks.
class ManualClock final : public Clock {
public:
    explicit ManualClock(time_point start = time_point{}) : now_(start) {}
    time_point now() const override { return now_; }
    void set(time_point t) { now_ = t; }
    void advance(std::chrono::milliseconds d) { now_ += d; }

private:
    time_point now_;
};

}  // namespace vellorin
