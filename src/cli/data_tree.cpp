#include "cli/data_tree.h"
#include "subscriptions/subscriptions.h"

namespace vellorin::cli {
namespace {

constexpr const char* kManagerRootKey = "main";

}  // namespace

std::string Field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
    }
    return out;
}

void PrintRecord(std::ostream& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view field : fields) {
        if (!first)
            out << '\t';
        out << Field(field);
        first = false;
    }
    out << '\n';
}

void LoadTree(CommandEnv& env, TreeControl& tree) {
    env.context.subscriptions.EnsureDataFolder();
    env.context.subscriptions.LoadSubscriptions(tree);
}

TreeNode* FindSourceByLink(CommandEnv& env, const TreeControl& tree, const std::string& link) {
    const TreeNode* parent = nullptr;
    if (tree.name() == "tvSources") {
        parent = tree.findNode(kManagerRootKey);
        if (!parent) {
            env.err << "vellorinctl: no source with link '" << link << "'" << std::endl;
            return nullptr;
        }
    }
    const int count = parent ? parent->childCount() : tree.topLevelCount();
    for (int row = 0; row < count; ++row) {
        TreeNode* node = parent ? parent->child(row) : tree.topLevelNode(row);
        if (node->tag() == link)
            return node;
    }
    env.err << "vellorinctl: no source with link '" << link << "'" << std::endl;
    return nullptr;
}

TreeNode* FindMessageUnder(CommandEnv& env, const TreeNode& source, const std::string& guid) {
    for (int row = 0; row < source.childCount(); ++row) {
        TreeNode* node = source.child(row);
        if (node->tag() == guid)
            return node;
    }
    env.err << "vellorinctl: no message '" << guid << "' in source '" << source.tag() << "'"
            << std::endl;
    return nullptr;
}

TreeNode* SelectMessage(CommandEnv& env, TreeControl& tvMessages, const std::string& link,
                        const std::string& guid) {
    LoadTree(env, tvMessages);
    const TreeNode* source = FindSourceByLink(env, tvMessages, link);
    TreeNode* message = source ? FindMessageUnder(env, *source, guid) : nullptr;
    if (message)
        (void)tvMessages.setSelectedNode(message);
    return message;
}

void CliMessageWindows::OpenMessageWindow(const std::string&, const std::string&,
                                          const std::string&, const std::string& pagePath) {
    openedPage = pagePath;
}

std::optional<std::string> CliSaveDialog::ShowSave(const SaveFileRequest&) {
    return file_;
}

}  // namespace vellorin::cli
