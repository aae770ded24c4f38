#pragma once

#include <string>
#include <vector>

namespace vellorin {

class TreeControl;

// Where the user is in the message tree: which sources are expanded and which node is selected
// (a source by its key, a message by its source's key and its guid). Taken before a reload
// replaces nodes and put back afterwards, so the reload does not collapse the sources or lose
// the selection.
struct TreePlace {
    std::vector<std::string> expanded;
    bool selected = false;
    std::string selectedSource;
    std::string selectedGuid;  // empty when the source itself is selected
};

TreePlace TakeTreePlace(const TreeControl& tree);

// Expands the sources of `place` that are still there, and selects the node that was selected: the
// message if its source still holds it, else its source; nothing when the source is gone too.
// The selection is left alone when `place` had none.
void RestoreTreePlace(TreeControl& tree, const TreePlace& place);

}  // namespace vellorin
