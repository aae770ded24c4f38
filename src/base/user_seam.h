#pragma once

#include <functional>
#include <string>

namespace vellorin {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Cancel, Yes, No };
// Which button of the box is the default one (the one Enter presses).
enum class MsgDefault { First, Second, Third };

struct MessageBoxRequest {
    std::string caption;
    std::string text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
    MsgDefault defaultButton = MsgDefault::First;
};

// The one way the core reaches the user. The desktop client shows real boxes and runs the Qt
// event loop, vellorinctl prints to standard error, tests record. Implementations are used from
// the one thread that drives the core.
class UserSeam {
public:
    virtual ~UserSeam() = default;

    // Shows a modal box and returns the button the user chose.
    virtual MsgAnswer messageBox(const MessageBoxRequest& request) = 0;
    // Lets pending window events run (the long waits call this between pauses).
    virtual void processEvents() = 0;
    // Suspends the caller for `milliseconds`.
    virtual void pause(int milliseconds);

    // Convenience for the common call shape.
    MsgAnswer messageBox(const std::string& caption, const std::string& text, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::OK,
                         MsgDefault defaultButton = MsgDefault::First);

    // Work that must go on while a box waits for the user, however long that takes: a check
    // run's transfers, which would otherwise stand still while their time-outs run. Its owner
    // sets it for as long as the work lasts and puts the returned previous work back afterwards.
    // An empty function means none.
    using WaitWork = std::function<void()>;
    WaitWork setWaitWork(WaitWork work);

    // How often an open box runs the wait work, in milliseconds (at least).
    static constexpr int kWaitWorkIntervalMs = 50;
    // Runs the wait work once. An implementation whose messageBox blocks until the user answers
    // calls this every kWaitWorkIntervalMs while the box is open; one whose boxes return at once
    // need not. A call from inside the work does nothing.
    void runWaitWork();

private:
    WaitWork waitWork_;
    bool inWaitWork_ = false;
};

// Shows a trapped run-time error the way every general procedure does:
// caption "Error ! (Source : <source>)", text "<number> : " CR LF CR LF "<description>".
void ShowSourceError(UserSeam& seam, const std::string& source, long number,
                     const std::string& description, MsgIcon icon = MsgIcon::Information);

// Shows a file error of ReadTextFile/WriteTextFile: caption "Error !", same text layout.
void ShowFileError(UserSeam& seam, long number, const std::string& description);

}  // namespace vellorin
