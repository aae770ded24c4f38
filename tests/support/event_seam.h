#pragma once

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "support/recording_seam.h"

namespace vellorin::test {

// A recording seam whose pause sleeps a little, so that waits do not spin, and that runs a piece
// of "window event" code (onEvents) the first time events are let through.
class EventSeam : public RecordingSeam {
public:
    void processEvents() override {
        RecordingSeam::processEvents();
        if (onEvents) {
            auto run = std::move(onEvents);
            onEvents = nullptr;
            run();
        }
    }
    void pause(int milliseconds) override {
        RecordingSeam::pause(milliseconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::function<void()> onEvents;
};

}  // namespace vellorin::test
