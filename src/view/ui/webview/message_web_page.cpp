#include "view/ui/webview/message_web_page.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

#include <utility>

namespace vellorin {
namespace {

// Refuses every request of the page but the one for the page itself and data: addresses (an
// image written into the page). The page's settings keep local content from the network and
// from other files already; this also covers what they do not name (a subframe, a prefetch).
class PageOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    PageOnlyInterceptor(QUrl pageUrl, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), pageUrl_(std::move(pageUrl)) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl& url = info.requestUrl();
        if (url.scheme() != QLatin1String("data") && url.adjusted(QUrl::RemoveFragment) != pageUrl_)
            info.block(true);
    }

private:
    const QUrl pageUrl_;
};

// Stands in for the new window a link with a target (target=_blank) asks for: the address it
// is sent to goes to the message page's link opener, and the stand-in goes away without having
// loaded anything.
class NewWindowCatcher : public QWebEnginePage {
public:
    using Catch = std::function<void(const QUrl&)>;
    NewWindowCatcher(QWebEngineProfile* profile, Catch caught, QObject* parent)
        : QWebEnginePage(profile, parent), caught_(std::move(caught)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame && caught_) {
            std::exchange(caught_, nullptr)(url);
            deleteLater();
        }
        return false;
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

private:
    Catch caught_;
};

void LockDown(QWebEngineSettings* settings) {
    const QWebEngineSettings::WebAttribute off[] = {
        QWebEngineSettings::JavascriptEnabled,
        QWebEngineSettings::JavascriptCanOpenWindows,
        QWebEngineSettings::JavascriptCanAccessClipboard,
        QWebEngineSettings::JavascriptCanPaste,
        QWebEngineSettings::LocalContentCanAccessRemoteUrls,
        QWebEngineSettings::LocalContentCanAccessFileUrls,
        QWebEngineSettings::LocalStorageEnabled,
        QWebEngineSettings::PluginsEnabled,
        QWebEngineSettings::PdfViewerEnabled,
        QWebEngineSettings::AutoLoadIconsForPage,
        QWebEngineSettings::TouchIconsEnabled,
        QWebEngineSettings::HyperlinkAuditingEnabled,
        QWebEngineSettings::DnsPrefetchEnabled,
        QWebEngineSettings::AllowRunningInsecureContent,
        QWebEngineSettings::WebGLEnabled,
        QWebEngineSettings::Accelerated2dCanvasEnabled,
        QWebEngineSettings::ScreenCaptureEnabled,
        QWebEngineSettings::FullScreenSupportEnabled,
        QWebEngineSettings::NavigateOnDropEnabled,
        QWebEngineSettings::ErrorPageEnabled,
    };
    for (QWebEngineSettings::WebAttribute attribute : off)
        settings->setAttribute(attribute, false);
}

}  // namespace

bool MessageWebPage::IsOpenableLink(const QUrl& url) {
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    return scheme == QLatin1String("mailto") && !url.path().isEmpty();
}

MessageWebPage::MessageWebPage(QWebEngineProfile* profile, QUrl pageUrl, LinkOpener openLink,
                               QObject* parent)
    : QWebEnginePage(profile, parent),
      pageUrl_(std::move(pageUrl)),
      openLink_(std::move(openLink)) {
    LockDown(settings());
    setUrlRequestInterceptor(new PageOnlyInterceptor(pageUrl_, this));
}

void MessageWebPage::loadPage() {
    load(pageUrl_);
}

void MessageWebPage::openLink(const QUrl& url) const {
    if (openLink_ && IsOpenableLink(url))
        openLink_(url);
}

bool MessageWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                             bool isMainFrame) {
    if (type == NavigationTypeLinkClicked) {
        // A jump to a mark within the page stays in the view.
        if (isMainFrame && url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == pageUrl_)
            return true;
        openLink(url);
        return false;
    }
    if (!loadStarted_ && isMainFrame && url == pageUrl_) {
        loadStarted_ = true;
        return true;
    }
    return false;
}

QWebEnginePage* MessageWebPage::createWindow(WebWindowType) {
    return new NewWindowCatcher(
        profile(), [this](const QUrl& url) { openLink(url); }, this);
}

}  // namespace vellorin
