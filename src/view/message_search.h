#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/profile_cache.h"

namespace vellorin {

class AppContext;
class TreeControl;
class TreeNode;

// Finds messages by words: the message nodes of the message tree whose title, sender (name and
// address of the header block) or text (the description's HTML as a reader sees it) hold every
// word of a query, letter case and accents ignored (search_fold.h). Each source's messages are
// read from its inbox once and kept in folded form, checked against the inbox file's identity
// (device, inode, size, modification and change times) at every search, so a search always sees
// what is stored now and repeats only the scan while the user types.
class MessageSearch {
public:
    explicit MessageSearch(AppContext& context) : context_(context) {}

    // The message nodes of `tree` that match `query`, in tree order; none for a blank query. A
    // node whose message its inbox no longer holds does not match.
    std::vector<TreeNode*> find(const TreeControl& tree, std::string_view query);

    // Reads every source of `tree` whose inbox changed into folded form now, so that the first
    // search after it only scans (the search field does this when it takes the focus).
    void prepare(const TreeControl& tree);

    // The messages held in folded form (for tests and benchmarks).
    size_t indexedMessages() const;

private:
    // One source's messages: the folded title, sender and text of each, by guid.
    struct SourceIndex {
        // The inbox file as it was when read.
        profile::FileIdentity stamp;
        std::unordered_map<std::string, std::string> folded;
    };

    // The index of source `id`, read again when its inbox changed; null when it cannot be read.
    const SourceIndex* sourceIndex(const std::string& id);

    AppContext& context_;
    std::unordered_map<std::string, SourceIndex> sources_;
};

}  // namespace vellorin
