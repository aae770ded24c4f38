#include "base/ui/app_icons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStyle>

namespace vellorin {

QIcon LoadAppIcon(const QString& appFolder, const QString& fileName) {
    QString path = QDir(appFolder).filePath(fileName);
    // One icon per file for the life of the program. Every new QIcon draws its pixmaps into
    // QPixmapCache under keys of its own, which no later icon finds: a window made at each check
    // run (frmBusy) would leave some 14 KB there per run, up to the cache's 10 MB.
    static QHash<QString, QIcon> loaded;
    if (auto it = loaded.constFind(path); it != loaded.constEnd())
        return *it;
    if (QFileInfo(path).isFile()) {
        QIcon icon(path);
        // A file the icon engine cannot render gives a null icon or no pixmap at all.
        if (!icon.isNull() && !icon.pixmap(32, 32).isNull())
            return loaded.insert(path, icon).value();
    }
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
}

}  // namespace vellorin
