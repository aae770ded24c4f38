#pragma once

#include <QWebEngineView>

#include "view/ui/message_view.h"

class QWebEngineProfile;

namespace vellorin {

class MessageWebPage;

// The message view of the web engine: a QWebEngineView showing a MessageWebPage, with a context
// menu that only reads the page (copy, copy link, copy image, select all).
class WebMessageView : public QWebEngineView, public MessageView {
    Q_OBJECT

public:
    WebMessageView(QWebEngineProfile* profile, const QUrl& pageUrl, const QString& caption,
                   Finished loaded, Finished printed, QWidget* parent);

    QWidget* widget() override { return this; }
    void setLinkOpener(LinkOpener openLink) override;
    void loadPage() override;
    void print(QPrinter* printer) override;

private:
    void showContextMenu(const QPoint& pos);

    MessageWebPage* page_;
    Finished loaded_;
    Finished printed_;
};

}  // namespace vellorin
