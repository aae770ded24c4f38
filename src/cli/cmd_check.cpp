#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "inbox/check_run.h"
#include "inbox/online_state.h"
#include "subscriptions/subscriptions.h"
#include "view/tree_control.h"

namespace vellorin::cli {
namespace {

// CR LF as LF, for a terminal.
std::string ForTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// The busy window and the tray alert on a terminal: the source in progress and its transfer
// states go to standard error, the announcement to standard output. Standard error is not
// buffered: each line goes out whole, in one write.
class TerminalCheckHooks : public CheckRunHooks {
public:
    TerminalCheckHooks(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    void showBusy(const std::string& sourceTitle) override {
        err_ << "Checking " + ForTerminal(sourceTitle) + "\n" << std::flush;
    }
    void lblStatus(const std::string& text) override {
        if (!text.empty())
            err_ << "  " + text + "\n" << std::flush;
    }
    void ucTrayAlert(const std::string& text, int /*displayMs*/) override {
        out_ << ForTerminal(text) << std::flush;
    }

private:
    std::ostream& out_;
    std::ostream& err_;
};

// Sets the hooks for the life of the command.
class HooksScope {
public:
    HooksScope(mCheck& check, CheckRunHooks& hooks) : check_(check) { check_.setHooks(&hooks); }
    ~HooksScope() { check_.setHooks(nullptr); }
    HooksScope(const HooksScope&) = delete;
    HooksScope& operator=(const HooksScope&) = delete;

private:
    mCheck& check_;
};

const TreeNode* SourceWithLink(const TreeControl& tree, const std::string& link) {
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        const TreeNode* node = tree.topLevelNode(row);
        if (node->tag() == link)
            return node;
    }
    return nullptr;
}

}  // namespace

int RunCheckCommand(CommandEnv& env) {
    bool scheduled = false;
    std::optional<bool> online;
    std::vector<std::string> links;
    bool endOfOptions = false;
    for (const std::string& arg : env.args) {
        if (!endOfOptions && arg == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && arg == "--scheduled") {
            scheduled = true;
        } else if (!endOfOptions && arg == "--online") {
            online = true;
        } else if (!endOfOptions && arg == "--offline") {
            online = false;
        } else if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
            return env.usageError("unknown option '" + arg + "' for check");
        } else {
            links.push_back(arg);
        }
    }

    AppContext& context = env.context;
    if (online)
        context.online.setOverride(*online);
    context.subscriptions.EnsureDataFolder();
    TreeControl tvMessages("tvMessages");
    context.subscriptions.LoadSubscriptions(tvMessages);

    std::vector<const TreeNode*> sources;
    for (const std::string& link : links) {
        const TreeNode* source = SourceWithLink(tvMessages, link);
        if (!source) {
            env.err << "vellorinctl: no subscribed source has the link '" << link << "'"
                    << std::endl;
            return kExitFailed;
        }
        sources.push_back(source);
    }

    TerminalCheckHooks hooks(env.out, env.err);
    HooksScope hooksScope(context.check, hooks);
    mCheck& check = context.check;
    check.InteractiveCheck = !scheduled;
    if (links.empty()) {
        check.QueueSources(tvMessages, true);
    } else if (check.OnlineForCheck()) {
        for (const TreeNode* source : sources)
            check.QueueAdd(source->text(), source->tag());
    }
    // Nothing shows the tree here: without its source nodes the run does not rebuild them.
    tvMessages.clear();
    check.ProcessQueue(tvMessages);
    return env.seam.failureBoxes() > 0 ? kExitFailed : kExitOk;
}

}  // namespace vellorin::cli
