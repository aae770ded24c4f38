#pragma once

#include "view/ui/message_view.h"

namespace vellorin {

// The message views the program makes itself, on Qt's rich text: no plugin, no web engine.
MessageViewFactory& BuiltInMessageViewFactory();

}  // namespace vellorin
