#pragma once

#include <QString>

namespace vellorin {

// PlayNotificationSound: when a file exists at `path` (hidden and read-only files count), hands
// it to the desktop's sound service (libcanberra) to be played and returns at once, true; the
// sound plays while the program goes on, or not at all where no sound device answers. Without a
// file: does nothing, reports nothing, false.
bool PlayNotificationSound(const QString& path);

}  // namespace vellorin
