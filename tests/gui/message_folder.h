#pragma once

#include <memory>
#include <string>

#include "gui/app_folders.h"
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

    std::string subscribe(const std::string& title, const std::string& link) {
        return Subscribe(*context, title, link);
    }
    bool save(const std::string& sourceId, const std::string& guid, const std::string& title,
              const std::string& date, const std::string& time, bool read,
              const std::string& description = "<p>Hello</p>") {
        return Store(*context, sourceId, guid, title, date, time, read, description);
    }

    RecordingSeam seam;
    std::unique_ptr<AppContext> context;
};

}  // namespace vellorin::test
