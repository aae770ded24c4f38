#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>
#include <vector>

#include "notify/tray_menu.h"

class QAction;
class QMenu;
class QTimer;

namespace vellorin {

class DesktopNotifications;

// frmSysTray: owns the program's tray icon and its pop-up menu. The icon is in the tray from
// construction until Unload or destruction. The owner fills the menu, sets picture, tip and
// balloons, and handles the events below. Items are addressed by index from 0, in the order
// they were added; each has a caption, a command key, a visible and an enabled flag (the rules
// are TrayMenu's). A "-" caption makes a separator: a line without text.
//
// The menu never opens over the icon: it opens beside it, away from the screen edge the tray is
// on, so that a pointer still on the icon is not over an item. It acts only on clicks made inside
// it: the release of the press that opened it (right-click on the icon) chooses nothing, however
// long the button is held, and a press on the icon while it is open only closes it.
//
// Of the events of a tray icon, Linux reports clicks, double-clicks, menu choices and clicks on
// a balloon; not mouse moves, right-button releases or a balloon's life cycle.
//
// Two kinds of tray host exist on Linux: an X11 tray (XEmbed), where Qt shows the menu on a
// right-click and this class places it, and a D-Bus host (StatusNotifierItem), which shows the
// menu itself and reports left clicks only. Where no tray host runs (the offscreen platform, some
// desktops) the icon object still exists and keeps its state; it is just not seen.
class frmSysTray : public QObject {
    Q_OBJECT

public:
    // A balloon as it was asked for.
    struct Balloon {
        QString message;
        QString title;
        QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
        int timeOutMs = 0;
    };

    // Puts `icon` into the tray.
    explicit frmSysTray(const QIcon& icon, QObject* parent = nullptr);
    ~frmSysTray() override;

    // Takes the icon out of the tray and closes the menu (destruction does the same).
    void Unload();

    // Appends a visible, enabled item and returns its index. With `bDefault` the item becomes
    // the default item, shown in bold.
    int AddMenuItem(const QString& sCaption, const QString& sKey = QString(),
                    bool bDefault = false);
    // Enables or disables an item; an invalid index is ignored.
    void EnableMenuItem(int lIndex, bool bState);
    // Removes an item: the captions and keys of the items after it move up one place and the
    // last item goes. Index 0 keeps its place with an empty caption. Returns 0.
    int RemoveMenuItem(int iIndex);

    int MenuItemCount() const { return menu_.count(); }
    // Caption and key of an item as given ("-" for a separator); empty text for an invalid index.
    QString MenuItemCaption(int lIndex) const;
    QString MenuItemKey(int lIndex) const;
    // Replaces an item's caption ("-" turns it into a separator); an invalid index is ignored.
    void SetMenuItemCaption(int lIndex, const QString& sCaption);
    // The menu entry itself (nullptr for an invalid index).
    QAction* mnuSysTray(int lIndex) const;

    int DefaultMenuIndex() const { return menu_.DefaultMenuIndex(); }
    // Writing an invalid index stores 0.
    void SetDefaultMenuIndex(int lIndex);

    QString ToolTip() const;
    void SetToolTip(const QString& sTip);
    QIcon Icon() const;
    // Replaces the picture when it differs from the one shown.
    void SetIcon(const QIcon& icon);

    // Shows a balloon near the icon (a desktop notification where a notification service runs)
    // when the desktop can show one; where no tray shows balloons, sends it as a desktop
    // notification (DesktopNotifications), whose click is a click on the balloon. The request is
    // kept either way. Nothing of the program
    // takes the keyboard focus for it. Asked for before an X11 tray has taken the icon in (at
    // start-up), the balloon waits for the icon's place, up to two seconds.
    void ShowBalloonTip(const QString& sMessage, const QString& sTitle = QString(),
                        QSystemTrayIcon::MessageIcon eIcon = QSystemTrayIcon::NoIcon,
                        int lTimeOutMs = 10000);
    const std::optional<Balloon>& LastBalloon() const { return lastBalloon_; }

    // Pops the menu up beside the icon, unless it is already open.
    void ShowMenu();

    // What the menu opens beside: the icon's place on the screen when the tray host tells it,
    // else a small square around the pointer.
    QRect MenuAnchor() const;

    QMenu* mnuPopup() const { return mnuPopup_.get(); }
    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }

signals:
    // A click on the icon: 1 for the left button (raised only when no double-click follows, so
    // that a double-click is not preceded by the menu), 2 for the right button (X11 trays only:
    // a D-Bus host shows the menu itself).
    void SysTrayMouseDown(int eButton);
    // A double-click with the left button; on a D-Bus host two clicks within the double-click
    // interval count as one.
    void SysTrayDoubleClick(int eButton);
    // A menu item was chosen.
    void MenuClick(int lIndex, const QString& sKey);
    // The user clicked the balloon or the desktop notification that stood for it (a click on the
    // icon while a balloon shows is not one).
    void BalloonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trayIcon_activated(QSystemTrayIcon::ActivationReason reason);
    void menuItemTriggered(QAction* item);
    // Shows item `index` of the model on its action.
    void applyItem(int index);
    void placeMenu();
    // True when a D-Bus host shows the tray (it shows the menu itself).
    bool hostShowsMenu() const;
    // True while an X11 tray has not yet placed the icon (it is where it was created).
    bool iconAwaitsPlace() const;
    void tmrBalloon_Timer();
    // Watches the presses on the X11 tray's icon widget (when there is one).
    void watchIcon();

    TrayMenu menu_;
    // Destroyed in reverse order: the icon before the menu it shows.
    std::unique_ptr<QMenu> mnuPopup_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    QTimer* tmrClick_ = nullptr;
    std::vector<QAction*> items_;
    std::optional<Balloon> lastBalloon_;
    // A balloon waiting for the icon's place, and the place of the icon before it had one.
    std::optional<Balloon> pendingBalloon_;
    QTimer* tmrBalloon_ = nullptr;
    // Where the balloons go when no tray shows them; made with the first.
    DesktopNotifications* notifications_ = nullptr;
    int balloonWaits_ = 0;
    QRect unplacedIcon_;
    // A press inside the menu since it opened: only the release of such a press may choose.
    bool pressedInMenu_ = false;
    // A press on the X11 tray's icon is being handled.
    bool pressOnIcon_ = false;
    // A double-click already reported from two clicks; Qt's own report of it follows on X11.
    bool doubleClickReported_ = false;
};

}  // namespace vellorin
