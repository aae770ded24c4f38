#include <string>

#include "cli/command.h"
#include "cli/data_tree.h"

namespace vellorin::cli {

int RunSourcesCommand(CommandEnv& env) {
    if (!env.args.empty())
        return env.usageError("sources takes no arguments");
    TreeControl tvMessages("tvMessages");
    LoadTree(env, tvMessages);
    for (int row = 0; row < tvMessages.topLevelCount(); ++row) {
        const TreeNode* source = tvMessages.topLevelNode(row);
        int unread = 0;
        for (int i = 0; i < source->childCount(); ++i) {
            if (source->child(i)->image() == kImageUnread)
                ++unread;
        }
        PrintRecord(env.out, {source->key(), source->text(), source->tag(), std::to_string(unread),
                              std::to_string(source->childCount())});
    }
    return env.seam.failureBoxes() > 0 ? kExitFailed : kExitOk;
}

}  // namespace vellorin::cli
