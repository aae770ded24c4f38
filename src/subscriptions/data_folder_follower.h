#pragma once

#include <string>
#include <vector>

#include "subscriptions/data_folder_snapshot.h"

namespace vellorin {

class AppContext;
class TreeControl;
class TreeNode;

// Keeps the message tree in step with the data folder while something else changes it: another
// process working on the same folder (vellorinctl subscribing, unsubscribing, renaming, checking,
// marking or deleting), or this one. Only reads: the tree follows the stored files, and nothing
// the tree holds is ever written back.
//
// Each follow compares the folder with the snapshot of the previous one (see
// data_folder_snapshot.h) and looks only at what changed: a changed subscription list adds,
// removes, renames and relinks source nodes one by one; a changed inbox is read into a scratch tree
// and its messages replace the source's only when they differ, so a change the tree already shows
// (most of all this process's own writes) costs one read of the file and changes nothing. The
// expanded sources and the selection stay where they were (TreePlace). The context and the tree are
// borrowed.
class DataFolderFollower {
public:
    enum class Outcome {
        kUnchanged,  // the tree already showed the folder as it is
        kFollowed,   // the tree changed
        kWait,       // not now: follow again later
    };

    // Takes the first snapshot: the tree is taken to show the folder as it is now.
    DataFolderFollower(AppContext& context, TreeControl& tvMessages);

    // A follow waits while a check run works (it fills the tree itself), while a source's title
    // is being edited, and while another follow is under way (loading an inbox lets events run).
    bool mustWait() const;

    Outcome follow();

    // What to watch for changes (WatchedPaths of the last snapshot).
    std::vector<std::string> watchedPaths() const;
    const std::string& dataFolder() const { return dataFolder_; }

private:
    bool followSources();
    bool followInbox(const std::string& id);
    // Fills the source's node of the scratch tree `into` with its messages, as LoadInbox does.
    void loadInbox(const std::string& id, TreeControl& into);

    AppContext& context_;
    TreeControl& tree_;
    std::string dataFolder_;
    DataFolderSnapshot last_;
    bool following_ = false;
};

}  // namespace vellorin
