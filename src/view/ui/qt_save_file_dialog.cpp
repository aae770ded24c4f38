#include "view/ui/qt_save_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace vellorin {

QStringList QtSaveFileDialog::NameFilters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
            .split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const QString list = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        // A description that names its patterns already is shown as it is.
        filters.append(parts[i].endsWith(list) ? parts[i] : parts[i] + QLatin1Char(' ') + list);
    }
    return filters;
}

void QtSaveFileDialog::Prepare(QFileDialog& dialog, const SaveFileRequest& request) {
    dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(QString::fromStdString(request.fileName));
}

std::optional<std::string> QtSaveFileDialog::ShowSave(const SaveFileRequest& request) {
    if (autoAnswer_)
        return autoAnswer_(request);
    // The dialog's event loop may delete the owner; hold the dialog by a guarded pointer.
    QPointer<QFileDialog> dialog = new QFileDialog(owner_);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setDirectory(lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
    Prepare(*dialog, request);
    const int result = dialog->exec();
    if (dialog.isNull())
        return std::nullopt;
    std::optional<std::string> chosen;
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        const QString path = dialog->selectedFiles().constFirst();
        lastFolder_ = QFileInfo(path).absolutePath();
        chosen = path.toStdString();
    }
    delete dialog.data();
    return chosen;
}

}  // namespace vellorin
