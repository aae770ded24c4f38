#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "app/ui/qt_user_seam.h"

namespace vellorin::test {

// The client's own Qt seam, answering from a script instead of showing boxes (then with the
// box's default button), and keeping every box it was asked to show.
class ScriptedSeam {
public:
    ScriptedSeam() {
        seam.setAutoAnswer([this](const MessageBoxRequest& request) -> std::optional<MsgAnswer> {
            boxes.push_back(request);
            if (answers.empty())
                return DefaultAnswer(request);
            MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ScriptedSeam(const ScriptedSeam&) = delete;
    ScriptedSeam& operator=(const ScriptedSeam&) = delete;

    QtUserSeam seam;
    std::vector<MessageBoxRequest> boxes;
    std::deque<MsgAnswer> answers;
};

}  // namespace vellorin::test
