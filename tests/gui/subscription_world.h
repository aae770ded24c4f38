#pragma once

// A data folder with a message tree for the subscription windows' tests.

#include <string>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/message_folder.h"
#include "gui/widget_helpers.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "support/recording_seam.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {

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
    QStringList mainRows() const { return RowTexts(view.model()); }
    std::vector<std::string> captions() const { return seam.captions(); }

    RecordingSeam seam;
    MessageFolder folder{&seam};
    TreeControl tvMessages{"tvMessages"};
    TreeView view{tvMessages, ImageList()};
    std::string zulu, alpha;
};

}  // namespace vellorin::test
