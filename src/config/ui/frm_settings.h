#pragma once

#include <QDialog>

#include "config/settings.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace vellorin {

class AppContext;

// frmSettings: the preferences dialog, caption "Preferences ...". Opening it loads the
// application settings into its controls: the check frequency list cmbFreq (no selection for a
// stored index outside 0 to 2) and the start-at-login box chkStartup. btnSave stores them in
// settings.cfg (mSettings::SaveAppSettings: the schedule timer is enabled again, the
// start-at-login entry written or removed, "Done!" shown) and closes the dialog with Accepted;
// without a frequency chosen it asks for one and stays open. btnCancel (and Escape) closes it and
// changes nothing. Shown modally by the main window. The context must outlive the dialog.
class frmSettings : public QDialog, public SettingsDialogView {
    Q_OBJECT

public:
    explicit frmSettings(AppContext& context, QWidget* parent = nullptr);

    // SettingsDialogView
    void setFrequencyIndex(int index) override;
    void setStartupChecked(bool checked) override;
    void setWebEngineChecked(bool checked) override;

    QComboBox* cmbFreq() const { return cmbFreq_; }
    QCheckBox* chkStartup() const { return chkStartup_; }
    QCheckBox* chkWebEngine() const { return chkWebEngine_; }
    QPushButton* btnSave() const { return btnSave_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    void btnSave_Click();

    AppContext& context_;
    QComboBox* cmbFreq_ = nullptr;
    QCheckBox* chkStartup_ = nullptr;
    QCheckBox* chkWebEngine_ = nullptr;
    QPushButton* btnSave_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace vellorin
