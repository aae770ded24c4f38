#pragma once

#include <QObject>

#include "view/ui/message_view.h"

namespace vellorin {

// The plugin's root object: makes WebMessageViews on the web engine's default profile.
//
// Made when the plugin is loaded, before the web engine has started; it then gives the engine
// the switches of PreferLeanEngine (unless the user has set QTWEBENGINE_CHROMIUM_FLAGS).
class WebViewPlugin : public QObject, public MessageViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VELLORIN_MESSAGE_VIEW_FACTORY_IID)
    Q_INTERFACES(vellorin::MessageViewFactory)

public:
    WebViewPlugin();

    MessageView* createMessageView(const QUrl& pageUrl, const QString& caption,
                                   MessageView::Finished loaded, MessageView::Finished printed,
                                   QWidget* parent) override;
};

}  // namespace vellorin
