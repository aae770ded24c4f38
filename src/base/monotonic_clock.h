#pragma once

#include <chrono>

namespace vellorin {

// A clock that only moves forward, whatever the wall clock does (midnight, a changed system
// time); injectable so that hold-back periods can be tested.
class MonotonicClock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    virtual ~MonotonicClock() = default;
    virtual time_point now() const = 0;
};

class SystemMonotonicClock final : public MonotonicClock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
};

// A monotonic clock that only moves when told to; for tests.
class ManualMonotonicClock final : public MonotonicClock {
public:
    time_point now() const override { return now_; }
    void advance(std::chrono::milliseconds d) { now_ += d; }

private:
    time_point now_{};
};

}  // namespace vellorin
