#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

class QPrinter;
class QWidget;

namespace vellorin {

// The view of one message page inside a message window. The program makes its own light views
// (BuiltInMessageViewFactory); the web engine's views, large and a choice of the user's, come
// from a plugin loaded only when chosen (LoadMessageViewFactory, MessageViewChoice).
//
// A view shows the page at the address it was made for and nothing else: the page runs no
// script and reaches no other file or address; a link the user clicks (also one that asks for a
// new window) that is a web or mail address (http, https, mailto) goes to the link opener, any
// other is dropped, and the page stays as it is.
class MessageView {
public:
    using LinkOpener = std::function<void(const QUrl& url)>;
    // Told whether a load or a print succeeded.
    using Finished = std::function<void(bool ok)>;

    virtual ~MessageView() = default;

    // The view's widget (objectName "ucBrowser"). The widget owns the view: deleting it ends
    // the view.
    virtual QWidget* widget() = 0;
    // Who opens a clicked link; none drops them.
    virtual void setLinkOpener(LinkOpener openLink) = 0;
    // Loads the page's own address (the view's one navigation); the load's end goes to the
    // `loaded` callback the view was made with.
    virtual void loadPage() = 0;
    // Prints the page on `printer`, which must stay until the `printed` callback has run.
    virtual void print(QPrinter* printer) = 0;
};

// Makes the views; the plugin's root object implements it.
class MessageViewFactory {
public:
    virtual ~MessageViewFactory() = default;

    // A view of the page at `pageUrl` (a local file) for `parent`, announced to accessibility
    // tools as `caption`, that opens links on the desktop until told otherwise. `loaded` runs at
    // the end of each load of the view, `printed` at the end of each print; both may run as
    // long as the view lives. Loads nothing until loadPage.
    virtual MessageView* createMessageView(const QUrl& pageUrl, const QString& caption,
                                           MessageView::Finished loaded,
                                           MessageView::Finished printed, QWidget* parent) = 0;
};

}  // namespace vellorin

#define VELLORIN_MESSAGE_VIEW_FACTORY_IID "net.vellorin.MessageViewFactory/1"
Q_DECLARE_INTERFACE(vellorin::MessageViewFactory, VELLORIN_MESSAGE_VIEW_FACTORY_IID)
