#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QTimer;

namespace vellorin {

// frmSysTray: owns the program's tray icon and its pop-up menu. The icon is in the tray from
// construction until Unload or destruction. The owner fills the menu, sets picture, tip and
// balloons, and handles the events below. Items are addressed by index from 0, in the order
// they were added; each has a caption, a command key, a visible and an enabled flag.
//
// Where no tray host runs (the offscreen platform, some desktops) the icon object still exists
// and keeps its state; it is just not seen.
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

    // Takes the icon out of the tray (destruction does the same).
    void Unload();

    // Appends a visible, enabled item and returns its index. A caption of "-" makes a separator.
    // With `bDefault` the item becomes the default (bold) item.
    int AddMenuItem(const QString& sCaption, const QString& sKey = QString(),
                    bool bDefault = false);
    // Enables or disables an item; an invalid index is ignored.
    void EnableMenuItem(int lIndex, bool bState);
    // Removes an item: the captions and keys of the items after it move up one place and the
    // last item goes. Index 0 keeps its place with an empty caption. Returns 0.
    int RemoveMenuItem(int iIndex);

    int MenuItemCount() const { return static_cast<int>(items_.size()); }
    // Caption and key of an item; empty text for an invalid index.
    QString MenuItemCaption(int lIndex) const;
    QString MenuItemKey(int lIndex) const;
    // Replaces an item's caption ("-" turns it into a separator); an invalid index is ignored.
    void SetMenuItemCaption(int lIndex, const QString& sCaption);
    // The menu entry itself (nullptr for an invalid index).
    QAction* mnuSysTray(int lIndex) const;

    int DefaultMenuIndex() const { return defaultMenuIndex_; }
    // Writing an invalid index stores 0.
    void SetDefaultMenuIndex(int lIndex);

    QString ToolTip() const;
    void SetToolTip(const QString& sTip);
    QIcon Icon() const;
    void SetIcon(const QIcon& icon);

    // Shows a balloon near the icon when the desktop can show one; the request is kept either way.
    void ShowBalloonTip(const QString& sMessage, const QString& sTitle = QString(),
                        QSystemTrayIcon::MessageIcon eIcon = QSystemTrayIcon::NoIcon,
                        int lTimeOutMs = 10000);
    const std::optional<Balloon>& LastBalloon() const { return lastBalloon_; }

    // Pops the menu up at the mouse position, unless it is already open.
    void ShowMenu();

    QMenu* mnuPopup() const { return mnuPopup_.get(); }
    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }

signals:
    // A click on the icon: 1 for the left button (raised only when no double-click follows, so
    // that a double-click is not preceded by the menu), 2 for the right button.
    void SysTrayMouseDown(int eButton);
    void SysTrayDoubleClick(int eButton);
    // A menu item was chosen.
    void MenuClick(int lIndex, const QString& sKey);

private:
    void trayIcon_activated(QSystemTrayIcon::ActivationReason reason);
    void menuItemTriggered(QAction* item);
    bool ValidIndex(int index) const;

    // Destroyed in reverse order: the icon before the menu it shows.
    std::unique_ptr<QMenu> mnuPopup_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    QTimer* tmrClick_ = nullptr;
    std::vector<QAction*> items_;
    int defaultMenuIndex_ = 0;
    std::optional<Balloon> lastBalloon_;
};

}  // namespace vellorin
