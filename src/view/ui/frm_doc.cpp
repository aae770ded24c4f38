#include "view/ui/frm_doc.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cerrno>
#include <string>

#include "app/helpers.h"
#include "app/message_export.h"
#include "app/user_seam.h"
#include "util/atomic_file.h"

namespace vellorin {
namespace {

constexpr const char* kHtmlExtension = "html";

void OpenOnDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QString ChooseSavePath(QWidget* parent, const QString& proposedPath) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), proposedPath,
                       QStringLiteral("HTML File (*.html);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kHtmlExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool SetUpPrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

frmDoc::frmDoc(UserSeam& seam, const QString& caption, const QString& pagePath, QWidget* parent)
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

    ucBrowser_ = new QWebEngineView(this);
    ucBrowser_->setObjectName(QStringLiteral("ucBrowser"));
    ucBrowser_->setAccessibleName(caption);
    page_ = new MessageWebPage(QWebEngineProfile::defaultProfile(), pageUrl, &OpenOnDesktop,
                               ucBrowser_);
    ucBrowser_->setPage(page_);
    ucBrowser_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ucBrowser_, &QWidget::customContextMenuRequested, this,
            &frmDoc::ucBrowser_customContextMenuRequested);
    connect(ucBrowser_, &QWebEngineView::loadFinished, this, &frmDoc::pageLoaded);
    connect(ucBrowser_, &QWebEngineView::printFinished, this, &frmDoc::ucBrowser_printFinished);

    // The view fills the window whatever its size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ucBrowser_);
    setFocusProxy(ucBrowser_);

    if (!pageUrl.isEmpty())
        page_->loadPage();
}

frmDoc::~frmDoc() {
    // The view goes first, with its page, while the page's file still exists.
    delete ucBrowser_;
}

void frmDoc::setUrlOpener(UrlOpener opener) {
    page_->setLinkOpener(std::move(opener));
}

void frmDoc::savePageAs() {
    // The caption as the proposed name, without the "..." of a shortened title.
    QString title = windowTitle();
    while (title.endsWith(QLatin1Char('.')) || title.endsWith(QLatin1Char(' ')))
        title.chop(1);
    const QString name = QString::fromStdString(SafeFileName(title.toStdString(), kHtmlExtension));
    const QString proposed =
        name.isEmpty() ? QString() : QDir::home().filePath(name + "." + kHtmlExtension);
    const QString path = savePathChooser_ ? savePathChooser_(this, proposed) : QString();
    if (path.trimmed().isEmpty())
        return;
    const IoStatus written = WriteFileAtomic(
        path.toStdString(),
        std::string_view(content_.constData(), static_cast<std::size_t>(content_.size())));
    if (!written.ok())
        ShowFileError(seam_, written.error, written.message());
}

void frmDoc::printPage() {
    if (printer_ || !printSetup_)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!printSetup_(*printer, this))
        return;
    printer_ = std::move(printer);
    ucBrowser_->print(printer_.get());
}

void frmDoc::ucBrowser_printFinished(bool ok) {
    printer_.reset();
    emit printFinished(ok);
}

void frmDoc::ucBrowser_customContextMenuRequested(const QPoint& pos) {
    // Only what reads the page: the view's own menu would also offer to reload it, go back,
    // show its source and save it elsewhere.
    const QWebEngineContextMenuRequest* request = ucBrowser_->lastContextMenuRequest();
    if (request == nullptr)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!request->selectedText().isEmpty())
        menu->addAction(page_->action(QWebEnginePage::Copy));
    if (request->linkUrl().isValid())
        menu->addAction(page_->action(QWebEnginePage::CopyLinkToClipboard));
    if (request->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage)
        menu->addAction(page_->action(QWebEnginePage::CopyImageToClipboard));
    menu->addAction(page_->action(QWebEnginePage::SelectAll));
    menu->popup(ucBrowser_->mapToGlobal(pos));
}

}  // namespace vellorin
