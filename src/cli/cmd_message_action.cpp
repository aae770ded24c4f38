#include "cli/command.h"
#include "cli/data_tree.h"
#include "view/message_actions.h"

namespace vellorin::cli {
namespace {

enum class Action { Read, Unread, Delete };

// The message tree's context-menu commands: select the message, click the menu item.
int RunAction(CommandEnv& env, const char* name, Action action) {
    if (env.args.size() != 2)
        return env.usageError(std::string("usage: ") + name + " LINK GUID");
    TreeControl tvMessages("tvMessages");
    if (!SelectMessage(env, tvMessages, env.args[0], env.args[1]))
        return kExitFailed;
    CliMessageWindows windows;
    MessageActions actions(env.context, tvMessages, windows);
    switch (action) {
        case Action::Read:
            if (actions.mnuPopupSourceRead_Click())
                return kExitOk;
            break;
        case Action::Unread:
            if (actions.mnuPopupSourceUnread_Click())
                return kExitOk;
            break;
        case Action::Delete:
            if (actions.mnuPopupSourceDel_Click())
                return kExitOk;
            env.err << "vellorinctl: nothing deleted" << std::endl;
            return kExitFailed;
    }
    env.err << "vellorinctl: the message could not be changed" << std::endl;
    return kExitFailed;
}

}  // namespace

int RunReadCommand(CommandEnv& env) {
    return RunAction(env, "read", Action::Read);
}

int RunUnreadCommand(CommandEnv& env) {
    return RunAction(env, "unread", Action::Unread);
}

int RunDeleteCommand(CommandEnv& env) {
    return RunAction(env, "delete", Action::Delete);
}

}  // namespace vellorin::cli
