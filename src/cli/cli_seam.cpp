#include "cli/cli_seam.h"

#include <string>

namespace vellorin::cli {
namespace {

std::string ForTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

}  // namespace

MsgAnswer CliSeam::messageBox(const MessageBoxRequest& request) {
    err_ << ForTerminal(request.caption) << ": " << ForTerminal(request.text) << std::endl;
    if (request.icon == MsgIcon::Critical || request.icon == MsgIcon::Exclamation) {
        ++failureBoxes_;
    }
    switch (request.buttons) {
        case MsgButtons::OK:
            return MsgAnswer::OK;
        case MsgButtons::OKCancel:
            return assumeYes_ ? MsgAnswer::OK : MsgAnswer::Cancel;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return assumeYes_ ? MsgAnswer::Yes : MsgAnswer::No;
    }
    return MsgAnswer::OK;
}

}  // namespace vellorin::cli
