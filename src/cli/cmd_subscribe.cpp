#include "cli/command.h"
#include "cli/data_tree.h"
#include "subscriptions/subscribe_procedure.h"
#include "subscriptions/subscriptions.h"

namespace vellorin::cli {

int RunSubscribeCommand(CommandEnv& env) {
    if (env.args.size() != 2)
        return env.usageError("usage: subscribe TITLE LINK");
    env.context.subscriptions.EnsureDataFolder();
    TreeControl tvMessages("tvMessages");
    const ProcedureResult result = SubscribeNow(env.context, tvMessages, env.args[0], env.args[1]);
    return result.done ? kExitOk : kExitFailed;
}

}  // namespace vellorin::cli
