#include "view/ui/text_zoom.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vellorin {
namespace {

// Where a format keeps the sizes it was written with.
constexpr int kWrittenPointSize = QTextFormat::UserProperty + 1;
constexpr int kWrittenPixelSize = QTextFormat::UserProperty + 2;

// The format with its sizes set to `factor` times the written ones; false when it has none.
bool Zoomed(QTextCharFormat& format, double factor) {
    if (!format.hasProperty(kWrittenPointSize) && !format.hasProperty(kWrittenPixelSize)) {
        if (format.hasProperty(QTextFormat::FontPointSize))
            format.setProperty(kWrittenPointSize, format.fontPointSize());
        else if (format.hasProperty(QTextFormat::FontPixelSize))
            format.setProperty(kWrittenPixelSize, format.intProperty(QTextFormat::FontPixelSize));
        else
            return false;
    }
    if (format.hasProperty(kWrittenPointSize))
        format.setFontPointSize(format.doubleProperty(kWrittenPointSize) * factor);
    else
        format.setProperty(
            QTextFormat::FontPixelSize,
            std::max(1, int(std::lround(format.intProperty(kWrittenPixelSize) * factor))));
    return true;
}

}  // namespace

double ZoomFactor(int step) {
    return std::pow(1.1, std::clamp(step, kMinZoomStep, kMaxZoomStep));
}

void ZoomDocument(QTextDocument* document, double factor) {
    // The fragments first: changing formats while walking them would split and merge them.
    struct Change {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextCharFormat format = it.fragment().charFormat();
            if (Zoomed(format, factor))
                changes.push_back({it.fragment().position(), it.fragment().length(), format});
        }
    }
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (const Change& change : changes) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    cursor.endEditBlock();
}

}  // namespace vellorin
