#pragma once

#include <QStringList>

#include "view/ui/message_view.h"

namespace vellorin {

// The factory of the built-in message view (TextMessageView), part of the program itself: no
// plugin to load and no web engine. One for the program's life.
MessageViewFactory& BuiltInMessageViewFactory();

// The folders whose files a page in the built-in view may show (pictures, style sheets):
// the data folder and the application folder unless replaced.
QStringList BuiltInViewFolders();
// Replaces the folders for the views made from now on; an empty list returns to the default.
void SetBuiltInViewFolders(const QStringList& folders);

}  // namespace vellorin
