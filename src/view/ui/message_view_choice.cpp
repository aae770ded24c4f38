#include "view/ui/message_view_choice.h"

#include <QString>

#include <string>
#include <utility>

#include "base/user_seam.h"
#include "view/ui/built_in_view_factory.h"
#include "view/ui/message_view_plugin.h"

namespace vellorin {

MessageViewChoice::MessageViewChoice(UserSeam& seam, EngineChosen engineChosen)
    : seam_(seam), engineChosen_(std::move(engineChosen)) {}

MessageViewFactory& MessageViewChoice::factory() {
    if (!engineChosen_ || !engineChosen_())
        return BuiltInMessageViewFactory();
    QString why;
    if (MessageViewFactory* engine = LoadMessageViewFactory(&why))
        return *engine;
    if (!toldNoEngine_) {
        toldNoEngine_ = true;
        seam_.messageBox(
            "Web Engine Not Available",
            "Messages are shown with the built-in view: the full web engine could not be "
            "loaded.\n" +
                why.toStdString() +
                "\nInstall the package vellorin-webview to show messages with the web engine, or "
                "clear \"Show messages with the full web engine (uses more memory)\" in the "
                "preferences.",
            MsgIcon::Exclamation);
    }
    return BuiltInMessageViewFactory();
}

}  // namespace vellorin
