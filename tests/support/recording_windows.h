#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "view/message_windows.h"

namespace vellorin::test {

// The open message windows, recorded. A guid in `open` counts as shown by a window.
class RecordingWindows : public MessageWindows {
public:
    struct Window {
        std::string guid, caption, pagePath;
    };

    bool FindOpenMessage(const std::string& guid) override {
        searched.push_back(guid);
        return open.count(guid) > 0;
    }
    void OpenMessageWindow(const std::string& guid, const std::string& caption,
                           const std::string& pagePath) override {
        opened.push_back({guid, caption, pagePath});
        open.insert(guid);
        if (onOpen)
            onOpen();
    }
    bool CloseMessageWindow(const std::string& guid) override {
        closed.push_back(guid);
        return open.erase(guid) > 0;
    }

    std::set<std::string> open;
    std::vector<std::string> searched, closed;
    std::vector<Window> opened;
    std::function<void()> onOpen;  // runs as a real window's events would
};

}  // namespace vellorin::test
