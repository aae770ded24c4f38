#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <functional>

class QWebEngineProfile;

namespace vellorin {

// The web page of a message window. A message's page comes from a feed and is not trusted: it
// runs no script, loads nothing from the network and reads no file but its own. Its one
// navigation is the load of its own page (`pageUrl`); after that it never navigates again. A
// link the user clicks (also one that asks for a new window) goes to `openLink` when it is a web
// or mail address (http, https, mailto), and is dropped otherwise; the page stays as it is.
class MessageWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    using LinkOpener = std::function<void(const QUrl& url)>;
    // The web addresses a link may take the user to.
    static bool IsOpenableLink(const QUrl& url);

    MessageWebPage(QWebEngineProfile* profile, QUrl pageUrl, LinkOpener openLink,
                   QObject* parent = nullptr);

    void setLinkOpener(LinkOpener openLink) { openLink_ = std::move(openLink); }

    // Loads the page's own address (its one navigation).
    void loadPage();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void openLink(const QUrl& url) const;

    QUrl pageUrl_;
    LinkOpener openLink_;
    bool loadStarted_ = false;
};

}  // namespace vellorin
