#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "subscriptions/subscriptions.h"
#include "support/recording_seam.h"
#include "support/recording_windows.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"

namespace vellorin::test {

inline constexpr const char* kSourceA = "0A1B2C3D-0000-4000-8000-00000000000A";
inline constexpr const char* kSourceB = "0A1B2C3D-0000-4000-8000-00000000000B";
inline constexpr const char* kLinkA = "http://www.vellorin.net/feeds/alpha";
inline constexpr const char* kLinkB = "http://www.vellorin.net/feeds/beta";

// One stored message in the inbox file's form (description line feeds as character 5).
inline std::string InboxSection(const std::string& guid, const std::string& title,
                                const std::string& date, const std::string& read,
                                std::string description = "<p>body</p>") {
    std::replace(description.begin(), description.end(), '\n', '\x05');
    return "[" + guid + "]\r\ntitle=" + title + "\r\ndescription=" + description +
           "\r\ndate=" + date + "\r\ntime=08:56:31\r\noffset=+0000\r\nread=" + read + "\r\n";
}

// Two sources: "Alpha" with m1 (unread, a header block), m2 (read), m3 (unread), "Beta" empty.
class MessageTreeTest : public ::testing::Test {
protected:
    struct Source {
        std::string id, title, link;
    };

    MessageTreeTest()
        : context_(AppOptions{app_.path(), data_.file("data"), "", "vellorin"}, seam_, clock_) {
        context_.subscriptions.EnsureDataFolder();
        writeList({{kSourceA, "Alpha", kLinkA}, {kSourceB, "Beta", kLinkB}});
        const std::string header =
            "<!-- header start:\nfrom: &quot;Jane Roe&quot; &lt;jane@example.com&gt;<br />\n"
            "subject: Weekly report<br />\ndate: Mon, 05 Dec 2026 08:56:31<br />\n"
            "reply-to: &quot;Desk&quot; &lt;desk@example.com&gt;\nheader end --> "
            "<style>p { margin: 0 }</style><p>Hello</p>";
        writeInbox(kSourceA, InboxSection("m1", "Weekly report number one of many",
                                          "Mon, 05 Dec 2026", "0", header) +
                                 InboxSection("m2", "Old news", "Sun, 04 Dec 2026", "1") +
                                 InboxSection("m3", "Newest", "Tue, 06 Dec 2026", "0"));
        reload();
    }

    void writeList(const std::vector<Source>& sources) {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<sources>";
        for (const Source& s : sources)
            text += "<source id=\"" + s.id + "\" title=\"" + s.title + "\">" + s.link + "</source>";
        data_.write("data/subscriptions.dat", text + "</sources>\r\n");
    }
    std::string listText() const { return TempDir::read(data_.file("data/subscriptions.dat")); }
    void writeInbox(const std::string& id, const std::string& bytes) {
        data_.write("data/" + id + "/inbox.dat", bytes);
    }
    std::string inboxText(const std::string& id = kSourceA) const {
        return TempDir::read(data_.file("data/" + id + "/inbox.dat"));
    }
    void writeTemplate(const std::string& text) { app_.write("view.tpl", text); }
    std::string pagePath() const { return data_.file("data/item.htm"); }

    void reload() { context_.subscriptions.LoadSubscriptions(tree_); }
    TreeNode* message(const std::string& guid, const std::string& source = kSourceA) {
        TreeNode* parent = tree_.findNode(source);
        for (int i = 0; parent && i < parent->childCount(); ++i) {
            if (parent->child(i)->tag() == guid)
                return parent->child(i);
        }
        return nullptr;
    }
    void select(const std::string& guid) {
        ASSERT_NE(message(guid), nullptr) << guid;
        ASSERT_TRUE(tree_.setSelectedNode(message(guid)));
    }
    void selectSource(const std::string& id = kSourceA) {
        ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(id)));
    }
    std::string storedRead(const std::string& guid) const {
        const std::string text = inboxText();
        std::size_t at = text.find("[" + guid + "]\r\n");
        if (at == std::string::npos)
            return "";
        at = text.find("read=", at) + 5;
        return text.substr(at, text.find("\r\n", at) - at);
    }

    TempDir app_, data_;
    RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    TreeControl tree_{"tvMessages"};
    RecordingWindows windows_;
};

}  // namespace vellorin::test
