#pragma once

#include <QDialog>

#include <array>

#include "config/settings.h"

class QCheckBox;
class QPushButton;

namespace vellorin {

class AppContext;

// frmRegPlugin: the plug-in dialog, caption "Vellorin Plug-In Configuration ...", which chooses
// the browsers the browser link monitor watches. Opening it loads the plug-in settings into the
// check box array chkPlugIn (index 0 Firefox, 1 Internet Explorer; both objectName "chkPlugIn",
// told apart by the property "Index"); loading registers the monitor without starting its timer.
// btnSave stores the boxes in settings.cfg (mSettings::SavePlugInSettings, which registers the
// monitor with its timer started) and closes the dialog; btnCancel closes it and changes nothing.
// Modeless. The context must outlive the dialog.
class frmRegPlugin : public QDialog, public PlugInDialogView {
    Q_OBJECT

public:
    explicit frmRegPlugin(AppContext& context, QWidget* parent = nullptr);

    // PlugInDialogView; an index other than 0 or 1 is ignored.
    void setPlugInChecked(int index, bool checked) override;

    // chkPlugIn(0) and chkPlugIn(1); nullptr for any other index.
    QCheckBox* chkPlugIn(int index) const;
    QPushButton* btnSave() const { return btnSave_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    void btnSave_Click();

    AppContext& context_;
    std::array<QCheckBox*, 2> chkPlugIn_{};
    QPushButton* btnSave_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace vellorin
