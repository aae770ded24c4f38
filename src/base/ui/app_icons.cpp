#include "base/ui/app_icons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace vellorin {

QIcon LoadAppIcon(const QString& appFolder, const QString& fileName) {
    QString path = QDir(appFolder).filePath(fileName);
    if (QFileInfo(path).isFile()) {
        QIcon icon(path);
        // A file the icon engine cannot render gives a null icon or no pixmap at all.
        if (!icon.isNull() && !icon.pixmap(32, 32).isNull())
            return icon;
    }
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
}

}  // namespace vellorin
