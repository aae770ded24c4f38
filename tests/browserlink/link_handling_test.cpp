#include "browserlink/link_handling.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

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

// Popups opened on request, open until the test closes them.
class Popups final : public PlugInPopupHost {
public:
    bool isPopupOpen(PlugInPopup p) const override {
        return p == PlugInPopup::Notification ? notificationOpen : noSourceOpen;
    }
    void showPopup(PlugInPopup p) override {
        shown.push_back(p);
        (p == PlugInPopup::Notification ? notificationOpen : noSourceOpen) = true;
    }
    void closeAll() { notificationOpen = noSourceOpen = false; }
    std::vector<PlugInPopup> shown;
    bool notificationOpen = false;
    bool noSourceOpen = false;
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
    std::vector<PlugInPopup> visit(const std::string& url, bool busy = false) {
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

const std::vector<PlugInPopup> kNone;
const std::vector<PlugInPopup> kNotification{PlugInPopup::Notification};
const std::vector<PlugInPopup> kNoSource{PlugInPopup::NoSourceNotify};

TEST(HasUnreadMessagesTest, AnyNodeWithTheUnreadPicture) {
    World w;
    w.tree.clear();
    EXPECT_FALSE(HasUnreadMessages(w.tree));
    w.tree.addRoot("S1", "Source", kImageSource);
    w.addMessage(kImageRead);
    EXPECT_FALSE(HasUnreadMessages(w.tree));
    w.tree.addRoot("S2", "Other", kImageSource);
    w.tree.addChild("S2", "", "Unread", kImageUnread);
    EXPECT_TRUE(HasUnreadMessages(w.tree));
}

TEST(ProcessURLTest, OpensTheRightPopupForListedHostsOnly) {
    World w;
    w.addMessage(kImageUnread);
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.link.LastProcessedURL(), kOther);
    EXPECT_EQ(w.visit(kSite), kNotification);
    EXPECT_EQ(w.link.LastPopupTime(), LocalTime(10, 0));
    w.popups.closeAll();
    EXPECT_EQ(w.visit("HTTPS://WWW.VELLORIN.NET/INBOX"), kNone);  // the same, in other letters
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.visit(kSite), kNotification);
    EXPECT_TRUE(w.seam.boxes.empty());
}

TEST(ProcessURLTest, AnOpenPopupIsNotOpenedAgain) {
    World w;
    w.addMessage(kImageUnread);
    EXPECT_EQ(w.visit(kSite), kNotification);
    w.advance(5s);
    EXPECT_EQ(w.visit(kSite + "/2"), kNone);
    EXPECT_EQ(w.link.LastPopupTime(), LocalTime(10, 0));
    TreeControl empty("tvMessages");
    Popups popups;
    popups.noSourceOpen = true;
    w.link.ProcessURL(kSite + "/3", empty, false, popups);
    EXPECT_TRUE(popups.shown.empty());
}

TEST(ProcessURLTest, NoPopupWhileBusyOrWithoutUnreadMessages) {
    World w;
    w.addMessage(kImageRead);
    EXPECT_EQ(w.visit(kSite), kNone) << "a source, nothing unread";
    w.addMessage(kImageUnread);
    EXPECT_EQ(w.visit(kSite + "/busy", true), kNone);
    EXPECT_EQ(w.visit(kSite + "/busy"), kNone) << "already judged";
    EXPECT_FALSE(w.link.LastPopupTime().has_value());

    World empty;
    empty.tree.clear();
    EXPECT_EQ(empty.visit(kSite), kNoSource);
    EXPECT_FALSE(empty.link.LastPopupTime().has_value());
}

TEST(ProcessURLTest, SnoozeAndSleepHoldPopupsBackFromThePress) {
    // The popup's button, seconds after the press, whether a listed page then opens the popup.
    const std::tuple<PlugInSnoozeMode, int, bool> cases[] = {
        {PlugInSnoozeMode::Snooze, 599, false}, {PlugInSnoozeMode::Snooze, 600, true},
        {PlugInSnoozeMode::Sleep, 2999, false}, {PlugInSnoozeMode::Sleep, 3000, true},
        {PlugInSnoozeMode::None, 1, true},
    };
    for (const auto& [mode, after, opens] : cases) {
        World w;
        w.addMessage(kImageUnread);
        ASSERT_EQ(w.visit(kSite), kNotification);
        w.advance(20s);
        w.link.SetPlugInSnoozeMode(mode);
        w.popups.closeAll();
        int elapsed = 0;
        bool listed = false;
        while (elapsed + 97 < after) {
            EXPECT_EQ(w.visit(listed ? kSite : kOther), kNone) << elapsed;
            listed = !listed;
            w.advance(97s);
            elapsed += 97;
        }
        w.advance(std::chrono::seconds(after - elapsed));
        w.link.tmrPlugIn_Timer();
        EXPECT_EQ(w.link.PlugInSuppressed(), !opens);
        w.visit(kOther);
        EXPECT_EQ(w.visit(kSite), opens ? kNotification : kNone)
            << static_cast<int>(mode) << " " << after;
    }
}

TEST(ProcessURLTest, PagesSeenWhileHeldBackAreRemembered) {
    // Away from the site during the whole snooze, then back on the same page: a reminder.
    World w;
    w.addMessage(kImageUnread);
    ASSERT_EQ(w.visit(kSite), kNotification);
    w.link.SetPlugInSnoozeMode(PlugInSnoozeMode::Snooze);
    w.popups.closeAll();
    w.advance(1s);
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.link.LastProcessedURL(), kOther);
    w.advance(15min);
    EXPECT_EQ(w.visit(kSite), kNotification);
}

TEST(ProcessURLTest, ASleepBegunBeforeMidnightEndsFiftyMinutesLater) {
    World w;
    w.wall.set(LocalTime(23, 50));
    w.addMessage(kImageUnread);
    ASSERT_EQ(w.visit(kSite), kNotification);
    w.link.SetPlugInSnoozeMode(PlugInSnoozeMode::Sleep);
    w.popups.closeAll();
    w.advance(20min);  // 00:10
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.visit(kSite), kNone);
    w.link.tmrPlugIn_Timer();
    EXPECT_TRUE(w.link.PlugInSuppressed());
    w.advance(31min);  // 00:41
    w.link.tmrPlugIn_Timer();
    EXPECT_FALSE(w.link.PlugInSuppressed());
    EXPECT_EQ(w.visit(kOther), kNone);
    EXPECT_EQ(w.visit(kSite), kNotification);
    // "Read Now!" ends a hold-back at once.
    w.link.SetPlugInSnoozeMode(PlugInSnoozeMode::Snooze);
    w.popups.closeAll();
    w.visit(kOther);
    EXPECT_EQ(w.visit(kSite), kNone);
    w.link.SetPlugInSnoozeMode(PlugInSnoozeMode::None);
    w.visit(kOther);
    EXPECT_EQ(w.visit(kSite), kNotification);
}

}  // namespace
}  // namespace vellorin
