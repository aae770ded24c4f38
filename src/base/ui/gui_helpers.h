#pragma once

class QWidget;

namespace vellorin {

// The general helpers that need windows.

// Puts `window` into (true) or out of (false) the always-on-top band without moving or resizing
// it, and shows it. Changing the flag hides a shown window, hence the show afterwards.
void SetTopMost(QWidget* window, bool topMost);

// Closes every top-level window of the program that is still open, one after another, except
// `except` (the window that is unloading itself). A window that refuses to close stays open.
void UnloadAllForms(const QWidget* except = nullptr);

}  // namespace vellorin
