#include "view/ui/webview/web_message_view.h"

#include <QDesktopServices>
#include <QMenu>
#include <QWebEngineContextMenuRequest>

#include <utility>

#include "view/ui/webview/message_web_page.h"

namespace vellorin {
namespace {

void OpenOnDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

}  // namespace

WebMessageView::WebMessageView(QWebEngineProfile* profile, const QUrl& pageUrl,
                               const QString& caption, Finished loaded, Finished printed,
                               QWidget* parent)
    : QWebEngineView(parent), loaded_(std::move(loaded)), printed_(std::move(printed)) {
    setObjectName(QStringLiteral("ucBrowser"));
    setAccessibleName(caption);
    page_ = new MessageWebPage(profile, pageUrl, &OpenOnDesktop, this);
    setPage(page_);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &WebMessageView::showContextMenu);
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (loaded_)
            loaded_(ok);
    });
    connect(this, &QWebEngineView::printFinished, this, [this](bool ok) {
        if (printed_)
            printed_(ok);
    });
}

void WebMessageView::setLinkOpener(LinkOpener openLink) {
    page_->setLinkOpener(std::move(openLink));
}

void WebMessageView::loadPage() {
    page_->loadPage();
}

void WebMessageView::print(QPrinter* printer) {
    QWebEngineView::print(printer);
}

void WebMessageView::showContextMenu(const QPoint& pos) {
    // Only what reads the page: the view's own menu would also offer to reload it, go back,
    // show its source and save it elsewhere.
    const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
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
    menu->popup(mapToGlobal(pos));
}

}  // namespace vellorin
