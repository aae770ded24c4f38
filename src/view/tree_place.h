#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellorin {

class TreeControl;

// The user's place in the message tree: which sources are expanded and which node is selected,
// by what names them (a source's key; a message's source key and guid), so that it survives the
// nodes being rebuilt. A check run keeps the place of each source it rebuilds; the search keeps
// the place of the whole tree while it shows only its matches.
class TreePlace {
public:
    // Every top-level node's expanded flag, and the selection (or that there is none).
    static TreePlace Capture(const TreeControl& tree);
    // Only the source `sourceId`: its expanded flag, and the selection when it is that source or
    // one of its messages.
    static TreePlace CaptureSource(const TreeControl& tree, std::string_view sourceId);

    // Gives every captured source that is still in the tree its expanded flag. A whole-tree place
    // then selects its node again (nothing when none was selected; the source when the message has
    // gone; nothing when the source has gone too); a source's place selects its node again only
    // while nothing is selected (a rebuild removed the selection, and the user has not chosen
    // another node since).
    void Restore(TreeControl& tree) const;

    bool hasSelection() const { return selected_; }

private:
    bool wholeTree_ = false;
    std::vector<std::pair<std::string, bool>> sources_;  // key, expanded
    bool selected_ = false;
    std::string selectedSource_;
    std::string selectedGuid_;  // empty when the source node itself was selected
};

}  // namespace vellorin
