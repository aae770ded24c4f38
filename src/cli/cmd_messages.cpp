#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/app_context.h"
#include "cli/command.h"
#include "cli/data_tree.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"

namespace vellorin::cli {
namespace {

void PrintMessages(CommandEnv& env, const TreeNode& source) {
    mInbox& inbox = env.context.inbox;
    inbox.CurrentSourceID = source.key();
    // The tree carries title, guid and read state; date and time come from one reading of the
    // inbox, so that listing stays linear in the number of messages.
    std::unordered_map<std::string, std::pair<std::string, std::string>> stamps;
    InboxSnapshot snapshot(inbox.InboxPath());
    for (std::string_view section : snapshot.sections()) {
        stamps.emplace(GuidFromSectionName(section),
                       std::pair{DecodeInboxValue(snapshot.value(section, "date")),
                                 DecodeInboxValue(snapshot.value(section, "time"))});
    }
    for (int row = 0; row < source.childCount(); ++row) {
        const TreeNode* message = source.child(row);
        auto found = stamps.find(message->tag());
        static const std::pair<std::string, std::string> kNone;
        const auto& [date, time] = found == stamps.end() ? kNone : found->second;
        PrintRecord(env.out,
                    {source.tag(), message->tag(), message->image() == kImageRead ? "1" : "0", date,
                     time, message->text()});
    }
}

}  // namespace

int RunMessagesCommand(CommandEnv& env) {
    if (env.args.size() > 1)
        return env.usageError("usage: messages [LINK]");
    TreeControl tvMessages("tvMessages");
    LoadTree(env, tvMessages);
    if (env.args.size() == 1) {
        const TreeNode* source = FindSourceByLink(env, tvMessages, env.args[0]);
        if (!source)
            return kExitFailed;
        PrintMessages(env, *source);
    } else {
        for (int row = 0; row < tvMessages.topLevelCount(); ++row)
            PrintMessages(env, *tvMessages.topLevelNode(row));
    }
    return env.seam.failureBoxes() > 0 ? kExitFailed : kExitOk;
}

}  // namespace vellorin::cli
