#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/user_seam.h"

namespace vellorin::test {

// A user seam for tests: keeps every box shown and answers from a script (then with the box's
// default button). processEvents and pause only count their calls; pause does not sleep.
class RecordingSeam : public UserSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        if (!answers.empty()) {
            MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return DefaultAnswer(request);
    }
    using UserSeam::messageBox;
    void processEvents() override { ++eventTurns; }
    void pause(int milliseconds) override { pausedMs += milliseconds; }

    static MsgAnswer DefaultAnswer(const MessageBoxRequest& r) {
        bool second = r.defaultButton == MsgDefault::Second;
        switch (r.buttons) {
            case MsgButtons::OK:
                return MsgAnswer::OK;
            case MsgButtons::OKCancel:
                return second ? MsgAnswer::Cancel : MsgAnswer::OK;
            case MsgButtons::YesNo:
                return second ? MsgAnswer::No : MsgAnswer::Yes;
            case MsgButtons::YesNoCancel:
                return r.defaultButton == MsgDefault::First ? MsgAnswer::Yes
                       : second                             ? MsgAnswer::No
                                                            : MsgAnswer::Cancel;
        }
        return MsgAnswer::OK;
    }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            out.push_back(b.caption);
        return out;
    }
    void clear() { boxes.clear(); }

    std::vector<MessageBoxRequest> boxes;
    std::deque<MsgAnswer> answers;
    int eventTurns = 0;
    long pausedMs = 0;
};

}  // namespace vellorin::test
