#pragma once

// A data folder with a message tree for the subscription windows' tests.

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QModelIndex>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "gui/message_folder.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "support/recording_seam.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {

// A recording seam that runs `onBox` while a box is up, as a real box lets the program's state
// be looked at before the user answers.
class BoxSeam : public RecordingSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest& request) override {
        if (onBox)
            onBox(request);
        return RecordingSeam::messageBox(request);
    }
    using RecordingSeam::messageBox;
    std::function<void(const MessageBoxRequest&)> onBox;
};

inline constexpr const char* kLinkZulu = "http://www.vellorin.net/feeds/zulu";
inline constexpr const char* kLinkAlpha = "http://www.vellorin.net/feeds/alpha";

// Two subscribed sources, "Zulu News" (first in the file) and "alpha notes" (with a stored
// message), the main message tree loaded from them and shown by a view, and the boxes answered
// by a recording seam. Any subscription window still open is discarded first on destruction.
struct SubscriptionWorld {
    SubscriptionWorld() {
        zulu = folder.subscribe("Zulu News", kLinkZulu);
        alpha = folder.subscribe("alpha notes", kLinkAlpha);
        folder.save(alpha, "a1", "Monday report", "Mon, 05 Dec 2026", "08:56:31", false);
        context().subscriptions.LoadSubscriptions(tvMessages);
        seam.clear();
    }
    ~SubscriptionWorld() {
        delete frmSubscribe::Instance();
        delete frmSubscrListManager::Instance();
    }

    AppContext& context() { return *folder.context; }
    QByteArray list() const { return MessageFolder::read(folder.dataFile("subscriptions.dat")); }
    // The main tree as its view shows it: the top-level rows' texts.
    QStringList mainRows() const {
        QStringList rows;
        for (int i = 0; i < view.model()->rowCount(); ++i)
            rows << view.model()->index(i, 0).data().toString();
        return rows;
    }
    std::vector<std::string> captions() const { return seam.captions(); }

    BoxSeam seam;
    MessageFolder folder{&seam};
    TreeControl tvMessages{"tvMessages"};
    TreeView view{tvMessages, ImageList()};
    std::string zulu, alpha;
};

// Runs the deletions that closed windows left for later (WA_DeleteOnClose).
inline void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The widgets that take the focus one after the other when Tab is pressed `count` times,
// starting from the focus widget.
inline QList<QWidget*> TabChain(int count) {
    QList<QWidget*> chain;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        chain << QApplication::focusWidget();
    }
    return chain;
}

}  // namespace vellorin::test
