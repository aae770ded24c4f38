#include "subscriptions/ui/frm_subscribe.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_context.h"
#include "subscriptions/subscribe_procedure.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "subscriptions/ui/input_focus.h"

namespace vellorin {
namespace {

constexpr int kClientWidthTwips = 5640;
constexpr int kClientHeightTwips = 2040;

QLineEdit* AddField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

// The one window of the program (null while none is open).
QPointer<frmSubscribe>& OpenWindow() {
    static QPointer<frmSubscribe> window;
    return window;
}

}  // namespace

frmSubscribe::frmSubscribe(AppContext& context, TreeControl& tvMessages, QWidget* parent)
    : QDialog(parent), context_(context), tvMessages_(tvMessages) {
    setObjectName(QStringLiteral("frmSubscribe"));
    setWindowTitle(QStringLiteral("Subscribe to New Message Source"));
    setFont(SubscriptionDialogFont());

    txtTitle_ = AddField(this, "txtTitle");
    txtLink_ = AddField(this, "txtLink");
    QLabel* lblTitle = AddLabel(this, "lblTitle", QStringLiteral("Title:"), txtTitle_);
    QLabel* lblSourceLink =
        AddLabel(this, "lblSourceLink", QStringLiteral("Source Link:"), txtLink_);

    btnSubscribe_ = new QPushButton(QStringLiteral("   Subscribe Now!"), this);
    btnSubscribe_->setObjectName(QStringLiteral("btnSubscribe"));
    // Enter in either field subscribes.
    btnSubscribe_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("No Thanks!"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSubscribe_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->addWidget(lblTitle);
    layout->addWidget(txtTitle_);
    layout->addSpacing(4);
    layout->addWidget(lblSourceLink);
    layout->addWidget(txtLink_);
    layout->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    setTabOrder(txtTitle_, txtLink_);
    setTabOrder(txtLink_, btnSubscribe_);
    setTabOrder(btnSubscribe_, btnCancel_);
    txtTitle_->setFocus();

    connect(btnSubscribe_, &QPushButton::clicked, this, &frmSubscribe::btnSubscribe_Click);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The client area of the layout, or more where the desktop's font needs it.
    resize(TwipsToPixels(this, kClientWidthTwips, kClientHeightTwips).expandedTo(sizeHint()));
}

frmSubscribe::~frmSubscribe() = default;

frmSubscribe* frmSubscribe::Open(AppContext& context, TreeControl& tvMessages, DialogOpenMode mode,
                                 QWidget* owner) {
    QPointer<frmSubscribe>& window = OpenWindow();
    const bool reusable =
        window && &window->context_ == &context && &window->tvMessages_ == &tvMessages;
    return ShowOneWindow(window, reusable, mode, [&] {
        return new frmSubscribe(context, tvMessages, IsOwned(mode) ? owner : nullptr);
    });
}

frmSubscribe* frmSubscribe::OpenWithLink(AppContext& context, TreeControl& tvMessages,
                                         const QString& link) {
    frmSubscribe* window = Open(context, tvMessages, DialogOpenMode::ModelessUnowned, nullptr);
    window->setLink(link);
    return window;
}

frmSubscribe* frmSubscribe::Instance() {
    return OpenWindow();
}

void frmSubscribe::setLink(const QString& link) {
    txtLink_->setText(link);
}

void frmSubscribe::btnSubscribe_Click() {
    // The boxes run events: the window may be closed (and discarded) before they return.
    const QPointer<frmSubscribe> self(this);
    const ProcedureResult result = SubscribeNow(
        context_, tvMessages_, txtTitle_->text().toStdString(), txtLink_->text().toStdString());
    if (self.isNull())
        return;
    if (result.done) {
        accept();
        return;
    }
    FocusRefusedField(result, txtTitle_, txtLink_);
}

}  // namespace vellorin
