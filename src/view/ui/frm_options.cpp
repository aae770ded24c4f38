#include "view/ui/frm_options.h"

#include <QDesktopServices>
#include <QFont>
#include <QLineEdit>
#include <QToolBox>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <string>
#include <utility>
#include <vector>

#include "base/app_context.h"
#include "subscriptions/subscriptions.h"
#include "view/message_windows.h"
#include "view/ui/image_list.h"
#include "view/ui/message_search_bar.h"
#include "view/ui/popup_source_menu.h"
#include "view/ui/source_node_menu.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

namespace vellorin {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont OptionBarFont() {
    QFont font(QStringLiteral("verdana"));
    font.setPointSizeF(8.25);
    return font;
}

}  // namespace

frmOptions::frmOptions(AppContext& context, MessageWindows& windows, TreeHandlerHooks hooks,
                       QWidget* parent)
    : QWidget(parent),
      context_(context),
      windows_(windows),
      ucCommonDialog_(this),
      handlers_(context, tvMessages_, windows, WithOwnHooks(std::move(hooks))) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Messages Sources"));

    const QString appFolder = QString::fromStdString(context_.appFolder());
    tvMessagesView_ = new TreeView(tvMessages_, TreeviewImages(appFolder));
    tvMessagesView_->setObjectName(QStringLiteral("tvMessages"));
    tvMessagesView_->treeModel().setLabelEditHandler(
        [this](LabelEdit& edit) { handlers_.tvMessages_AfterLabelEdit(edit); });
    connect(tvMessagesView_, &TreeView::DblClick, this,
            [this] { handlers_.tvMessages_DblClick(); });
    connect(tvMessagesView_, &TreeView::KeyDown, this,
            [this](int keyCode, int shift) { (void)handlers_.tvMessages_KeyDown(keyCode, shift); });
    connect(tvMessagesView_, &TreeView::KeyUp, this,
            [this](int keyCode, int shift) { handlers_.tvMessages_KeyUp(keyCode, shift); });
    connect(tvMessagesView_, &TreeView::MouseUp, this,
            [this](const TreeMouseRelease& release) { handlers_.tvMessages_MouseUp(release); });

    mnuPopupSource_ = new PopupSourceMenu(context_, tvMessages_, windows, ucCommonDialog_, this);
    BuildSearch();

    Form_Load();
}

frmOptions::~frmOptions() {
    // The view and the menu use tvMessages, a member that goes before QWidget deletes children.
    delete ucOptionbar_;
    delete mnuPopupSource_;
    delete mnuPopupSourceNode_;
}

TreeHandlerHooks frmOptions::WithOwnHooks(TreeHandlerHooks hooks) {
    if (!hooks.showSourceMenu)
        hooks.showSourceMenu = [this](int x, int y) { ShowSourceMenu(x, y); };
    if (!hooks.showSourceMenuAtSelection)
        hooks.showSourceMenuAtSelection = [this] { ShowSourceMenuAtSelection(); };
    if (!hooks.showSourceNodeMenu) {
        hooks.showSourceNodeMenu = [this](int x, int y) {
            mnuPopupSourceNode_->popup(tvMessagesView_->viewport()->mapToGlobal(QPoint(x, y)));
        };
    }
    if (!hooks.showSourceNodeMenuAtSelection) {
        hooks.showSourceNodeMenuAtSelection = [this] {
            mnuPopupSourceNode_->popup(tvMessagesView_->viewport()->mapToGlobal(SelectionPoint()));
        };
    }
    if (!hooks.shellOpen) {
        hooks.shellOpen = [](const std::string& target) {
            QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target)));
        };
    }
    return hooks;
}

void frmOptions::Form_Load() {
    BuildOptionBar();
    context_.subscriptions.LoadSubscriptions(tvMessages_);
}

void frmOptions::BuildOptionBar() {
    ucOptionbar_ = new QToolBox(this);
    ucOptionbar_->setObjectName(QStringLiteral("ucOptionbar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ucOptionbar_);

    // The tree fills its container, and the container its group.
    picMsgContainer_ = new QWidget;
    picMsgContainer_->setObjectName(QStringLiteral("picMsgContainer"));
    auto* container = new QVBoxLayout(picMsgContainer_);
    container->setContentsMargins(0, 0, 0, 0);
    container->addWidget(searchBar_);
    container->addWidget(tvMessagesView_);
    setTabOrder(searchBar_->txtSearch(), tvMessagesView_);
    ucOptionbar_->addItem(picMsgContainer_, QStringLiteral("Messages"));

    // The other groups in the order of their first item.
    const ImageList imlOptionBar = OptionBarImages(QString::fromStdString(context_.appFolder()));
    std::vector<std::pair<std::string_view, QWidget*>> groups;
    for (const OptionBarItem& item : kOptionBarItems) {
        if (groups.empty() || groups.back().first != item.group) {
            auto* group = new QWidget;
            group->setObjectName(QStringLiteral("grp") + ToQString(item.group));
            auto* items = new QVBoxLayout(group);
            items->setSpacing(2);
            groups.emplace_back(item.group, group);
        }
        groups.back().second->layout()->addWidget(
            AddOptionBarItem(groups.back().second, item, imlOptionBar));
    }
    for (const auto& [title, group] : groups) {
        static_cast<QVBoxLayout*>(group->layout())->addStretch(1);
        ucOptionbar_->addItem(group, ToQString(title));
    }
    ucOptionbar_->setCurrentWidget(picMsgContainer_);
}

QToolButton* frmOptions::AddOptionBarItem(QWidget* group, const OptionBarItem& item,
                                          const ImageList& imlOptionBar) {
    auto* button = new QToolButton(group);
    const QString key = ToQString(item.key);
    button->setObjectName(key);
    button->setText(ToQString(item.caption));
    button->setIcon(imlOptionBar.picture(item.icon));
    button->setFont(OptionBarFont());
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QToolButton::clicked, this,
            [this, key] { handlers_.ucOptionbar_ItemClick(key.toStdString()); });
    return button;
}

void frmOptions::ShowSourceMenu(int x, int y) {
    mnuPopupSource_->popup(tvMessagesView_->viewport()->mapToGlobal(QPoint(x, y)));
}

QPoint frmOptions::SelectionPoint() const {
    const QModelIndex current = tvMessagesView_->currentIndex();
    tvMessagesView_->scrollTo(current);
    const QRect row = tvMessagesView_->visualRect(current);
    return {row.left() + row.height(), row.bottom()};
}

void frmOptions::ShowSourceMenuAtSelection() {
    const QPoint at = SelectionPoint();
    ShowSourceMenu(at.x(), at.y());
}

}  // namespace vellorin
