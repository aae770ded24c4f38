#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/user_seam.h"

namespace vellorin::test {

// A user seam for tests: keeps every box shown and answers from a script, then with the box's
// default button. processEvents and pause only count their calls; pause does not sleep.
// With boxOpenMs set, each box stays open that long before it answers, running the wait work as
// a real box's event loop does; duringBox runs while each box is up, as a modal box lets the
// program's events (a reload, a check run) happen before the user answers.
class RecordingSeam : public UserSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest& r) override {
        boxes.push_back(r);
        if (duringBox)
            duringBox();
        const auto closes = std::chrono::steady_clock::now() + std::chrono::milliseconds(boxOpenMs);
        while (std::chrono::steady_clock::now() < closes) {
            runWaitWork();
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitWorkIntervalMs));
        }
        if (!answers.empty()) {
            MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        // Enter presses the default button; one the box does not have falls back to the first.
        static const std::vector<MsgAnswer> kButtons[] = {
            {MsgAnswer::OK},
            {MsgAnswer::OK, MsgAnswer::Cancel},
            {MsgAnswer::Yes, MsgAnswer::No},
            {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel}};
        const auto& buttons = kButtons[static_cast<int>(r.buttons)];
        const auto index = static_cast<std::size_t>(r.defaultButton);
        return buttons[index < buttons.size() ? index : 0];
    }
    using UserSeam::messageBox;
    void processEvents() override { ++eventTurns; }
    void pause(int milliseconds) override { pausedMs += milliseconds; }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            out.push_back(b.caption);
        return out;
    }
    void clear() { boxes.clear(); }

    std::vector<MessageBoxRequest> boxes;
    std::deque<MsgAnswer> answers;
    std::function<void()> duringBox;
    int boxOpenMs = 0;
    int eventTurns = 0;
    long pausedMs = 0;
};

// A recording seam whose pause sleeps a little, so that waits do not spin, and that runs a piece
// of "window event" code (onEvents) the first time events are let through.
class EventSeam : public RecordingSeam {
public:
    void processEvents() override {
        RecordingSeam::processEvents();
        if (auto run = std::exchange(onEvents, nullptr))
            run();
    }
    void pause(int milliseconds) override {
        RecordingSeam::pause(milliseconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::function<void()> onEvents;
};

}  // namespace vellorin::test
