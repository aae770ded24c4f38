#include "view/ui/text_message_view.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPalette>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "view/page_nesting.h"
#include "view/ui/find_bar.h"
#include "view/ui/page_resource_loader.h"
#include "view/ui/text_zoom.h"

namespace vellorin {
namespace {

// The web and mail addresses a clicked link may take the user to.
bool IsOpenableLink(const QUrl& url) {
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    return scheme == QLatin1String("mailto") && !url.path().isEmpty();
}

// The page as the document is given it: nesting too deep for the importer is flattened first.
QByteArray ShownPage(const QByteArray& page) {
    const std::optional<std::string> flat =
        FlattenDeepNesting(std::string_view(page.constData(), static_cast<size_t>(page.size())));
    return flat ? QByteArray::fromStdString(*flat) : page;
}

}  // namespace

TextMessageView::TextMessageView(const QUrl& pageUrl, const QString& caption, QStringList folders,
                                 Finished loaded, Finished printed, QWidget* parent)
    : QTextBrowser(parent),
      pageUrl_(pageUrl),
      folders_(std::move(folders)),
      loaded_(std::move(loaded)),
      printed_(std::move(printed)),
      findBar_(new FindBar(this)) {
    setObjectName(QStringLiteral("ucBrowser"));
    setAccessibleName(caption);
    setAccessibleDescription(caption);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    // The page's look is the message template's, which both views share; the view adds no style
    // sheet of its own, since the importer looks each rule up again for every element of the page
    // and all its ancestors, which a large page pays for many times over. Its font and colour
    // are those of text the page does not style, and the template's header block reaches the
    // edges as it does in the web engine.
    QFont text = font();
    text.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    text.setStyleHint(QFont::SansSerif);
    setFont(text);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, QColor(0x20, 0x21, 0x24));
    setPalette(colours);
    document()->setUndoRedoEnabled(false);
    document()->setDocumentMargin(0);
    connect(this, &QTextBrowser::anchorClicked, this, &TextMessageView::followLink);
    connect(findBar_, &FindBar::visibilityChanged, this, &TextMessageView::placeFindBar);
}

QUrl TextMessageView::absolute(const QUrl& url) const {
    return url.isRelative() ? pageUrl_.resolved(url) : url;
}

void TextMessageView::loadPage() {
    const bool readable = pageUrl_.isLocalFile() && QFileInfo(pageUrl_.toLocalFile()).isReadable();
    if (readable) {
        setSource(pageUrl_, QTextDocument::HtmlResource);
        ReplaceRefusedPictures(document(), [this](const QUrl& url) {
            return url != QUrl(QString::fromLatin1(kPlaceholderResource)) &&
                   !MayLoadPageResourceUrl(absolute(url), folders_);
        });
        if (zoomStep_ != 0)
            ZoomDocument(document(), ZoomFactor(zoomStep_));
    }
    // Told once the window that asked has been set up, as the engine's view tells it.
    QMetaObject::invokeMethod(
        this,
        [this, readable] {
            if (loaded_)
                loaded_(readable);
        },
        Qt::QueuedConnection);
}

void TextMessageView::print(QPrinter* printer) {
    document()->print(printer);
    const bool ok = printer->printerState() != QPrinter::Error;
    QMetaObject::invokeMethod(
        this,
        [this, ok] {
            if (printed_)
                printed_(ok);
        },
        Qt::QueuedConnection);
}

QVariant TextMessageView::loadResource(int type, const QUrl& name) {
    const QUrl url = absolute(name);
    // The page itself is the view's one document; no other is ever loaded into it.
    if (type == QTextDocument::HtmlResource)
        return url == pageUrl_ ? QVariant(ShownPage(ReadLocalResource(url))) : QVariant(QString());
    if (url == QUrl(QString::fromLatin1(kPlaceholderResource)))
        return RefusedPicturePlaceholder();
    if (MayLoadPageResourceUrl(url, folders_)) {
        // The document reads data: addresses itself.
        return url.isLocalFile() ? QVariant(ReadLocalResource(url)) : QVariant();
    }
    // An empty answer would let the document look for the file itself, so a refused resource
    // gets a stand-in.
    if (type == QTextDocument::ImageResource)
        return RefusedPicturePlaceholder();
    return QString();
}

void TextMessageView::setZoomStep(int step) {
    step = std::clamp(step, kMinZoomStep, kMaxZoomStep);
    if (step == zoomStep_)
        return;
    if (zoomStep_ == 0)
        writtenPointSize_ = font().pointSizeF();
    zoomStep_ = step;
    QFont zoomed = font();
    zoomed.setPointSizeF(writtenPointSize_ * ZoomFactor(step));
    setFont(zoomed);
    ZoomDocument(document(), ZoomFactor(step));
}

void TextMessageView::followLink(const QUrl& url) {
    const QUrl target = absolute(url);
    // A jump to a mark within the page stays in the view.
    if (target.hasFragment() && target.adjusted(QUrl::RemoveFragment) == pageUrl_) {
        scrollToAnchor(target.fragment(QUrl::FullyDecoded));
        return;
    }
    if (openLink_ && IsOpenableLink(target))
        openLink_(target);
}

void TextMessageView::keyPressEvent(QKeyEvent* event) {
    // Ctrl+plus is typed with Shift on most keyboards, and Ctrl+= is the same key without it.
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    const int key = event->key();
    if (event->matches(QKeySequence::Find)) {
        findBar_->open();
    } else if (control && (key == Qt::Key_Plus || key == Qt::Key_Equal)) {
        setZoomStep(zoomStep_ + 1);
    } else if (control && key == Qt::Key_Minus) {
        setZoomStep(zoomStep_ - 1);
    } else if (control && key == Qt::Key_0) {
        setZoomStep(0);
    } else if (event->key() == Qt::Key_Escape && findBar_->isVisible()) {
        findBar_->close();
    } else {
        QTextBrowser::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TextMessageView::wheelEvent(QWheelEvent* event) {
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        QTextBrowser::wheelEvent(event);
        return;
    }
    if (const int delta = event->angleDelta().y(); delta != 0)
        setZoomStep(zoomStep_ + (delta > 0 ? 1 : -1));
    event->accept();
}

void TextMessageView::resizeEvent(QResizeEvent* event) {
    QTextBrowser::resizeEvent(event);
    placeFindBar();
}

void TextMessageView::placeFindBar() {
    // The bar takes a strip below the page, so that it never covers the last lines.
    const int height = findBar_->isVisible() ? findBar_->sizeHint().height() : 0;
    setViewportMargins(0, 0, 0, height);
    if (height > 0) {
        const QRect page = viewport()->geometry();
        findBar_->setGeometry(page.left(), page.bottom() + 1, page.width(), height);
    }
}

}  // namespace vellorin
