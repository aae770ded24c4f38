#pragma once

#include <QByteArray>

namespace vellorin {

// The environment variable the web engine reads its Chromium switches from when it starts.
inline constexpr const char* kChromiumFlagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";

// The Chromium switches that keep the web engine small for message pages: plain documents
// without scripts, drawn in software, one page at a time in view.
QByteArray LeanEngineSwitches();

}  // namespace vellorin
