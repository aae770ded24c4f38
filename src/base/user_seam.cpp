#include "base/user_seam.h"

#include <chrono>
#include <thread>
#include <utility>

namespace vellorin {

void UserSeam::pause(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

MsgAnswer UserSeam::messageBox(const std::string& caption, const std::string& text, MsgIcon icon,
                               MsgButtons buttons, MsgDefault defaultButton) {
    return messageBox(MessageBoxRequest{caption, text, icon, buttons, defaultButton});
}

UserSeam::WaitWork UserSeam::setWaitWork(WaitWork work) {
    return std::exchange(waitWork_, std::move(work));
}

void UserSeam::runWaitWork() {
    if (!waitWork_ || inWaitWork_)
        return;
    inWaitWork_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{inWaitWork_};
    // A copy: the work may replace itself (its owner ending) while it runs.
    WaitWork work = waitWork_;
    work();
}

void ShowSourceError(UserSeam& seam, const std::string& source, long number,
                     const std::string& description, MsgIcon icon) {
    seam.messageBox("Error ! (Source : " + source + ")",
                    std::to_string(number) + " : \r\n\r\n" + description, icon);
}

void ShowFileError(UserSeam& seam, long number, const std::string& description) {
    seam.messageBox("Error !", std::to_string(number) + " : \r\n\r\n" + description,
                    MsgIcon::Information);
}

}  // namespace vellorin
