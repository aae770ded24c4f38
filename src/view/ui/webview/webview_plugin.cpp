#include "view/ui/webview/webview_plugin.h"

#include <QWebEngineProfile>

#include <utility>

#include "view/ui/webview/lean_engine_switches.h"
#include "view/ui/webview/web_message_view.h"

namespace vellorin {

WebViewPlugin::WebViewPlugin() {
    PreferLeanEngine();
}

MessageView* WebViewPlugin::createMessageView(const QUrl& pageUrl, const QString& caption,
                                              MessageView::Finished loaded,
                                              MessageView::Finished printed, QWidget* parent) {
    return new WebMessageView(QWebEngineProfile::defaultProfile(), pageUrl, caption,
                              std::move(loaded), std::move(printed), parent);
}

}  // namespace vellorin
