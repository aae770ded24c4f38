#include "subscriptions/data_folder_follower.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "inbox/check_run.h"
#include "inbox/inbox_store.h"
#include "subscriptions/source_list_document.h"
#include "subscriptions/subscriptions.h"
#include "view/tree_control.h"
#include "view/tree_place.h"

namespace vellorin {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameMessages(const TreeNode& a, const TreeNode& b) {
    if (a.childCount() != b.childCount())
        return false;
    for (int row = 0; row < a.childCount(); ++row) {
        const TreeNode& x = *a.child(row);
        const TreeNode& y = *b.child(row);
        if (x.text() != y.text() || x.tag() != y.tag() || x.image() != y.image() ||
            x.bold() != y.bold()) {
            return false;
        }
    }
    return true;
}

// Sets a value of the context for as long as it lives, and gives back the old one.
class KeepSourceId {
public:
    explicit KeepSourceId(std::string& id) : id_(id), old_(id) {}
    ~KeepSourceId() { id_ = std::move(old_); }
    KeepSourceId(const KeepSourceId&) = delete;
    KeepSourceId& operator=(const KeepSourceId&) = delete;

private:
    std::string& id_;
    std::string old_;
};

}  // namespace

DataFolderFollower::DataFolderFollower(AppContext& context, TreeControl& tvMessages)
    : context_(context), tree_(tvMessages) {
    if (context_.subscriptions.DataFolder.empty())
        context_.subscriptions.EnsureDataFolder();
    dataFolder_ = context_.subscriptions.DataFolder;
    last_ = TakeDataFolderSnapshot(dataFolder_);
}

bool DataFolderFollower::mustWait() const {
    return following_ || context_.check.running() || context_.check.IsBusy() ||
           tree_.labelEditNode() != nullptr;
}

std::vector<std::string> DataFolderFollower::watchedPaths() const {
    return WatchedPaths(dataFolder_, last_);
}

DataFolderFollower::Outcome DataFolderFollower::follow() {
    if (mustWait())
        return Outcome::kWait;
    following_ = true;
    KeepSourceId keep(context_.inbox.CurrentSourceID);
    // Taken before anything is read, so a change made while the tree follows is seen next time.
    DataFolderSnapshot now = TakeDataFolderSnapshot(dataFolder_);
    const DataFolderChanges changes = ChangesBetween(last_, now);
    last_ = std::move(now);
    bool changed = changes.subscriptions && followSources();
    for (const std::string& id : changes.inboxes)
        changed = followInbox(id) || changed;
    following_ = false;
    return changed ? Outcome::kFollowed : Outcome::kUnchanged;
}

bool DataFolderFollower::followSources() {
    SourceListDocument doc;
    // A list that cannot be read now leaves the tree as it is; the client says so when it next
    // opens the list itself.
    if (doc.load(dataFolder_ + "/" + kSubscriptionsFileName) != SourceListDocument::LoadStatus::kOk)
        return false;
    // The sources as LoadSubscriptions shows them: one node per identifier, the first wins.
    std::vector<SourceEntry> sources;
    std::set<std::string> ids;
    for (SourceEntry& source : doc.entries()) {
        if (!IsBlank(source.id) && ids.insert(source.id).second)
            sources.push_back(std::move(source));
    }
    bool changed = false;
    const TreePlace place = TreePlace::Capture(tree_);
    for (int row = tree_.topLevelCount() - 1; row >= 0; --row) {
        TreeNode* node = tree_.topLevelNode(row);
        if (!ids.contains(node->key()))
            changed = tree_.remove(node) || changed;
    }
    std::vector<std::string> added;
    for (SourceEntry& source : sources) {
        TreeNode* node = tree_.findNode(source.id);
        if (node && node->parent())
            continue;  // a message's key cannot clash, but a foreign tree's could
        if (!node) {
            node = tree_.addRoot(source.id, source.title, kImageSource, kImageSource);
            added.push_back(source.id);
        }
        if (!node)
            continue;
        changed = changed || node->text() != source.title || node->tag() != source.link;
        node->setText(std::move(source.title));
        node->setTag(std::move(source.link));
    }
    place.Restore(tree_);
    for (const std::string& id : added)
        followInbox(id);
    return changed;
}

void DataFolderFollower::loadInbox(const std::string& id, TreeControl& into) {
    context_.inbox.CurrentSourceID = id;
    context_.inbox.LoadInbox(into);
}

bool DataFolderFollower::followInbox(const std::string& id) {
    TreeNode* node = tree_.findNode(id);
    if (!node || node->parent())
        return false;
    TreeControl scratch(tree_.name());
    TreeNode* read = scratch.addRoot(id, std::string(), kImageSource);
    // A source folder that went (or never was) holds no messages; it is not made here, since the
    // tree only follows the folder.
    if (read && IsFolder(dataFolder_ + "/" + id)) {
        loadInbox(id, scratch);
        read = scratch.findNode(id);
    }
    // Loading let events run: the source may have gone meanwhile.
    node = tree_.findNode(id);
    if (!read || !node || node->parent() || SameMessages(*read, *node))
        return false;
    const TreePlace place = TreePlace::Capture(tree_);
    context_.inbox.CurrentSourceID = id;
    node = context_.inbox.ResetSourceNode(tree_);
    for (int row = 0; node && row < read->childCount(); ++row) {
        const TreeNode& from = *read->child(row);
        TreeNode* copy = tree_.addChild(*node, std::string(), from.text(), from.image());
        if (!copy)
            break;
        copy->setTag(from.tag());
        copy->setBold(from.bold());
    }
    place.Restore(tree_);
    return true;
}

}  // namespace vellorin
