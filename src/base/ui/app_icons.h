#pragma once

#include <QIcon>
#include <QString>

namespace vellorin {

// The program's pictures ship as SVG files in the application folder.
inline constexpr const char* kAppIconFileName = "vellorin.svg";
inline constexpr const char* kBusyIconFileName = "vellorin-busy.svg";

// The icon in `appFolder`/`fileName`, read from the file; when the file is missing or cannot be
// drawn (no SVG support installed), a standard icon of the current style, so that the tray
// never shows an empty picture. A file that was drawn once is not read again: later calls give
// the same icon (the same cacheKey), whose pixmaps Qt's pixmap cache keeps.
QIcon LoadAppIcon(const QString& appFolder, const QString& fileName);

}  // namespace vellorin
