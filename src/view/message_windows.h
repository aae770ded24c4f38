#pragma once

#include <string>

#include "view/message_page.h"

namespace vellorin {

// The open message windows with the one operation a deletion needs on top of those ShowMessage
// uses. The desktop client implements it over its MDI area; vellorinctl and tests record.
class MessageWindows : public OpenMessageWindows {
public:
    // Closes the first message window of message `guid` of source `sourceId` (exact comparison)
    // and lets the main window's tab strip refresh. True when a window was closed; the others
    // stay open.
    virtual bool CloseMessageWindow(const std::string& sourceId, const std::string& guid) = 0;
};

}  // namespace vellorin
