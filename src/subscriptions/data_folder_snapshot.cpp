#include "subscriptions/data_folder_snapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "base/constants.h"
#include "store/profile_file_times.h"

namespace vellorin {
namespace {

profile::FileIdentity IdentityAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return profile::IdentityOf(st);
}

}  // namespace

DataFolderSnapshot TakeDataFolderSnapshot(const std::string& dataFolder) {
    DataFolderSnapshot out;
    out.subscriptions = IdentityAt(dataFolder + "/" + kSubscriptionsFileName);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dataFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.empty() || name.front() == '.' || it->is_symlink(typeError) ||
            !it->is_directory(typeError)) {
            continue;
        }
        out.inboxes[name] = IdentityAt(dataFolder + "/" + name + "/" + kInboxFileName);
    }
    return out;
}

DataFolderChanges ChangesBetween(const DataFolderSnapshot& before,
                                 const DataFolderSnapshot& after) {
    DataFolderChanges out;
    out.subscriptions = before.subscriptions != after.subscriptions;
    auto a = before.inboxes.begin();
    auto b = after.inboxes.begin();
    while (a != before.inboxes.end() || b != after.inboxes.end()) {
        if (b == after.inboxes.end() || (a != before.inboxes.end() && a->first < b->first)) {
            out.inboxes.push_back((a++)->first);
        } else if (a == before.inboxes.end() || b->first < a->first) {
            out.inboxes.push_back((b++)->first);
        } else {
            if (a->second != b->second)
                out.inboxes.push_back(a->first);
            ++a;
            ++b;
        }
    }
    return out;
}

std::vector<std::string> WatchedPaths(const std::string& dataFolder,
                                      const DataFolderSnapshot& snapshot) {
    std::vector<std::string> out{dataFolder};
    if (snapshot.subscriptions.size >= 0)
        out.push_back(dataFolder + "/" + kSubscriptionsFileName);
    for (const auto& [name, inbox] : snapshot.inboxes) {
        out.push_back(dataFolder + "/" + name);
        if (inbox.size >= 0)
            out.push_back(dataFolder + "/" + name + "/" + kInboxFileName);
    }
    return out;
}

}  // namespace vellorin
