#include "notify/ui/frm_sys_tray.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <QVariant>

namespace vellorin {
namespace {

const QString kSeparatorCaption = QStringLiteral("-");

void ApplyCaption(QAction* item, const QString& caption) {
    item->setText(caption);
    item->setSeparator(caption == kSeparatorCaption);
}

}  // namespace

frmSysTray::frmSysTray(const QIcon& icon, QObject* parent)
    : QObject(parent),
      mnuPopup_(std::make_unique<QMenu>()),
      trayIcon_(std::make_unique<QSystemTrayIcon>(icon)) {
    setObjectName(QStringLiteral("frmSysTray"));
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));

    // Left clicks wait out the double-click interval: a double-click must reach the owner
    // without the menu popping up in between.
    tmrClick_ = new QTimer(this);
    tmrClick_->setObjectName(QStringLiteral("tmrClick"));
    tmrClick_->setSingleShot(true);
    tmrClick_->setInterval(QApplication::doubleClickInterval());
    connect(tmrClick_, &QTimer::timeout, this, [this] { emit SysTrayMouseDown(1); });

    // The tray host shows this menu itself on a right click (a D-Bus tray never reports the
    // click), so it is also the icon's context menu.
    trayIcon_->setContextMenu(mnuPopup_.get());
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &frmSysTray::trayIcon_activated);
    trayIcon_->show();
}

frmSysTray::~frmSysTray() {
    Unload();
}

void frmSysTray::Unload() {
    tmrClick_->stop();
    trayIcon_->hide();
}

void frmSysTray::trayIcon_activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            tmrClick_->start();
            break;
        case QSystemTrayIcon::Context:
            emit SysTrayMouseDown(2);
            break;
        case QSystemTrayIcon::DoubleClick:
            tmrClick_->stop();
            emit SysTrayDoubleClick(1);
            break;
        default:
            break;
    }
}

int frmSysTray::AddMenuItem(const QString& sCaption, const QString& sKey, bool bDefault) {
    auto* item = new QAction(mnuPopup_.get());
    item->setObjectName(QStringLiteral("mnuSysTray"));
    ApplyCaption(item, sCaption);
    item->setData(sKey);
    connect(item, &QAction::triggered, this, [this, item] { menuItemTriggered(item); });
    mnuPopup_->addAction(item);
    items_.push_back(item);

    int index = MenuItemCount() - 1;
    if (bDefault)
        SetDefaultMenuIndex(index);
    return index;
}

void frmSysTray::menuItemTriggered(QAction* item) {
    for (int i = 0; i < MenuItemCount(); ++i) {
        if (items_[static_cast<std::size_t>(i)] == item) {
            emit MenuClick(i, item->data().toString());
            return;
        }
    }
}

bool frmSysTray::ValidIndex(int index) const {
    return index >= 0 && index < MenuItemCount();
}

QAction* frmSysTray::mnuSysTray(int lIndex) const {
    return ValidIndex(lIndex) ? items_[static_cast<std::size_t>(lIndex)] : nullptr;
}

void frmSysTray::EnableMenuItem(int lIndex, bool bState) {
    if (QAction* item = mnuSysTray(lIndex))
        item->setEnabled(bState);
}

int frmSysTray::RemoveMenuItem(int iIndex) {
    if (!ValidIndex(iIndex))
        return 0;
    if (iIndex == 0) {
        ApplyCaption(items_.front(), QString());
        return 0;
    }
    for (int i = iIndex + 1; i < MenuItemCount(); ++i) {
        QAction* from = items_[static_cast<std::size_t>(i)];
        QAction* to = items_[static_cast<std::size_t>(i - 1)];
        ApplyCaption(to, from->text());
        to->setData(from->data());
    }
    QAction* last = items_.back();
    items_.pop_back();
    delete last;
    if (!ValidIndex(defaultMenuIndex_))
        SetDefaultMenuIndex(0);
    return 0;
}

QString frmSysTray::MenuItemCaption(int lIndex) const {
    QAction* item = mnuSysTray(lIndex);
    return item ? item->text() : QString();
}

QString frmSysTray::MenuItemKey(int lIndex) const {
    QAction* item = mnuSysTray(lIndex);
    return item ? item->data().toString() : QString();
}

void frmSysTray::SetMenuItemCaption(int lIndex, const QString& sCaption) {
    if (QAction* item = mnuSysTray(lIndex))
        ApplyCaption(item, sCaption);
}

void frmSysTray::SetDefaultMenuIndex(int lIndex) {
    defaultMenuIndex_ = ValidIndex(lIndex) ? lIndex : 0;
    mnuPopup_->setDefaultAction(mnuSysTray(defaultMenuIndex_));
}

QString frmSysTray::ToolTip() const {
    return trayIcon_->toolTip();
}

void frmSysTray::SetToolTip(const QString& sTip) {
    trayIcon_->setToolTip(sTip);
}

QIcon frmSysTray::Icon() const {
    return trayIcon_->icon();
}

void frmSysTray::SetIcon(const QIcon& icon) {
    if (icon.cacheKey() != trayIcon_->icon().cacheKey())
        trayIcon_->setIcon(icon);
}

void frmSysTray::ShowBalloonTip(const QString& sMessage, const QString& sTitle,
                                QSystemTrayIcon::MessageIcon eIcon, int lTimeOutMs) {
    lastBalloon_ = Balloon{sMessage, sTitle, eIcon, lTimeOutMs};
    if (QSystemTrayIcon::supportsMessages()) {
        trayIcon_->showMessage(sTitle, sMessage, eIcon, lTimeOutMs);
    }
}

void frmSysTray::ShowMenu() {
    if (mnuPopup_->isVisible())
        return;
    mnuPopup_->popup(QCursor::pos());
}

}  // namespace vellorin
