#pragma once

#include <functional>

namespace vellorin {

class MessageViewFactory;
class UserSeam;

// Which views the message windows opened from now on get. The built-in view unless the user
// chose the full web engine; its plugin (and with it the web engine) is loaded only then. When
// the engine is chosen but its plugin cannot be loaded, a box says so, once for the life of this
// object (one per main window, so once per session), and the built-in view is used; each window
// tries the plugin again, so one installed meanwhile is found.
class MessageViewChoice {
public:
    // Asked at each window's opening whether the user chose the web engine.
    using EngineChosen = std::function<bool()>;

    // The seam must outlive this object. No `engineChosen` means the built-in view always.
    MessageViewChoice(UserSeam& seam, EngineChosen engineChosen);

    // The factory of the next window's view.
    MessageViewFactory& factory();

private:
    UserSeam& seam_;
    EngineChosen engineChosen_;
    bool toldNoEngine_ = false;
};

}  // namespace vellorin
