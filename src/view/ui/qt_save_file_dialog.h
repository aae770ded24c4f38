#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "view/message_export.h"

class QFileDialog;
class QWidget;

namespace vellorin {

// The common save dialog (ucCommonDialog) of the desktop client: a modal QFileDialog in save
// mode with the request's title, filter, default extension and proposed file name. It does not
// ask before replacing a file: a desktop's own dialog (KDE's, the portal's) may ask about the
// name before adding the extension, so the caller asks about the final name (ConfirmReplace).
//
// The dialog opens in the folder of the previous export, at first in the user's home folder.
// An auto-answer hook, when set, answers instead of the dialog, with the chosen path or nullopt
// for a cancel; tests use it so that no modal dialog blocks them.
class QtSaveFileDialog : public SaveFileDialog {
public:
    using AutoAnswer = std::function<std::optional<std::string>(const SaveFileRequest&)>;

    explicit QtSaveFileDialog(QWidget* owner = nullptr) : owner_(owner) {}

    void setAutoAnswer(AutoAnswer autoAnswer) { autoAnswer_ = std::move(autoAnswer); }
    // The window the dialog is centred on.
    void setOwner(QWidget* owner) { owner_ = owner; }

    // The path of the file chosen (as the dialog gives it: its default extension added to a name
    // typed without one), or nullopt when the user cancelled.
    std::optional<std::string> ShowSave(const SaveFileRequest& request) override;

    // Sets `dialog` up for `request` without showing it.
    static void Prepare(QFileDialog& dialog, const SaveFileRequest& request);

    // The dialog's name filters for a filter written "description|pattern;pattern" (pairs may
    // follow, each after a further "|"): "description (pattern pattern)" for each pair, or just
    // the description when it ends with that list already.
    static QStringList NameFilters(std::string_view filter);

private:
    QWidget* owner_;
    AutoAnswer autoAnswer_;
    QString lastFolder_;
};

}  // namespace vellorin
