#pragma once

#include <functional>
#include <memory>

class QObject;

namespace vellorin {

class FirefoxSessionSource;

// The desktop client's Firefox address source: the profile folders of this user ($HOME and
// $XDG_CONFIG_HOME), each session file read on a thread of its own. When a read ended,
// `answerReady` runs on `receiver`'s thread (queued; not at all once `receiver` is gone), where
// it can ask the source for the new answer. The source must go before `receiver`.
std::unique_ptr<FirefoxSessionSource> NewFirefoxSource(QObject* receiver,
                                                       std::function<void()> answerReady);

}  // namespace vellorin
