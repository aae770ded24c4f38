#pragma once

#include <QDialog>
#include <QString>

#include "subscriptions/ui/dialog_open_mode.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vellorin {

class AppContext;
class TreeControl;

// frmSubscribe, "Subscribe to New Message Source": subscribes to one new Message Source from a
// title (txtTitle, first in tab order) and a link (txtLink). btnSubscribe ("   Subscribe Now!")
// runs SubscribeNow: its boxes go through the context's user seam, a refusal puts the focus into
// the field it names (the link's whole text selected after an invalid link) and keeps both
// fields as typed, a success adds the source to subscriptions.dat, reloads `tvMessages` so the
// main tree shows it at once, and closes the window. btnCancel ("No Thanks!"), Escape and the
// close box close it and store nothing.
//
// The program keeps one such window: Open and OpenWithLink create it, or bring forward the one
// that is open, which is discarded when it closes. The context and the tree are borrowed and
// must outlive the window.
class frmSubscribe : public QDialog {
    Q_OBJECT

public:
    frmSubscribe(AppContext& context, TreeControl& tvMessages, QWidget* parent = nullptr);
    ~frmSubscribe() override;

    // Opens the window in `mode`: owned modes make `owner` (the main window) its parent, unowned
    // ones give it no parent. A window that is already open keeps its mode, owner and fields and
    // is only brought forward; otherwise a new one opens with empty fields, centred on the
    // screen. One opened for another context or tree is discarded first. Gives the window.
    static frmSubscribe* Open(AppContext& context, TreeControl& tvMessages, DialogOpenMode mode,
                              QWidget* owner);
    // The drop box's opening: modeless without owner (or the open window brought forward as it
    // is), then `link` put into the link field; the title field keeps what it holds.
    static frmSubscribe* OpenWithLink(AppContext& context, TreeControl& tvMessages,
                                      const QString& link);
    // The open window, or nullptr.
    static frmSubscribe* Instance();

    // Puts `link` into the link field; the title field keeps what it holds.
    void setLink(const QString& link);

    QLineEdit* txtTitle() const { return txtTitle_; }
    QLineEdit* txtLink() const { return txtLink_; }
    QPushButton* btnSubscribe() const { return btnSubscribe_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    void btnSubscribe_Click();

    AppContext& context_;
    TreeControl& tvMessages_;
    QLineEdit* txtTitle_ = nullptr;
    QLineEdit* txtLink_ = nullptr;
    QPushButton* btnSubscribe_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace vellorin
