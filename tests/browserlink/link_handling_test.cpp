#include "browserlink/link_handling.h"

#include <gtest/gtest.h>

#include <set>

#include "base/clock.h"
#include "base/monotonic_clock.h"
#include "support/local_time.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "util/cls_crypt.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using test::LocalTime;

const std::string kSite = "https://www.vellorin.net/inbox";
const std::string kOther = "https://www.example.com/";

// Popups opened on request ("N" the notification, "S" the no-source one), open until closed.
class Popups final : public PlugInPopupHost {
public:
    bool isPopupOpen(PlugInPopup p) const override { return open.count(p) > 0; }
    void showPopup(PlugInPopup p) override {
        shown += p == PlugInPopup::Notification ? "N" : "S";
        open.insert(p);
    }
    std::string shown;
    std::set<PlugInPopup> open;
};

struct World {
    World() {
        app.write("urls.lst", clsCrypt().Encode("VELLORIN.NET"));
        tree.addRoot("S1", "Source", kImageSource);
    }
    void addMessage(int image) { tree.addChild("S1", "", "Message", image); }
    void advance(std::chrono::seconds s) {
        wall.set(wall.now() + s);
        monotonic.advance(s);
    }
    std::string visit(const std::string& url, bool busy = false) {
        popups.shown.clear();
        link.ProcessURL(url, tree, busy, popups);
        return popups.shown;
    }

    test::TempDir app;
    test::RecordingSeam seam;
    ManualClock wall{LocalTime(10, 0)};
    ManualMonotonicClock monotonic;
    TreeControl tree{"tvMessages"};
    Popups popups;
    BrowserLinkHandling link{seam, app.path(), wall, monotonic};
};

const std::string kNone, kNotification = "N", kNoSource = "S";

TEST(ProcessURLTest, OnlyANewListedAddressOpensAPopupThatIsNotOpenAlready) {
    World w;
    w.addMessage(kImageRead);
    EXPECT_EQ(w.visit(kSite), kNone) << "a source, nothing unread";
    w.addMessage(kImageUnread);  // the last node
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.visit(kSite + "/busy", true), kNone);
    EXPECT_EQ(w.visit(kSite + "/busy"), kNone) << "already judged";
    EXPECT_FALSE(w.link.LastPopupTime().has_value());
    EXPECT_EQ(w.visit(kSite), kNotification);
    EXPECT_EQ(w.link.LastPopupTime(), LocalTime(10, 0));
    w.advance(5s);
    EXPECT_EQ(w.visit(kSite + "/2"), kNone);  // still open
    w.popups.open.clear();
    EXPECT_EQ(w.visit("HTTPS://WWW.VELLORIN.NET/INBOX/2"), kNone);  // the same, in other letters
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.link.LastProcessedURL(), kOther);
    EXPECT_EQ(w.visit(kSite), kNotification);
    EXPECT_EQ(w.link.LastPopupTime(), LocalTime(10, 0) + 5s);

    World empty;
    empty.tree.clear();
    EXPECT_EQ(empty.visit(kSite), kNoSource);
    empty.visit(kOther);
    EXPECT_EQ(empty.visit(kSite), kNone);  // open still
    EXPECT_FALSE(empty.link.LastPopupTime().has_value());
}

// The popup's button, seconds after the press, whether the site (left meanwhile) opens it again.
TEST(ProcessURLTest, SnoozeAndSleepHoldPopupsBackFromThePress) {
    const std::tuple<PlugInSnoozeMode, int, bool> cases[] = {{PlugInSnoozeMode::Snooze, 599, false},
                                                             {PlugInSnoozeMode::Snooze, 600, true},
                                                             {PlugInSnoozeMode::Sleep, 2999, false},
                                                             {PlugInSnoozeMode::Sleep, 3000, true},
                                                             {PlugInSnoozeMode::None, 1, true}};
    for (const auto& [mode, after, opens] : cases) {
        SCOPED_TRACE(after);
        World w;
        w.wall.set(LocalTime(23, 50));  // the wall clock passes midnight: it does not count
        w.addMessage(kImageUnread);
        ASSERT_EQ(w.visit(kSite), kNotification);
        w.link.SetPlugInSnoozeMode(mode);
        w.popups.open.clear();
        w.advance(1s);
        EXPECT_EQ(w.visit(kOther), kNone);
        EXPECT_EQ(w.visit(kSite), mode == PlugInSnoozeMode::None ? kNotification : kNone);
        w.popups.open.clear();
        w.visit(kOther);
        w.advance(std::chrono::seconds(after - 1));
        w.link.tmrPlugIn_Timer();
        EXPECT_EQ(w.link.PlugInSuppressed(), !opens);
        EXPECT_EQ(w.visit(kSite), opens ? kNotification : kNone);
    }
}

}  // namespace
}  // namespace vellorin
