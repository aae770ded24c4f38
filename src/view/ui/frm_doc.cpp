#include "view/ui/frm_doc.h"

#include <QDir>
#include <QFileDialog>
#include <QMetaObject>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>
#include <string>

#include "base/helpers.h"
#include "base/user_seam.h"
#include "util/atomic_file.h"
#include "view/message_export.h"
#include "view/ui/built_in_view_factory.h"

namespace vellorin {
namespace {

constexpr const char* kHtmlExtension = "html";
constexpr const char* kHtmlFilter = "HTML File|*.html;*.htm";

QString ChooseSavePath(QWidget* parent, const QString& proposedPath) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), proposedPath,
                       QStringLiteral("HTML File (*.html);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kHtmlExtension));
    // savePageAs asks about the name it will write, extension added.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool SetUpPrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

frmDoc::frmDoc(UserSeam& seam, const QString& caption, const QString& pagePath, QWidget* parent,
               MessageViewFactory* views)
    : QWidget(parent), seam_(seam), savePathChooser_(&ChooseSavePath), printSetup_(&SetUpPrinter) {
    setObjectName(QStringLiteral("frmDoc"));
    setWindowTitle(caption);

    const std::string text = ReadTextFile(seam_, pagePath.toStdString());
    content_ = QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    // The window's own copy of the page, gone with the window.
    pageCopy_ = std::make_unique<QTemporaryFile>(
        QDir(QDir::tempPath()).filePath(QStringLiteral("vellorin-page-XXXXXX.htm")));
    QUrl pageUrl;
    if (pageCopy_->open() && pageCopy_->write(content_) == content_.size() && pageCopy_->flush())
        pageUrl = QUrl::fromLocalFile(pageCopy_->fileName());
    else
        ShowFileError(seam_, EIO, pageCopy_->errorString().toStdString());
    pageCopy_->close();

    // The view fills the window whatever its size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    MessageViewFactory& factory = views ? *views : BuiltInMessageViewFactory();
    view_ = factory.createMessageView(
        pageUrl, caption, [this](bool ok) { emit pageLoaded(ok); },
        [this](bool ok) { ucBrowser_printFinished(ok); }, this);
    layout->addWidget(view_->widget());
    setFocusProxy(view_->widget());

    if (!pageUrl.isEmpty())
        view_->loadPage();
}

frmDoc::~frmDoc() {
    // The view goes first, with its page, while the page's file still exists.
    if (view_)
        delete view_->widget();
}

void frmDoc::setUrlOpener(UrlOpener opener) {
    if (view_)
        view_->setLinkOpener(std::move(opener));
}

void frmDoc::savePageAs() {
    // The caption as the proposed name, without the "..." of a shortened title.
    QString title = windowTitle();
    while (title.endsWith(QLatin1Char('.')) || title.endsWith(QLatin1Char(' ')))
        title.chop(1);
    const QString name = QString::fromStdString(SafeFileName(title.toStdString(), kHtmlExtension));
    const QString proposed =
        name.isEmpty() ? QString() : QDir::home().filePath(name + "." + kHtmlExtension);
    const QString chosen = savePathChooser_ ? savePathChooser_(this, proposed) : QString();
    if (chosen.trimmed().isEmpty())
        return;
    const std::string path =
        WithDefaultExtension(chosen.toStdString(), kHtmlExtension, kHtmlFilter);
    if (!ConfirmReplace(seam_, path))
        return;
    const IoStatus written = WriteFileAtomic(
        path, std::string_view(content_.constData(), static_cast<std::size_t>(content_.size())));
    if (!written.ok())
        ShowFileError(seam_, written.error, written.message());
}

void frmDoc::printPage() {
    if (printer_ || !printSetup_ || !view_)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!printSetup_(*printer, this))
        return;
    printer_ = std::move(printer);
    view_->print(printer_.get());
}

void frmDoc::ucBrowser_printFinished(bool ok) {
    printer_.reset();
    emit printFinished(ok);
}

}  // namespace vellorin
