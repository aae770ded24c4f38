#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

#include "view/unread_count.h"

namespace vellorin {

class TreeControl;
class frmSysTray;

// `picture` with `badge` (the unread count's text) drawn on its lower right corner, at every
// size a tray asks for; `picture` itself for an empty badge.
QIcon IconWithBadge(const QIcon& picture, const QString& badge);

// Keeps the tray icon's picture and tip in step with the unread messages of the message tree:
// the number drawn on the picture ("99+" above 99, nothing at 0) and the tip's second line
// ("5 unread messages in 2 sources"). While a check run is busy its picture wins; the count
// comes back when it ends.
//
// Event-driven: the tree's change reports move the count, and the tray is redrawn once per turn
// of the event loop after a change, however many messages a check or a reload touched.
//
// The tree is borrowed and must outlive this object; the tray may go first.
class TrayUnreadBadge : public QObject {
    Q_OBJECT

public:
    TrayUnreadBadge(frmSysTray& tray, TreeControl& tvMessages, const QIcon& picture,
                    const QIcon& busyPicture, const QString& caption, QObject* parent = nullptr);

    // SetBusy: the busy picture while `busy`; the picture with the count otherwise.
    void setBusy(bool busy);
    const UnreadCount& count() const { return counter_.count(); }

private:
    void countChanged();
    void apply();

    QPointer<frmSysTray> tray_;
    UnreadCounter counter_;
    QIcon picture_;
    QIcon busyPicture_;
    QString caption_;
    bool busy_ = false;
    bool pending_ = false;
};

}  // namespace vellorin
