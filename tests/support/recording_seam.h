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

// Keeps every box and answers from `answers`, then with its default button; pause does not sleep.
// boxOpenMs keeps each box open running the wait work; duringBox runs while each box is up.
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
    void pause(int) override {}

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
};

// Sleeps a little in pause, and runs onEvents the first time events are let through.
class EventSeam : public RecordingSeam {
public:
    void processEvents() override {
        RecordingSeam::processEvents();
        if (auto run = std::exchange(onEvents, nullptr))
            run();
    }
    void pause(int) override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
    std::function<void()> onEvents;
};

}  // namespace vellorin::test
