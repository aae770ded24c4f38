#include "browserlink/ui/firefox_watch.h"

#include <QDir>
#include <QMetaObject>
#include <QObject>

#include <utility>

#include "browserlink/firefox_session.h"

namespace vellorin {

std::unique_ptr<FirefoxSessionSource> NewFirefoxSource(QObject* receiver,
                                                       std::function<void()> answerReady) {
    auto source = std::make_unique<FirefoxSessionSource>(FirefoxProfileRoots(
        QDir::homePath().toStdString(), qEnvironmentVariable("XDG_CONFIG_HOME").toStdString()));
    // Runs on the reading thread; the source waits for it before it goes, so `receiver` is
    // still there. The call is posted to the receiver's thread.
    source->setReadDone([receiver, answerReady = std::move(answerReady)] {
        QMetaObject::invokeMethod(receiver, answerReady, Qt::QueuedConnection);
    });
    return source;
}

}  // namespace vellorin
