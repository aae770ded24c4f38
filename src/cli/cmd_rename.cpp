#include "cli/command.h"
#include "cli/data_tree.h"
#include "subscriptions/subscribe_procedure.h"

namespace vellorin::cli {

// The subscription manager's way: double-click the source, type the new title, "Save Changes!".
int RunRenameCommand(CommandEnv& env) {
    if (env.args.size() != 2)
        return env.usageError("usage: rename LINK TITLE");
    const std::string& link = env.args[0];
    TreeControl tvSources("tvSources");
    LoadTree(env, tvSources);
    TreeNode* source = FindSourceByLink(env, tvSources, link);
    if (!source)
        return kExitFailed;
    (void)tvSources.setSelectedNode(source);
    const std::optional<SourceEditState> state = EditStateForSelection(tvSources);
    if (!state)
        return kExitFailed;
    const ProcedureResult result =
        SaveSource(env.context, tvSources, *state, env.args[1], state->link);
    return result.done ? kExitOk : kExitFailed;
}

}  // namespace vellorin::cli
