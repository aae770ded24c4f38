// frmMain: finding messages and the reading commands of the "Message Sources" menu, carried out
// by the tree window.

#include <QAction>
#include <QLabel>

#include "shell/ui/frm_main.h"
#include "shell/ui/main_status_bar.h"
#include "view/ui/frm_options.h"
#include "view/ui/message_search_bar.h"

namespace vellorin {

void frmMain::ConnectReadingCommands() {
    const MainMenus& m = menus_;
    connect(m.mnuMsgSourceFind, &QAction::triggered, this, &frmMain::mnuMsgSourceFind_Click);
    connect(m.mnuMsgSourceNextUnread, &QAction::triggered, this,
            &frmMain::mnuMsgSourceNextUnread_Click);
    connect(m.mnuMsgSourceMarkRead, &QAction::triggered, this,
            &frmMain::mnuMsgSourceMarkRead_Click);
    connect(m.mnuMsgSourceMarkAllRead, &QAction::triggered, this,
            &frmMain::mnuMsgSourceMarkAllRead_Click);

    lblSearchMatches_ = new QLabel(ucStatusBar_);
    lblSearchMatches_->setObjectName(QStringLiteral("PanelSearch"));
    lblSearchMatches_->hide();
    ucStatusBar_->addWidget(lblSearchMatches_);
    if (frmOptions_ == nullptr)
        return;
    connect(frmOptions_->searchBar(), &MessageSearchBar::matchesChanged, lblSearchMatches_,
            [this](const QString& text) {
                lblSearchMatches_->setText(text);
                lblSearchMatches_->setVisible(!text.isEmpty());
            });
}

void frmMain::mnuMsgSourceFind_Click() {
    if (frmOptions_ != nullptr)
        frmOptions_->FocusSearch();
}

void frmMain::mnuMsgSourceNextUnread_Click() {
    if (frmOptions_ != nullptr)
        (void)frmOptions_->OpenNextUnread();
}

void frmMain::mnuMsgSourceMarkRead_Click() {
    if (frmOptions_ != nullptr)
        frmOptions_->MarkSelectedSourceRead();
}

void frmMain::mnuMsgSourceMarkAllRead_Click() {
    if (frmOptions_ != nullptr)
        frmOptions_->MarkAllSourcesRead();
}

}  // namespace vellorin
