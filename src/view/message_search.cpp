#include "view/message_search.h"

#include <sys/stat.h>

#include "base/app_context.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_store.h"
#include "store/profile_file_times.h"
#include "view/html_text.h"
#include "view/message_header.h"
#include "view/search_fold.h"
#include "view/tree_control.h"

namespace vellorin {

const MessageSearch::SourceIndex* MessageSearch::sourceIndex(const std::string& id) {
    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = id;
    const std::string path = inbox.InboxPath();
    struct stat st {};
    if (id.empty() || id.find('/') != std::string::npos || ::stat(path.c_str(), &st) != 0) {
        sources_.erase(id);
        return nullptr;
    }
    const profile::FileIdentity stamp = profile::IdentityOf(st);
    SourceIndex& index = sources_[id];
    if (index.stamp == stamp)
        return &index;
    index.folded.clear();
    const InboxSnapshot snapshot(path);
    index.folded.reserve(snapshot.sections().size());
    for (std::string_view section : snapshot.sections()) {
        const std::string title = DecodeInboxValue(snapshot.value(section, "title"));
        const std::string description = DecodeDescription(snapshot.value(section, "description"));
        const MessageHeader header = ParseHeader(description);
        // A line break between the parts, so that no word is found across two of them.
        std::string text = title;
        text += '\n';
        text += header.FromName;
        text += ' ';
        text += header.FromEmail;
        text += '\n';
        text += HtmlText(header.Body);
        index.folded.insert_or_assign(GuidFromSectionName(section), FoldForSearch(text));
    }
    // Stamped only after the read: a change while reading makes the next search read again.
    index.stamp = stamp;
    return &index;
}

std::vector<TreeNode*> MessageSearch::find(const TreeControl& tree, std::string_view query) {
    std::vector<TreeNode*> found;
    const std::vector<std::string> words = SearchWords(query);
    if (words.empty())
        return found;
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        TreeNode* source = tree.topLevelNode(row);
        if (source->childCount() == 0)
            continue;
        const SourceIndex* index = sourceIndex(source->key());
        if (index == nullptr)
            continue;
        for (int i = 0; i < source->childCount(); ++i) {
            TreeNode* message = source->child(i);
            const auto it = index->folded.find(message->tag());
            if (it != index->folded.end() && HoldsEveryWord(it->second, words))
                found.push_back(message);
        }
    }
    return found;
}

void MessageSearch::prepare(const TreeControl& tree) {
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        const TreeNode* source = tree.topLevelNode(row);
        if (source->childCount() > 0)
            (void)sourceIndex(source->key());
    }
}

size_t MessageSearch::indexedMessages() const {
    size_t count = 0;
    for (const auto& [id, index] : sources_)
        count += index.folded.size();
    return count;
}

}  // namespace vellorin
