#include "config/ui/frm_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_context.h"

namespace vellorin {
namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmSettings::frmSettings(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Preferences ..."));

    QLabel* lblSchedule =
        AddLabel(this, "lblSchedule", QStringLiteral("Auto-Check New Message Schedule Frequency."));
    QFont heading = lblSchedule->font();
    heading.setBold(true);
    lblSchedule->setFont(heading);

    cmbFreq_ = new QComboBox(this);
    cmbFreq_->setObjectName(QStringLiteral("cmbFreq"));
    cmbFreq_->addItems({QStringLiteral("Every 15 minutes"), QStringLiteral("Every 30 minutes"),
                        QStringLiteral("Every 60 minutes!")});
    cmbFreq_->setCurrentIndex(-1);
    QLabel* lblFrequency = AddLabel(this, "lblFrequency", QStringLiteral("Frequency:"));
    lblFrequency->setWordWrap(false);
    lblFrequency->setBuddy(cmbFreq_);

    chkStartup_ = new QCheckBox(QStringLiteral("Start Application on Windows Startup."), this);
    chkStartup_->setObjectName(QStringLiteral("chkStartup"));
    chkStartup_->setFont(heading);
    QLabel* lblStartup = AddLabel(
        this, "lblStartup",
        QStringLiteral("If this option is selected, Application will be automatically started "
                       "with Windows OS Startup."));

    chkWebEngine_ = new QCheckBox(
        QStringLiteral("Show messages with the full web engine (uses more memory)"), this);
    chkWebEngine_->setObjectName(QStringLiteral("chkWebEngine"));

    btnSave_ = new QPushButton(QStringLiteral(" Save Settings!"), this);
    btnSave_->setObjectName(QStringLiteral("btnSave"));
    btnSave_->setDefault(true);
    btnCancel_ = new QPushButton(QStringLiteral("No Changes!"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));

    auto* frequencyRow = new QHBoxLayout;
    frequencyRow->addWidget(lblFrequency);
    frequencyRow->addWidget(cmbFreq_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSchedule);
    layout->addLayout(frequencyRow);
    layout->addSpacing(12);
    layout->addWidget(chkStartup_);
    layout->addWidget(lblStartup);
    layout->addSpacing(12);
    layout->addWidget(chkWebEngine_);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(btnSave_, &QPushButton::clicked, this, &frmSettings::btnSave_Click);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    context_.settings.LoadAppSettings(true, this);
}

void frmSettings::setFrequencyIndex(int index) {
    // A stored index without an entry leaves the list without a selection.
    cmbFreq_->setCurrentIndex(index >= 0 && index < cmbFreq_->count() ? index : -1);
}

void frmSettings::setStartupChecked(bool checked) {
    chkStartup_->setChecked(checked);
}

void frmSettings::setWebEngineChecked(bool checked) {
    chkWebEngine_->setChecked(checked);
}

void frmSettings::btnSave_Click() {
    const int index = cmbFreq_->currentIndex();
    if (index == -1) {
        context_.seam().messageBox("Schedule Frequency?",
                                   "Please select frequency to Check for New Messages.",
                                   MsgIcon::Information);
        cmbFreq_->setFocus();
        return;
    }
    mSettings& settings = context_.settings;
    settings.schedule = 1;
    settings.freq = static_cast<std::int16_t>(index);
    settings.winstartup = chkStartup_->isChecked() ? 1 : 0;
    settings.webengine = chkWebEngine_->isChecked() ? 1 : 0;
    settings.SaveAppSettings();
    accept();
}

}  // namespace vellorin
