#include "subscriptions/subscriptions.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "inbox/inbox_store.h"
#include "subscriptions/source_list_document.h"
#include "util/file_lock.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

constexpr const char* kManagerTreeName = "tvSources";
constexpr const char* kManagerRootKey = "main";
constexpr const char* kManagerRootText = "Sources";

void ShowCritical(UserSeam& seam, const char* caption, const char* text) {
    seam.messageBox(caption, text, MsgIcon::Critical, MsgButtons::OK);
}

}  // namespace

void mSubscriptions::EnsureDataFolder() {
    const std::string& override = context_.options().dataFolderOverride;
    DataFolder = override.empty() ? AddBackslash(GetAppDataFolder()) + kDataFolderName : override;
    while (DataFolder.size() > 1 && DataFolder.back() == '/')
        DataFolder.pop_back();
    if (FolderExists(DataFolder))
        return;
    // One level only, as on first run the application-data folder itself exists; when it does
    // not (a fresh account without ~/.local/share), create the missing parents too rather than
    // run without a data folder.
    std::string parent = DataFolder.substr(0, DataFolder.rfind('/'));
    if (!parent.empty() && !FolderExists(parent)) {
        std::string partial;
        for (size_t pos = 1; pos <= parent.size(); ++pos) {
            if (pos == parent.size() || parent[pos] == '/') {
                partial = parent.substr(0, pos);
                ::mkdir(partial.c_str(), 0700);
            }
        }
    }
    if (::mkdir(DataFolder.c_str(), 0700) != 0)
        return;
    (void)WriteTextFile(context_.seam(), SubscriptionsPath(), DefaultSubscriptionList());
}

std::string mSubscriptions::SubscriptionsPath() const {
    return AddBackslash(DataFolder) + kSubscriptionsFileName;
}

std::string mSubscriptions::DefaultSubscriptionList() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<!--\r\n"
           "Document   : subscriptions.dat\r\n"
           "Author     : Vellorin team\r\n"
           "Description:\r\n"
           "    This file saves a complete list of all Messages Sources subscribed\r\n"
           "    under Vellorin application.\r\n"
           "-->\r\n"
           "<sources>\r\n"
           "</sources>\r\n";
}

bool mSubscriptions::openList(SourceListDocument& doc) {
    if (IsBlank(DataFolder))
        EnsureDataFolder();
    UserSeam& seam = context_.seam();
    const std::string path = SubscriptionsPath();
    if (!FileExists(seam, path)) {
        ShowCritical(seam, "Subscription Data File not found!",
                     "Failed to load Subscription List. Required Data File is missing or hidden. "
                     "Please reinstall the application to resolve this issue.");
        return false;
    }
    switch (doc.load(path)) {
        case SourceListDocument::LoadStatus::kOk:
            return true;
        case SourceListDocument::LoadStatus::kDamaged:
            ShowCritical(seam, "Failed to load Subscription List.",
                         "Failed to load Subscription List. Invalid File format or file is "
                         "damaged. Please reinstall the application to resolve this issue.");
            return false;
        case SourceListDocument::LoadStatus::kNoList:
            ShowCritical(seam, "Error!", "Failed to load Subscription List. Invalid File Format.");
            return false;
    }
    return false;
}

bool mSubscriptions::saveList(const SourceListDocument& doc) {
    const std::string path = SubscriptionsPath();
    IoStatus status = doc.save(path);
    if (!status.ok()) {
        ShowFileError(context_.seam(), status.error, status.message() + " (" + path + ")");
        return false;
    }
    return true;
}

void mSubscriptions::LoadSubscriptions(TreeControl& tree) {
    tree.clear();
    SourceListDocument doc;
    if (!openList(doc))
        return;

    const bool manager = tree.name() == kManagerTreeName;
    if (manager) {
        if (TreeNode* root = tree.addRoot(kManagerRootKey, kManagerRootText, kImageSource)) {
            root->setExpanded(true);
        }
    }
    tree.setSorted(false);
    for (SourceEntry& source : doc.entries()) {
        // A node needs a key of its own: a source without an identifier, or with one that an
        // earlier source already has, stays in the file but out of the tree.
        if (IsBlank(source.id))
            continue;
        const std::string id = source.id;
        TreeNode* node =
            manager ? tree.addChild(kManagerRootKey, std::move(source.id), std::move(source.title),
                                    kImageManagerSource, kImageManagerSource)
                    : tree.addRoot(std::move(source.id), std::move(source.title), kImageSource,
                                   kImageSource);
        if (!node)
            continue;
        node->setTag(std::move(source.link));
        if (!manager) {
            context_.inbox.CurrentSourceID = id;
            context_.inbox.LoadInbox(tree);
        }
    }
    tree.setSorted(true);
}

bool mSubscriptions::SourceAction(std::int32_t action) {
    if (action != UpdateSource && action != RemoveSource && action != SourceExists &&
        action != LoadSource) {
        return false;
    }
    if (IsBlank(DataFolder))
        EnsureDataFolder();
    // A change reads, edits and writes the file: hold the folder's lock throughout.
    std::optional<FileLock> lock;
    if (action == UpdateSource || action == RemoveSource)
        lock.emplace(SubscriptionsPath());

    SourceListDocument doc;
    if (!openList(doc))
        return false;
    switch (action) {
        case UpdateSource:
            return doc.updateWhereLink(CurrentSource.Link, CurrentSource.NewTitle,
                                       CurrentSource.NewLink) > 0 &&
                   saveList(doc);
        case RemoveSource:
            return doc.removeWhereLink(CurrentSource.Link) > 0 && saveList(doc);
        case SourceExists:
            for (const SourceEntry& source : doc.entries()) {
                if (source.link == CurrentSource.Link)
                    return true;
            }
            return false;
        case LoadSource: {
            bool found = false;
            for (SourceEntry& source : doc.entries()) {
                if (source.link != CurrentSource.Link)
                    continue;
                CurrentSource.ID = std::move(source.id);
                CurrentSource.Title = std::move(source.title);
                CurrentSource.Link = std::move(source.link);
                found = true;
            }
            return found;
        }
    }
    return false;
}

bool mSubscriptions::AddSource(const std::string& title, const std::string& link) {
    if (IsBlank(DataFolder))
        EnsureDataFolder();
    FileLock lock(SubscriptionsPath());
    SourceListDocument doc;
    if (!openList(doc))
        return false;
    std::string id = NewGUIDString();
    if (id.empty())
        return false;
    doc.append(id, title, link);
    return saveList(doc);
}

bool mSubscriptions::RemoveSourceFolder(std::string_view id) {
    namespace fs = std::filesystem;
    if (!IsSourceIdentifier(id) || IsBlank(DataFolder))
        return false;
    std::error_code ec;
    const fs::path data(DataFolder);
    const fs::path folder = data / std::string(id);
    // symlink_status: a link named like an identifier is not followed into what it points at.
    if (!fs::is_directory(fs::symlink_status(folder, ec)) || ec)
        return false;
    const fs::path realData = fs::weakly_canonical(data, ec);
    if (ec)
        return false;
    const fs::path realFolder = fs::weakly_canonical(folder, ec);
    if (ec || realFolder.parent_path() != realData || realFolder.filename() != folder.filename()) {
        return false;
    }
    return fs::remove_all(folder, ec) > 0 && !ec;
}

}  // namespace vellorin
