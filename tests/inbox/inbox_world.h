#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/app_context.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_store.h"
#include "subscriptions/subscriptions.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"

namespace vellorin::test {

using Strings = std::vector<std::string>;

// An application context with its own seam and clock on a fresh folder (data folder "data").
class InboxWorld {
public:
    explicit InboxWorld(const std::string& appFolder = "", const std::string& dataFolder = "")
        : data(dataFolder.empty() ? dir.file("data") : dataFolder),
          context(AppOptions{appFolder.empty() ? dir.path() : appFolder, data, "", "vellorin"},
                  seam, clock) {
        context.subscriptions.EnsureDataFolder();
    }

    std::string subscribe(const std::string& title, const std::string& link) {
        EXPECT_TRUE(context.subscriptions.AddSource(title, link));
        context.subscriptions.CurrentSource.Link = link;
        EXPECT_TRUE(context.subscriptions.SourceAction(mSubscriptions::LoadSource));
        return context.subscriptions.CurrentSource.ID;
    }
    std::string inboxPath(const std::string& id) const { return data + "/" + id + "/inbox.dat"; }
    Strings stored(const std::string& id) const {
        const InboxSnapshot snapshot(inboxPath(id));
        Strings guids;
        for (std::string_view section : snapshot.sections())
            guids.push_back(GuidFromSectionName(section));
        return guids;
    }
    InboxItem item(const std::string& id, const std::string& guid) {
        context.inbox.CurrentSourceID = id;
        context.inbox.CurrentItem = InboxItem{};
        context.inbox.CurrentItem.Guid = guid;
        EXPECT_TRUE(context.inbox.InboxItemAction(mInbox::LoadItem)) << guid;
        return context.inbox.CurrentItem;
    }

    TempDir dir;
    const std::string data;
    EventSeam seam;
    ManualClock clock;
    AppContext context;
};

}  // namespace vellorin::test
