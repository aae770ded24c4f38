#pragma once

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "view/message_export.h"
#include "view/message_windows.h"
#include "view/tree_control.h"

namespace vellorin::cli {

// What the data commands share: the trees filled as the desktop client fills them, the lookups
// of a source by link and of a message by guid, and the output format.

// A field of an output record: each tab or line break (CR LF, CR or LF) shown as one blank.
std::string Field(std::string_view text);

// Writes the fields separated by tabs, and a line end.
void PrintRecord(std::ostream& out, std::initializer_list<std::string_view> fields);

// Ensures the data folder and fills `tree` ("tvMessages" or "tvSources") with LoadSubscriptions.
void LoadTree(CommandEnv& env, TreeControl& tree);

// The first source node (in tree order) whose tag is `link`: top-level in the message tree,
// under "main" in the manager's tree. Null, after "vellorinctl: no source with link ..." on
// standard error, when there is none.
TreeNode* FindSourceByLink(CommandEnv& env, const TreeControl& tree, const std::string& link);

// The message node with tag `guid` under `source`; null, after a message, when there is none.
TreeNode* FindMessageUnder(CommandEnv& env, const TreeNode& source, const std::string& guid);

// Loads the message tree and selects the message GUID of source LINK (the command's first two
// arguments). Null when either is unknown (the message is printed).
TreeNode* SelectMessage(CommandEnv& env, TreeControl& tvMessages, const std::string& link,
                        const std::string& guid);

// There are no windows here: no message is ever open, and opening one records its page.
class CliMessageWindows : public MessageWindows {
public:
    bool FindOpenMessage(const std::string&, const std::string&) override { return false; }
    void OpenMessageWindow(const std::string& sourceId, const std::string& guid,
                           const std::string& caption, const std::string& pagePath) override;
    bool CloseMessageWindow(const std::string&, const std::string&) override { return false; }

    std::optional<std::string> openedPage;
};

// The save dialog answered by the file named on the command line. The export asks before it
// replaces an existing file, through the seam (Yes only with --yes); No cancels.
class CliSaveDialog : public SaveFileDialog {
public:
    explicit CliSaveDialog(std::string file) : file_(std::move(file)) {}
    std::optional<std::string> ShowSave(const SaveFileRequest& request) override;

private:
    std::string file_;
};

}  // namespace vellorin::cli
