#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "base/user_seam.h"

class QWidget;

namespace vellorin {

// The desktop client's user seam: message boxes are QMessageBoxes, "let events run" is
// QCoreApplication::processEvents, pause sleeps (the base class's behaviour). Used from the GUI
// thread only.
//
// An auto-answer hook, when set, is asked first for every box: an answer it gives is returned
// without showing anything; std::nullopt lets the real box appear. Tests use it so that modal
// boxes never block; the client uses it to print boxes when it runs non-interactively.
class QtUserSeam : public UserSeam {
public:
    using AutoAnswer = std::function<std::optional<MsgAnswer>(const MessageBoxRequest&)>;

    QtUserSeam() = default;

    void setAutoAnswer(AutoAnswer autoAnswer) { autoAnswer_ = std::move(autoAnswer); }
    // The window the boxes are owned by and centred on; nullptr (the default): the window that
    // asks, that is the modal window or else the active window of the program (none: the box
    // has no owner and centres on the screen).
    void setOwner(QWidget* owner) { owner_ = owner; }

    // Shows the box modally, above every other window of the program (the always-on-top drop box
    // included): caption as window title, text with CR LF shown as line breaks, the
    // icon and buttons of the request, its default button preselected. A box closed without a
    // button (Escape, window manager) answers like its escape button: Cancel, or No, or OK.
    // While it is open, the wait work runs every kWaitWorkIntervalMs.
    MsgAnswer messageBox(const MessageBoxRequest& request) override;
    using UserSeam::messageBox;

    void processEvents() override;

private:
    AutoAnswer autoAnswer_;
    QWidget* owner_ = nullptr;
};

// The answer the box's default button gives.
MsgAnswer DefaultAnswer(const MessageBoxRequest& request);

// An auto answer for runs without a user: writes "caption: text" and a line end to standard
// error and answers with the default button.
std::optional<MsgAnswer> AnswerOnStandardError(const MessageBoxRequest& request);

}  // namespace vellorin
