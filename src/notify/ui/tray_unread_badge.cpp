#include "notify/ui/tray_unread_badge.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <algorithm>

#include "notify/ui/frm_sys_tray.h"

namespace vellorin {
namespace {

// The sizes tray hosts draw icons at (X11 trays 16 to 24 pixels, panels up to 64).
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};

QPixmap DrawBadge(const QIcon& picture, const QString& badge, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    picture.paint(&painter, QRect(0, 0, size, size));

    QFont font = painter.font();
    font.setBold(true);
    // The digits fill a little over half the icon's height, whatever their number.
    font.setPixelSize(std::max(7, size * 11 / 20));
    QFontMetrics metrics(font);
    const int height = std::min(size, metrics.ascent() + 2);
    int width = std::max(height, metrics.horizontalAdvance(badge) + 3);
    if (width > size) {
        font.setStretch(QFont::Condensed);
        metrics = QFontMetrics(font);
        width = std::min(size, std::max(height, metrics.horizontalAdvance(badge) + 2));
    }
    const QRectF box(size - width, size - height, width, height);
    painter.setPen(QPen(QColor(255, 255, 255), std::max(1.0, size / 24.0)));
    painter.setBrush(QColor(0xc6, 0x28, 0x28));
    const qreal radius = height / 2.0;
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, badge);
    return pixmap;
}

}  // namespace

QIcon IconWithBadge(const QIcon& picture, const QString& badge) {
    if (badge.isEmpty())
        return picture;
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addPixmap(DrawBadge(picture, badge, size));
    return icon;
}

TrayUnreadBadge::TrayUnreadBadge(frmSysTray& tray, TreeControl& tvMessages, const QIcon& picture,
                                 const QIcon& busyPicture, const QString& caption, QObject* parent)
    : QObject(parent),
      tray_(&tray),
      counter_(tvMessages),
      picture_(picture),
      busyPicture_(busyPicture),
      caption_(caption) {
    setObjectName(QStringLiteral("trayUnreadBadge"));
    counter_.setChanged([this] { countChanged(); });
    apply();
}

void TrayUnreadBadge::setBusy(bool busy) {
    busy_ = busy;
    apply();
}

void TrayUnreadBadge::countChanged() {
    // A check rebuilds a source's messages one node at a time: draw once, after them all.
    if (std::exchange(pending_, true))
        return;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        apply();
    });
}

void TrayUnreadBadge::apply() {
    if (tray_ == nullptr)
        return;
    const UnreadCount& count = counter_.count();
    tray_->SetToolTip(caption_ + QLatin1Char('\n') + QString::fromStdString(UnreadTipText(count)));
    if (busy_) {
        tray_->SetIcon(busyPicture_);
        return;
    }
    tray_->SetIcon(
        IconWithBadge(picture_, QString::fromStdString(UnreadBadgeText(count.messages))));
}

}  // namespace vellorin
