#include "notify/ui/frm_sys_tray.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <utility>

#include "notify/tray_menu_placement.h"
#include "notify/ui/desktop_notifications.h"

namespace vellorin {
namespace {

// How long a balloon waits for an X11 tray to place the icon: 40 turns of 50 ms.
constexpr int kBalloonWaitTurnMs = 50;
constexpr int kBalloonWaitTurns = 40;

ScreenRect ToScreenRect(const QRect& r) {
    return ScreenRect{r.x(), r.y(), r.width(), r.height()};
}

// The widget through which Qt shows the icon in an X11 (XEmbed) tray; none for a D-Bus host.
QWidget* XEmbedIcon() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QSystemTrayIconSys"))
            return w;
    }
    return nullptr;
}

bool HasXEmbedIcon() {
    return XEmbedIcon() != nullptr;
}

}  // namespace

frmSysTray::frmSysTray(const QIcon& icon, QObject* parent)
    : QObject(parent),
      mnuPopup_(std::make_unique<QMenu>()),
      trayIcon_(std::make_unique<QSystemTrayIcon>(icon)) {
    setObjectName(QStringLiteral("frmSysTray"));
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup_->installEventFilter(this);
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));

    // Left clicks wait out the double-click interval: a double-click must reach the owner
    // without the menu popping up in between.
    tmrClick_ = new QTimer(this);
    tmrClick_->setObjectName(QStringLiteral("tmrClick"));
    tmrClick_->setSingleShot(true);
    tmrClick_->setInterval(QApplication::doubleClickInterval());
    connect(tmrClick_, &QTimer::timeout, this, [this] { emit SysTrayMouseDown(1); });

    // A D-Bus host shows this menu itself; an X11 tray has Qt pop it up on a right press, and
    // eventFilter then places it.
    trayIcon_->setContextMenu(mnuPopup_.get());
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &frmSysTray::trayIcon_activated);
    // Qt reports any press on an X11 tray's icon while its balloon shows as a click on the
    // balloon; only a click on the balloon itself is one.
    connect(trayIcon_.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (!pressOnIcon_)
            emit BalloonClicked();
    });
    tmrBalloon_ = new QTimer(this);
    tmrBalloon_->setObjectName(QStringLiteral("tmrBalloon"));
    tmrBalloon_->setInterval(kBalloonWaitTurnMs);
    connect(tmrBalloon_, &QTimer::timeout, this, &frmSysTray::tmrBalloon_Timer);

    trayIcon_->show();
    unplacedIcon_ = trayIcon_->geometry();
    watchIcon();
}

frmSysTray::~frmSysTray() {
    Unload();
    mnuPopup_->removeEventFilter(this);
}

void frmSysTray::Unload() {
    tmrClick_->stop();
    tmrBalloon_->stop();
    pendingBalloon_.reset();
    mnuPopup_->hide();
    trayIcon_->hide();
}

bool frmSysTray::hostShowsMenu() const {
    return QSystemTrayIcon::isSystemTrayAvailable() && !HasXEmbedIcon();
}

void frmSysTray::trayIcon_activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            // A D-Bus host reports a double-click as two clicks; an X11 tray reports the second
            // press as a click too, then as a double-click.
            if (tmrClick_->isActive()) {
                tmrClick_->stop();
                doubleClickReported_ = true;
                emit SysTrayDoubleClick(1);
            } else {
                doubleClickReported_ = false;
                tmrClick_->start();
            }
            break;
        case QSystemTrayIcon::DoubleClick:
            tmrClick_->stop();
            if (!std::exchange(doubleClickReported_, false))
                emit SysTrayDoubleClick(1);
            break;
        case QSystemTrayIcon::Context:
            tmrClick_->stop();
            if (!hostShowsMenu())
                emit SysTrayMouseDown(2);
            break;
        default:
            break;
    }
}

bool frmSysTray::eventFilter(QObject* watched, QEvent* event) {
    if (watched != mnuPopup_.get()) {
        // The X11 tray's icon: a press is handled (and reported) before the next event turn.
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            pressOnIcon_ = true;
            QTimer::singleShot(0, this, [this] { pressOnIcon_ = false; });
        }
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::Show:
            pressedInMenu_ = false;
            mnuPopup_->setAttribute(Qt::WA_NoMouseReplay, false);
            placeMenu();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mnuPopup_->rect().contains(mouse->position().toPoint())) {
                pressedInMenu_ = true;
            } else if (MenuAnchor().contains(mouse->globalPosition().toPoint())) {
                // The menu closes on this press. Qt may then hand the press on to the widget
                // under the pointer, and on the icon that would open the menu again.
                mnuPopup_->setAttribute(Qt::WA_NoMouseReplay, true);
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            // The release of the press that opened the menu (on the icon) chooses nothing and
            // does not close the menu, wherever the pointer went meanwhile.
            if (!std::exchange(pressedInMenu_, false))
                return true;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

QRect frmSysTray::MenuAnchor() const {
    const QRect icon = trayIcon_->geometry();
    if (icon.isValid() && !icon.isEmpty())
        return icon;
    const int r = QApplication::startDragDistance();
    return QRect(QCursor::pos() - QPoint(r, r), QSize(2 * r + 1, 2 * r + 1));
}

void frmSysTray::placeMenu() {
    const QRect anchor = MenuAnchor();
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QSize size = mnuPopup_->size();
    if (size.isEmpty())
        size = mnuPopup_->sizeHint();
    const ScreenPoint p = TrayMenuPosition(ToScreenRect(anchor), size.width(), size.height(),
                                           ToScreenRect(screen->geometry()),
                                           ToScreenRect(screen->availableGeometry()));
    mnuPopup_->move(p.x, p.y);
}

void frmSysTray::ShowMenu() {
    if (mnuPopup_->isVisible())
        return;
    // The place is settled when the menu shows (eventFilter), whoever opens it.
    mnuPopup_->popup(MenuAnchor().topLeft());
}

int frmSysTray::AddMenuItem(const QString& sCaption, const QString& sKey, bool bDefault) {
    auto* item = new QAction(mnuPopup_.get());
    item->setObjectName(QStringLiteral("mnuSysTray"));
    connect(item, &QAction::triggered, this, [this, item] { menuItemTriggered(item); });
    mnuPopup_->addAction(item);
    items_.push_back(item);
    const int index = menu_.AddMenuItem(sCaption.toStdString(), sKey.toStdString());
    applyItem(index);
    if (bDefault)
        SetDefaultMenuIndex(index);
    return index;
}

void frmSysTray::applyItem(int index) {
    const TrayMenu::Item& model = menu_.item(index);
    QAction* item = items_[static_cast<std::size_t>(index)];
    const bool separator = TrayMenu::IsSeparator(model.caption);
    // Some styles draw a separator's text beside its line: a separator has none.
    item->setText(separator ? QString() : QString::fromStdString(model.caption));
    item->setSeparator(separator);
    item->setData(QString::fromStdString(model.key));
    item->setVisible(model.visible);
    item->setEnabled(model.enabled);
    // The default item is bold whatever the style does with QMenu's default action (a D-Bus
    // host, for one, is not told which it is).
    QFont font = item->font();
    font.setBold(index == menu_.DefaultMenuIndex());
    item->setFont(font);
}

void frmSysTray::menuItemTriggered(QAction* item) {
    for (int i = 0; i < MenuItemCount(); ++i) {
        if (items_[static_cast<std::size_t>(i)] == item) {
            emit MenuClick(i, MenuItemKey(i));
            return;
        }
    }
}

QAction* frmSysTray::mnuSysTray(int lIndex) const {
    return menu_.ValidIndex(lIndex) ? items_[static_cast<std::size_t>(lIndex)] : nullptr;
}

void frmSysTray::EnableMenuItem(int lIndex, bool bState) {
    if (menu_.EnableMenuItem(lIndex, bState))
        applyItem(lIndex);
}

int frmSysTray::RemoveMenuItem(int iIndex) {
    if (!menu_.ValidIndex(iIndex))
        return 0;
    menu_.RemoveMenuItem(iIndex);
    if (static_cast<int>(items_.size()) > menu_.count()) {
        QAction* last = items_.back();
        items_.pop_back();
        delete last;
    }
    for (int i = 0; i < MenuItemCount(); ++i)
        applyItem(i);
    mnuPopup_->setDefaultAction(mnuSysTray(menu_.DefaultMenuIndex()));
    return 0;
}

QString frmSysTray::MenuItemCaption(int lIndex) const {
    return menu_.ValidIndex(lIndex) ? QString::fromStdString(menu_.item(lIndex).caption)
                                    : QString();
}

QString frmSysTray::MenuItemKey(int lIndex) const {
    return menu_.ValidIndex(lIndex) ? QString::fromStdString(menu_.item(lIndex).key) : QString();
}

void frmSysTray::SetMenuItemCaption(int lIndex, const QString& sCaption) {
    if (menu_.SetCaption(lIndex, sCaption.toStdString()))
        applyItem(lIndex);
}

void frmSysTray::SetDefaultMenuIndex(int lIndex) {
    const int old = menu_.DefaultMenuIndex();
    menu_.SetDefaultMenuIndex(lIndex);
    if (menu_.ValidIndex(old))
        applyItem(old);
    if (menu_.ValidIndex(menu_.DefaultMenuIndex()))
        applyItem(menu_.DefaultMenuIndex());
    mnuPopup_->setDefaultAction(mnuSysTray(menu_.DefaultMenuIndex()));
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
    watchIcon();
    // Without a tray (or one that shows no balloons) the desktop's notifications say it.
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) {
        if (notifications_ == nullptr) {
            notifications_ = new DesktopNotifications(this);
            connect(notifications_, &DesktopNotifications::activated, this,
                    &frmSysTray::BalloonClicked);
        }
        notifications_->Notify(sTitle, sMessage, lTimeOutMs);
        return;
    }
    pendingBalloon_ = lastBalloon_;
    // Qt draws an X11 tray's balloon pointing at the icon's place as it is when shown.
    balloonWaits_ = 0;
    if (iconAwaitsPlace())
        tmrBalloon_->start();
    else
        tmrBalloon_Timer();
}

void frmSysTray::watchIcon() {
    // Installing again moves the filter to the front; it is not installed twice.
    if (QWidget* icon = XEmbedIcon())
        icon->installEventFilter(this);
}

bool frmSysTray::iconAwaitsPlace() const {
    return HasXEmbedIcon() && trayIcon_->geometry() == unplacedIcon_;
}

void frmSysTray::tmrBalloon_Timer() {
    if (iconAwaitsPlace() && ++balloonWaits_ < kBalloonWaitTurns)
        return;
    tmrBalloon_->stop();
    if (std::optional<Balloon> b = std::exchange(pendingBalloon_, std::nullopt))
        trayIcon_->showMessage(b->title, b->message, b->icon, b->timeOutMs);
}

}  // namespace vellorin
