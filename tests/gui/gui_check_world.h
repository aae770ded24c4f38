#pragma once

#include <memory>
#include <string>

#include "gui/app_folders.h"
#include "inbox/check_feed_server.h"
#include "inbox/check_run.h"
#include "inbox/online_state.h"
#include "view/tree_control.h"

namespace vellorin::test {

// A desktop client's state on fresh folders, with a feed server on 127.0.0.1 to subscribe to:
// the application folder holds the shipped view.tpl and pictures, the seam keeps every box and
// answers with its default button, the machine counts as online.
class GuiCheckWorld : public AppFolders {
public:
    GuiCheckWorld() {
        PrepareLocalHttp();
        for (const char* name : {"view.tpl", "vellorin.svg", "vellorin-busy.svg"})
            ship(name);
        context = std::make_unique<AppContext>(options(), seam, clock);
        context->subscriptions.EnsureDataFolder();
        context->online.setOverride(true);
    }

    QString appFolder() const { return appDir.path(); }

    // Serves `document` at /`name`, subscribes it as `title` and loads the message tree again.
    // Gives the source's identifier.
    std::string subscribe(const std::string& title, const std::string& name,
                          const std::string& document) {
        server.serve("/" + name, document);
        const std::string id = Subscribe(*context, title, server.url("/" + name));
        context->subscriptions.LoadSubscriptions(tvMessages);
        return id;
    }
    // A check run of every source, as the user's "Check All Sources" starts it.
    void checkAll(bool interactive) {
        context->check.InteractiveCheck = interactive;
        context->check.QueueSources(tvMessages, true);
        context->check.ProcessQueue(tvMessages);
    }

    FeedServer server;
    KeptBoxesSeam seam;
    std::vector<MessageBoxRequest>& boxes = seam.boxes;
    std::unique_ptr<AppContext> context;
    TreeControl tvMessages{"tvMessages"};
};

}  // namespace vellorin::test
