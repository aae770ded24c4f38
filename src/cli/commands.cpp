#include "cli/command.h"

namespace vellorin::cli {

int CommandEnv::usageError(const std::string& message) const {
    err << "vellorinctl: " << message << " (try 'vellorinctl --help')" << std::endl;
    return kExitUsage;
}

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = {
        {"settings", "[KEY=VALUE...]",
         "print the settings, or set and save them (freq 0-2, winstartup, webengine, ff, ie 0 or "
         "1)",
         RunSettingsCommand},
        {"sources", "", "list the sources: id, title, link, unread count, message count",
         RunSourcesCommand},
        {"subscribe", "TITLE LINK", "subscribe to a new source", RunSubscribeCommand},
        {"rename", "LINK TITLE", "change the title of a source", RunRenameCommand},
        {"unsubscribe", "LINK", "remove a source and its stored messages (asks; --yes)",
         RunUnsubscribeCommand},
        {"messages", "[LINK]",
         "list the messages of every source (or one): link, guid, read, date, time, title",
         RunMessagesCommand},
        {"read", "LINK GUID", "mark a message read", RunReadCommand},
        {"unread", "LINK GUID", "mark a message unread", RunUnreadCommand},
        {"delete", "LINK GUID", "delete a message (asks; --yes)", RunDeleteCommand},
        {"show", "LINK GUID", "render a message to item.htm, mark it read, print the page's path",
         RunShowCommand},
        {"export", "html|txt|eml LINK GUID FILE", "write a message to FILE as HTML, text or e-mail",
         RunExportCommand},
        {"check", "[--scheduled] [--online|--offline] [LINK...]",
         "check every source (or those with the given links) for new messages", RunCheckCommand},
    };
    return commands;
}

}  // namespace vellorin::cli
