#include "cli/command.h"
#include "cli/data_tree.h"
#include "view/message_actions.h"

namespace vellorin::cli {

// The context menu's "Show": renders item.htm as the view window would, marks the message read
// and prints the page's path.
int RunShowCommand(CommandEnv& env) {
    if (env.args.size() != 2)
        return env.usageError("usage: show LINK GUID");
    TreeControl tvMessages("tvMessages");
    if (!SelectMessage(env, tvMessages, env.args[0], env.args[1]))
        return kExitFailed;
    CliMessageWindows windows;
    MessageActions actions(env.context, tvMessages, windows);
    const std::optional<ShowMessageResult> shown = actions.mnuPopupSourceShow_Click();
    if (!shown || shown->outcome != ShowOutcome::Opened) {
        env.err << "vellorinctl: the message could not be shown" << std::endl;
        return kExitFailed;
    }
    env.out << shown->pagePath << '\n';
    return kExitOk;
}

}  // namespace vellorin::cli
