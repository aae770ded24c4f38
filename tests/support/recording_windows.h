#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "view/message_windows.h"

namespace vellorin::test {

// The open message windows, recorded: a (source, guid) in `open` counts as shown.
class RecordingWindows : public MessageWindows {
public:
    using Key = std::pair<std::string, std::string>;  // source identifier, guid
    struct Window {
        std::string sourceId, guid, caption, pagePath;
    };

    bool FindOpenMessage(const std::string& sourceId, const std::string& guid) override {
        searched.push_back(guid);
        return open.count({sourceId, guid}) > 0;
    }
    void OpenMessageWindow(const std::string& sourceId, const std::string& guid,
                           const std::string& caption, const std::string& pagePath) override {
        opened.push_back({sourceId, guid, caption, pagePath});
        open.insert({sourceId, guid});
        if (onOpen)
            onOpen();
    }
    bool CloseMessageWindow(const std::string& sourceId, const std::string& guid) override {
        return open.erase({sourceId, guid}) > 0;
    }

    std::set<Key> open;
    std::vector<std::string> searched;
    std::vector<Window> opened;
    std::function<void()> onOpen;  // runs as a real window's events would
};

}  // namespace vellorin::test
