#include "view/ui/page_resource_loader.h"

#include <QFile>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include <utility>
#include <vector>

#include "view/page_resources.h"

namespace vellorin {

bool MayLoadPageResourceUrl(const QUrl& url, const QStringList& folders) {
    if (!url.isValid() || url.isRelative())
        return false;
    std::vector<std::string> allowed;
    allowed.reserve(static_cast<std::size_t>(folders.size()));
    for (const QString& folder : folders)
        allowed.push_back(folder.toStdString());
    const PageResourceAddress address{
        url.scheme().toStdString(), url.host().toStdString(),
        url.isLocalFile() ? url.toLocalFile().toStdString() : url.path().toStdString()};
    return MayLoadPageResource(address, allowed);
}

QByteArray ReadLocalResource(const QUrl& url) {
    QFile file(url.toLocalFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage RefusedPicturePlaceholder() {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xf0, 0xf1, 0xf3));
    QPainter painter(&image);
    painter.setPen(QColor(0xa0, 0xa6, 0xae));
    painter.drawRect(0, 0, 15, 15);
    // A hill and a sun: a picture that was left out.
    painter.drawLine(3, 12, 7, 7);
    painter.drawLine(7, 7, 12, 12);
    painter.drawEllipse(9, 3, 3, 3);
    return image;
}

int ReplaceRefusedPictures(QTextDocument* document,
                           const std::function<bool(const QUrl&)>& isRefused) {
    // Positions first, replaced from the end so that the earlier ones stay where they are.
    std::vector<std::pair<int, QTextImageFormat>> refused;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            const QUrl url = document->baseUrl().resolved(QUrl(image.name()));
            if (!isRefused(url))
                continue;
            // One fragment may hold several pictures of the same format in a row.
            for (int i = 0; i < fragment.length(); ++i)
                refused.emplace_back(fragment.position() + i, image);
        }
    }
    if (refused.empty())
        return 0;
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (auto it = refused.rbegin(); it != refused.rend(); ++it) {
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + 1, QTextCursor::KeepAnchor);
        const QString alt = it->second.property(QTextFormat::ImageAltText).toString().simplified();
        if (alt.isEmpty()) {
            QTextImageFormat placeholder;
            placeholder.setName(QString::fromLatin1(kPlaceholderResource));
            placeholder.setToolTip(it->second.name());
            cursor.insertImage(placeholder);
            continue;
        }
        QTextCharFormat text = it->second;
        for (int property : {int(QTextFormat::ObjectType), int(QTextFormat::ImageName),
                             int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight),
                             int(QTextFormat::ImageAltText), int(QTextFormat::ImageTitle)})
            text.clearProperty(property);
        text.setForeground(QColor(0x6b, 0x72, 0x7c));
        text.setToolTip(it->second.name());
        cursor.insertText(QStringLiteral("[%1]").arg(alt), text);
    }
    cursor.endEditBlock();
    return static_cast<int>(refused.size());
}

}  // namespace vellorin
