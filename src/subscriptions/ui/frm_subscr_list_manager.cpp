#include "subscriptions/ui/frm_subscr_list_manager.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_context.h"
#include "subscriptions/subscriptions.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "subscriptions/ui/input_focus.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_view.h"

namespace vellorin {
namespace {

constexpr int kClientWidthTwips = 7320;
constexpr int kClientHeightTwips = 4815;

const QString kAddCaption = QStringLiteral("Add New");
const QString kSaveCaption = QStringLiteral("Save Changes!");

const char* const kQuickHelp =
    "Using Subscription List Manager, you can manage your Subscription Lists with ease! Simply "
    "specify the details in the fields and press \"Add New\" button to subscribe a New Source. "
    "Want to Edit details of existing Source? Just double click the source title in List, make "
    "changes and Save! To Delete a source, select it in List and hit \"Delete button.";

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* AddField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// The one window of the program (null while none is open).
QPointer<frmSubscrListManager>& OpenWindow() {
    static QPointer<frmSubscrListManager> window;
    return window;
}

}  // namespace

frmSubscrListManager::frmSubscrListManager(AppContext& context, TreeControl& tvMessages,
                                           QWidget* parent)
    : QDialog(parent), context_(context), tvMessages_(tvMessages) {
    setObjectName(QStringLiteral("frmSubscrListManager"));
    setWindowTitle(QStringLiteral("Subscription List Manager"));
    setFont(SubscriptionDialogFont());

    tvSourcesView_ = new TreeView(
        tvSources_, TreeviewImages(QString::fromStdString(context_.appFolder())), this);
    tvSourcesView_->setObjectName(QStringLiteral("tvSources"));
    txtTitle_ = AddField(this, "txtTitle");
    txtLink_ = AddField(this, "txtLink");
    QLabel* lblTitle = AddLabel(this, "lblTitle", QStringLiteral("Title:"));
    lblTitle->setBuddy(txtTitle_);
    QLabel* lblSourceLink = AddLabel(this, "lblSourceLink", QStringLiteral("Source Link:"));
    lblSourceLink->setBuddy(txtLink_);
    btnAdd_ = AddButton(this, "btnAdd", kAddCaption);
    // Enter in either field saves.
    btnAdd_->setDefault(true);
    btnDel_ = AddButton(this, "btnDel", QStringLiteral("Delete"));
    btnCancel_ = AddButton(this, "btnCancel", QStringLiteral("Clear Fields"));
    QLabel* lblQuickHelpHeading =
        AddLabel(this, "lblQuickHelpHeading", QStringLiteral("Quick Help:"));
    QFont heading = lblQuickHelpHeading->font();
    heading.setBold(true);
    lblQuickHelpHeading->setFont(heading);
    lblQuickHelp_ = AddLabel(this, "lblQuickHelp", QString::fromLatin1(kQuickHelp));
    lblQuickHelp_->setWordWrap(true);
    lblQuickHelp_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    BuildLayout(lblTitle, lblSourceLink, lblQuickHelpHeading);

    setTabOrder(txtTitle_, txtLink_);
    setTabOrder(txtLink_, btnAdd_);
    setTabOrder(btnAdd_, btnDel_);
    setTabOrder(btnDel_, btnCancel_);
    setTabOrder(btnCancel_, tvSourcesView_);
    txtTitle_->setFocus();

    connect(tvSourcesView_, &TreeView::DblClick, this, &frmSubscrListManager::tvSources_DblClick);
    connect(btnAdd_, &QPushButton::clicked, this, &frmSubscrListManager::btnAdd_Click);
    connect(btnDel_, &QPushButton::clicked, this, &frmSubscrListManager::btnDel_Click);
    connect(btnCancel_, &QPushButton::clicked, this, &frmSubscrListManager::btnCancel_Click);
    // However the window closes (close box, Escape, the program's exit), done() ends in finished.
    connect(this, &QDialog::finished, this, &frmSubscrListManager::Form_Unload);

    // Form load.
    context_.subscriptions.LoadSubscriptions(tvSources_);
}

frmSubscrListManager::~frmSubscrListManager() {
    // The view observes tvSources, a member that goes before QWidget deletes the children.
    delete tvSourcesView_;
}

frmSubscrListManager* frmSubscrListManager::Open(AppContext& context, TreeControl& tvMessages,
                                                 DialogOpenMode mode, QWidget* owner) {
    QPointer<frmSubscrListManager>& window = OpenWindow();
    const bool reusable =
        window && &window->context_ == &context && &window->tvMessages_ == &tvMessages;
    return ShowOneWindow(window, reusable, mode, [&] {
        return new frmSubscrListManager(context, tvMessages, IsOwned(mode) ? owner : nullptr);
    });
}

frmSubscrListManager* frmSubscrListManager::Instance() {
    return OpenWindow();
}

void frmSubscrListManager::BuildLayout(QLabel* lblTitle, QLabel* lblSourceLink,
                                       QLabel* lblQuickHelpHeading) {
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAdd_);
    buttons->addWidget(btnDel_);
    buttons->addWidget(btnCancel_);
    buttons->addStretch(1);

    auto* fields = new QVBoxLayout;
    fields->setSpacing(4);
    fields->addWidget(lblTitle);
    fields->addWidget(txtTitle_);
    fields->addSpacing(4);
    fields->addWidget(lblSourceLink);
    fields->addWidget(txtLink_);
    fields->addSpacing(8);
    fields->addLayout(buttons);
    fields->addSpacing(12);
    fields->addWidget(lblQuickHelpHeading);
    fields->addWidget(lblQuickHelp_, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(tvSourcesView_, 2);
    layout->addLayout(fields, 3);

    // The client area of the layout, or more where the desktop's font needs it.
    resize(TwipsToPixels(this, kClientWidthTwips, kClientHeightTwips).expandedTo(sizeHint()));
}

void frmSubscrListManager::Form_Unload() {
    context_.subscriptions.LoadSubscriptions(tvMessages_);
}

void frmSubscrListManager::tvSources_DblClick() {
    const std::optional<SourceEditState> state = EditStateForSelection(tvSources_);
    if (!state)
        return;
    editState_ = *state;
    txtTitle_->setText(QString::fromStdString(editState_.title));
    txtLink_->setText(QString::fromStdString(editState_.link));
    btnAdd_->setText(kSaveCaption);
}

void frmSubscrListManager::btnAdd_Click() {
    // The boxes run events: the window may be closed (and discarded) before they return.
    const QPointer<frmSubscrListManager> self(this);
    const ProcedureResult result =
        SaveSource(context_, tvSources_, editState_, txtTitle_->text().toStdString(),
                   txtLink_->text().toStdString());
    if (self.isNull())
        return;
    if (result.done) {
        btnCancel_Click();
        return;
    }
    FocusRefusedField(result, txtTitle_, txtLink_);
}

void frmSubscrListManager::btnDel_Click() {
    (void)UnsubscribeSelected(context_, tvSources_);
}

void frmSubscrListManager::btnCancel_Click() {
    txtTitle_->clear();
    txtLink_->clear();
    editState_ = SourceEditState{};
    btnAdd_->setText(kAddCaption);
}

}  // namespace vellorin
