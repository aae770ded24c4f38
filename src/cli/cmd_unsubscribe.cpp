#include "cli/command.h"
#include "cli/data_tree.h"
#include "subscriptions/subscribe_procedure.h"

namespace vellorin::cli {

// The subscription manager's "Delete"; its question is answered Yes only with --yes.
int RunUnsubscribeCommand(CommandEnv& env) {
    if (env.args.size() != 1)
        return env.usageError("usage: unsubscribe LINK");
    TreeControl tvSources("tvSources");
    LoadTree(env, tvSources);
    TreeNode* source = FindSourceByLink(env, tvSources, env.args[0]);
    if (!source)
        return kExitFailed;
    (void)tvSources.setSelectedNode(source);
    const UnsubscribeResult result = UnsubscribeSelected(env.context, tvSources);
    if (!result.removed) {
        env.err << "vellorinctl: nothing removed" << std::endl;
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace vellorin::cli
