#pragma once

#include <ostream>

#include "base/user_seam.h"

namespace vellorin::cli {

// The user seam of vellorinctl: every box goes to standard error as "caption: text" (line breaks
// of the text kept, CR LF shown as LF). A question is answered Yes only when the user passed
// --yes; otherwise it takes No (or Cancel). There are no window events to run.
class CliSeam : public UserSeam {
public:
    CliSeam(std::ostream& err, bool assumeYes) : err_(err), assumeYes_(assumeYes) {}

    MsgAnswer messageBox(const MessageBoxRequest& request) override;
    using UserSeam::messageBox;
    void processEvents() override {}

    // How many boxes with the critical or exclamation icon were shown (failures).
    int failureBoxes() const { return failureBoxes_; }

private:
    std::ostream& err_;
    bool assumeYes_;
    int failureBoxes_ = 0;
};

}  // namespace vellorin::cli
