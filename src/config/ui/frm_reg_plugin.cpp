#include "config/ui/frm_reg_plugin.h"

#include <QCheckBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_context.h"
#include "base/ui/app_icons.h"

namespace vellorin {
namespace {

constexpr int kHeaderIconSize = 48;

// Check box captions and the notes under them, by index.
struct PlugInText {
    const char* caption;
    const char* note;
};
constexpr PlugInText kPlugIns[] = {
    {"Make Firefox Plug-In Active.",
     "If you select this Option then Firefox Browser Assistant Plug-In for Vellorin will be "
     "registered and activated. Application will keep you in touch with your Vellorin Inbox and "
     "will notify you whenever you've new Emails in your Vellorin Inbox while you're checking "
     "your Emails online!"},
    {"Make Internet Explorer Plug-In Active.",
     "If you use Internet Explorer 5.5 (or higher) Browser to surf Internet then select this "
     "option to register & activate Internet Explorer Browser Assistant Plug-In for Vellorin! "
     "This Plug-In will automatically notify you if you've any new Emails in your Vellorin Inbox "
     "while you're checking your Emails online. It's safe & and easiest way to be in touch with "
     "Vellorin Inbox ... always!"},
};

QWidget* BuildHeader(QWidget* parent, const QString& appFolder) {
    auto* header = new QWidget(parent);
    header->setObjectName(QStringLiteral("picHeader"));
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    auto* picture = new QLabel(header);
    picture->setObjectName(QStringLiteral("imgHeader"));
    picture->setPixmap(LoadAppIcon(appFolder, QString::fromLatin1(kAppIconFileName))
                           .pixmap(kHeaderIconSize, kHeaderIconSize));
    auto* title = new QLabel(QStringLiteral("Vellorin Plug-In Configuration"), header);
    title->setObjectName(QStringLiteral("lblHeader"));
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    title->setFont(font);
    auto* layout = new QHBoxLayout(header);
    layout->addWidget(picture);
    layout->addWidget(title, 1);
    return header;
}

}  // namespace

frmRegPlugin::frmRegPlugin(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("frmRegPlugin"));
    setWindowTitle(QStringLiteral("Vellorin Plug-In Configuration ..."));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildHeader(this, QString::fromStdString(context_.appFolder())));
    for (std::size_t i = 0; i < chkPlugIn_.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(kPlugIns[i].caption), this);
        box->setObjectName(QStringLiteral("chkPlugIn"));
        box->setProperty("Index", static_cast<int>(i));
        QFont bold = box->font();
        bold.setBold(true);
        box->setFont(bold);
        auto* note = new QLabel(QString::fromLatin1(kPlugIns[i].note), this);
        note->setObjectName(QStringLiteral("lblPlugInNote"));
        note->setWordWrap(true);
        note->setIndent(20);
        chkPlugIn_[i] = box;
        layout->addSpacing(8);
        layout->addWidget(box);
        layout->addWidget(note);
    }

    btnSave_ = new QPushButton(QStringLiteral("Save Configuration"), this);
    btnSave_->setObjectName(QStringLiteral("btnSave"));
    btnSave_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("Do not change Config!"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave_);
    buttons->addWidget(btnCancel_);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(btnSave_, &QPushButton::clicked, this, &frmRegPlugin::btnSave_Click);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    context_.settings.LoadPlugInSettings(true, this);
}

QCheckBox* frmRegPlugin::chkPlugIn(int index) const {
    if (index < 0 || index >= static_cast<int>(chkPlugIn_.size()))
        return nullptr;
    return chkPlugIn_[static_cast<std::size_t>(index)];
}

void frmRegPlugin::setPlugInChecked(int index, bool checked) {
    if (QCheckBox* box = chkPlugIn(index))
        box->setChecked(checked);
}

void frmRegPlugin::btnSave_Click() {
    mSettings& settings = context_.settings;
    settings.ff = chkPlugIn_[0]->isChecked() ? 1 : 0;
    settings.ie = chkPlugIn_[1]->isChecked() ? 1 : 0;
    settings.SavePlugInSettings();
    accept();
}

}  // namespace vellorin
