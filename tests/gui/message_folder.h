#pragma once

#include <memory>
#include <string>

#include "gui/app_folders.h"
#include "inbox/inbox_store.h"
#include "subscriptions/subscriptions.h"
#include "support/recording_seam.h"

namespace vellorin::test {

// A fresh application folder and data folder with a core context over them, whose boxes a
// recording seam answers unless another seam is given. subscribe() and save() fill the data folder
// through the core, as the subscribe dialog and a check run would.
class MessageFolder : public AppFolders {
public:
    // Boxes go to `seam` when given, else to the recording seam.
    explicit MessageFolder(UserSeam* boxes = nullptr) {
        context = std::make_unique<AppContext>(options(), boxes ? *boxes : seam, clock);
        context->subscriptions.EnsureDataFolder();
    }

    // Adds a source to subscriptions.dat; gives its identifier (empty on failure).
    std::string subscribe(const std::string& title, const std::string& link) {
        mSubscriptions& list = context->subscriptions;
        if (!list.AddSource(title, link))
            return {};
        list.CurrentSource.Link = link;
        return list.SourceAction(mSubscriptions::LoadSource) ? list.CurrentSource.ID
                                                             : std::string();
    }

    // Stores a message in the source's inbox, unread, then marks it read when `read`.
    bool save(const std::string& sourceId, const std::string& guid, const std::string& title,
              const std::string& date, const std::string& time, bool read,
              const std::string& description = "<p>Hello</p>") {
        mInbox& inbox = context->inbox;
        inbox.CurrentSourceID = sourceId;
        inbox.LoadLatestStamp();
        inbox.CurrentItem = InboxItem{title, description, date, time, "+0000", guid, 0};
        if (!inbox.SaveItem())
            return false;
        return !read || inbox.InboxItemAction(mInbox::MarkRead);
    }

    RecordingSeam seam;
    std::unique_ptr<AppContext> context;
};

}  // namespace vellorin::test
