#include "subscriptions/subscriptions.h"

#include <sys/stat.h>

#include "app/app_context.h"
#include "app/constants.h"
#include "app/helpers.h"

namespace vellorin {

void mSubscriptions::EnsureDataFolder() {
    const std::string& override = context_.options().dataFolderOverride;
    DataFolder = override.empty() ? AddBackslash(GetAppDataFolder()) + kDataFolderName : override;
    while (DataFolder.size() > 1 && DataFolder.back() == '/')
        DataFolder.pop_back();
    if (FolderExists(DataFolder))
        return;
    // On a fresh account the application-data folder itself may be missing: create the parents
    // too rather than run without a data folder.
    std::string parent = DataFolder.substr(0, DataFolder.rfind('/'));
    if (!parent.empty() && !FolderExists(parent)) {
        for (size_t pos = 1; pos <= parent.size(); ++pos) {
            if (pos == parent.size() || parent[pos] == '/') {
                ::mkdir(parent.substr(0, pos).c_str(), 0700);
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

}  // namespace vellorin
