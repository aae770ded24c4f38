#include "view/ui/built_in_view_factory.h"

#include <QMetaObject>
#include <QPrinter>
#include <QTextBrowser>

namespace vellorin {
namespace {

// A page on a bare QTextBrowser; the widget owns the view.
class BuiltInView : public QTextBrowser, public MessageView {
public:
    BuiltInView(const QUrl& pageUrl, const QString& caption, Finished loaded, Finished printed,
                QWidget* parent)
        : QTextBrowser(parent),
          pageUrl_(pageUrl),
          loaded_(std::move(loaded)),
          printed_(std::move(printed)) {
        setObjectName(QStringLiteral("ucBrowser"));
        setAccessibleName(caption);
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
            const QString scheme = url.scheme();
            if (openLink_ && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                              scheme == QLatin1String("mailto")))
                openLink_(url);
        });
    }

    QWidget* widget() override { return this; }
    void setLinkOpener(LinkOpener openLink) override { openLink_ = std::move(openLink); }
    void loadPage() override {
        setSource(pageUrl_);
        QMetaObject::invokeMethod(
            this, [this] { loaded_(true); }, Qt::QueuedConnection);
    }
    void print(QPrinter* printer) override {
        document()->print(printer);
        printed_(true);
    }

private:
    QUrl pageUrl_;
    Finished loaded_;
    Finished printed_;
    LinkOpener openLink_;
};

class BuiltInFactory : public MessageViewFactory {
public:
    MessageView* createMessageView(const QUrl& pageUrl, const QString& caption,
                                   MessageView::Finished loaded, MessageView::Finished printed,
                                   QWidget* parent) override {
        return new BuiltInView(pageUrl, caption, std::move(loaded), std::move(printed), parent);
    }
};

}  // namespace

MessageViewFactory& BuiltInMessageViewFactory() {
    static BuiltInFactory factory;
    return factory;
}

}  // namespace vellorin
