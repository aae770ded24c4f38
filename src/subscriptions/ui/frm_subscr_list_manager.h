#pragma once

#include <QDialog>

#include "subscriptions/subscribe_procedure.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "view/tree_control.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vellorin {

class AppContext;
class TreeView;

// frmSubscrListManager, "Subscription List Manager": every subscribed source in the tree
// tvSources (a TreeControl shown by a TreeView, the message tree's view and model: the root
// "Sources", key "main", with one child per source in file order), the fields txtTitle (first in
// tab order) and txtLink, the buttons btnAdd, btnDel ("Delete") and btnCancel ("Clear Fields") and
// the help text lblQuickHelp.
//
// It opens in add mode with empty fields and the tree loaded from subscriptions.dat. A
// double-click in the tree puts the selected node into the fields and turns to edit mode (btnAdd
// reads "Save Changes!" instead of "Add New"); "Clear Fields" returns to add mode. btnAdd runs
// SaveSource (a refusal puts the focus into the field it names, the link's text selected after
// an invalid link; a success clears the fields), btnDel runs UnsubscribeSelected (the question
// first; the source's inbox folder goes with it). Every box goes through the context's user seam.
// Closing the window (close box, Escape) reloads `tvMessages`, so the main tree shows the
// changes then.
//
// The program keeps one such window: Open creates it, or brings forward the one that is open,
// which is discarded when it closes. The context and `tvMessages` are borrowed and must outlive
// the window.
class frmSubscrListManager : public QDialog {
    Q_OBJECT

public:
    frmSubscrListManager(AppContext& context, TreeControl& tvMessages, QWidget* parent = nullptr);
    ~frmSubscrListManager() override;

    // Opens the window in `mode`: owned modes make `owner` (the main window) its parent, unowned
    // ones give it no parent. A window that is already open keeps its mode, owner, tree and
    // fields and is only brought forward; otherwise a new one opens in add mode, centred on the
    // screen, its tree loaded. One opened for another context or tree is discarded first (without
    // reloading that tree). Gives the window.
    static frmSubscrListManager* Open(AppContext& context, TreeControl& tvMessages,
                                      DialogOpenMode mode, QWidget* owner);
    // The open window, or nullptr.
    static frmSubscrListManager* Instance();

    // The manager's tree and its view (objectName "tvSources").
    TreeControl& sources() { return tvSources_; }
    TreeView* tvSources() const { return tvSourcesView_; }
    QLineEdit* txtTitle() const { return txtTitle_; }
    QLineEdit* txtLink() const { return txtLink_; }
    QPushButton* btnAdd() const { return btnAdd_; }
    QPushButton* btnDel() const { return btnDel_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QLabel* lblQuickHelp() const { return lblQuickHelp_; }
    // Add or edit mode, and in edit mode the source and its values before editing.
    const SourceEditState& editState() const { return editState_; }

private:
    void BuildLayout(QLabel* lblTitle, QLabel* lblSourceLink, QLabel* lblQuickHelpHeading);
    void Form_Unload();
    void tvSources_DblClick();
    void btnAdd_Click();
    void btnDel_Click();
    void btnCancel_Click();

    AppContext& context_;
    TreeControl& tvMessages_;
    TreeControl tvSources_{"tvSources"};
    SourceEditState editState_;
    TreeView* tvSourcesView_ = nullptr;
    QLineEdit* txtTitle_ = nullptr;
    QLineEdit* txtLink_ = nullptr;
    QPushButton* btnAdd_ = nullptr;
    QPushButton* btnDel_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QLabel* lblQuickHelp_ = nullptr;
};

}  // namespace vellorin
