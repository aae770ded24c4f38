#pragma once

#include <QList>
#include <QPointer>

#include <string>
#include <utility>

#include "view/message_windows.h"
#include "view/ui/frm_doc.h"
#include "view/ui/message_view_choice.h"

class QMdiArea;
class QMdiSubWindow;

namespace vellorin {

class UserSeam;

// The open message windows as the main window keeps them: each frmDoc in a sub-window of the
// frame's MDI area, shown as a tab (closable, its text the window's caption, cut with an ellipsis
// to keep the tab at most a third of the frame wide). The area is the frame's; it must outlive
// this object, and so must the seam.
class MdiMessageWindows : public MessageWindows {
public:
    // Puts `area` into tabbed mode with closable, movable tabs. `engineChosen` tells, as each
    // window opens, whether the user chose the full web engine for its view (MessageViewChoice);
    // without it every window gets the built-in view.
    MdiMessageWindows(QMdiArea* area, UserSeam& seam,
                      MessageViewChoice::EngineChosen engineChosen = {});
    ~MdiMessageWindows() override;

    // True when an open window shows the message `guid` of source `sourceId` (exact comparison
    // of its SourceID and ItemID); the first such window becomes the active sub-window (its tab
    // in front).
    bool FindOpenMessage(const std::string& sourceId, const std::string& guid) override;
    // Opens a frmDoc for `pagePath`, with the view the user chose, in a new sub-window, with
    // SourceID `sourceId`, ItemID `guid` and the caption `caption` (also the tab's text), makes it
    // the active one and oDoc.
    void OpenMessageWindow(const std::string& sourceId, const std::string& guid,
                           const std::string& caption, const std::string& pagePath) override;
    // Closes the first open window of the message `guid` of source `sourceId` and its tab; true
    // when there was one.
    bool CloseMessageWindow(const std::string& sourceId, const std::string& guid) override;

    // The message window most recently opened, while it is open.
    frmDoc* oDoc() const;
    // The message window of the active sub-window, or nullptr.
    frmDoc* activeMessageWindow() const;
    // The open message windows, in the order they were opened.
    QList<frmDoc*> messageWindows() const;
    QMdiArea* area() const { return area_; }

    // Who opens the links clicked in the windows opened from now on (the desktop by default).
    void setUrlOpener(frmDoc::UrlOpener opener) { urlOpener_ = std::move(opener); }

private:
    class TabFitter;

    // The sub-window of the first open window showing `guid` of `sourceId`, or nullptr.
    QMdiSubWindow* findSubWindow(const std::string& sourceId, const std::string& guid) const;

    QMdiArea* area_;
    UserSeam& seam_;
    MessageViewChoice views_;
    QPointer<frmDoc> oDoc_;
    // Owned by the area.
    QPointer<TabFitter> tabFitter_;
    frmDoc::UrlOpener urlOpener_;
};

}  // namespace vellorin
