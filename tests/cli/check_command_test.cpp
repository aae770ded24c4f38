#include <gtest/gtest.h>

#include <filesystem>

#include "cli/ctl_fixture.h"
#include "inbox/check_feed_server.h"
#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;
using test::RssDocument;
using test::RssItem;

// The announcement as vellorinctl prints it: line feeds only.
std::string Printed(int count, const std::string& title) {
    return "You have " + std::to_string(count) + " New Messages \n in " + title + " account.\n\n";
}

const std::string kTwoItems = RssDocument(RssItem("a2", "Second", "Tue, 06 Dec 2026 09:00:00 GMT") +
                                          RssItem("a1", "First", "Mon, 05 Dec 2026 10:00:00 GMT"));

class CheckCommandTest : public test::CtlTest {
protected:
    CheckCommandTest() { test::PrepareLocalHttp(); }
    std::string subscribe(const std::string& name, const std::string& document) {
        server_.serve("/" + name, document);
        return world_.subscribe(name, server_.url("/" + name));
    }

    test::InboxWorld world_{app_.path(), data()};
    test::FeedServer server_;
};

TEST_F(CheckCommandTest, ScheduledCheckPrintsOnlyTheAnnouncementInteractiveOneStatesAndBoxes) {
    subscribe("Alpha", kTwoItems);
    subscribe("Bravo", "");  // its page is gone:
    server_.serve("/Bravo", "<html>missing</html>", "text/html", 404);

    ProcessResult scheduled = ctl({"check", "--scheduled", "--online"});
    EXPECT_EQ(scheduled.exitCode, 0);
    EXPECT_EQ(scheduled.err, "");
    EXPECT_EQ(scheduled.out, Printed(2, "Alpha"));

    ProcessResult interactive = ctl({"check", "--online"});
    EXPECT_EQ(interactive.exitCode, 1) << interactive.err;
    EXPECT_EQ(interactive.out, "");
    EXPECT_NE(interactive.err.find("\nChecking Bravo\n"), std::string::npos);

    server_.serve("/Bravo", RssDocument(""));
    EXPECT_EQ(ctl({"check", "--online"}).exitCode, 0);
}

TEST_F(CheckCommandTest, SwitchesAndLinksChooseWhatIsChecked) {
    subscribe("Alpha", kTwoItems);
    const std::string bravo = subscribe("Bravo", kTwoItems);
    const std::string bravoLink = server_.url("/Bravo");

    ProcessResult r = ctl({"check", "--online", bravoLink, bravoLink});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Printed(2, "Bravo"));
    EXPECT_EQ(server_.hits("/Alpha"), 0);
    EXPECT_EQ(server_.hits("/Bravo"), 2);
    EXPECT_EQ(world_.item(bravo, "a2").Guid, "a2");

    EXPECT_EQ(ctl({"check", "--online", server_.url("/Charlie")}).exitCode, 1);
    EXPECT_EQ(ctl({"check", "--later"}).exitCode, 2);
    EXPECT_EQ(ctl({"check", "--offline"}).exitCode, 1);
    r = ctl({"check", "--offline", "--scheduled"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err + r.out, "");
    EXPECT_EQ(server_.hits("/Alpha"), 0);

    // a1 is older than the a2 stored now: only -debug takes it as new.
    server_.serve("/Bravo", RssDocument(RssItem("a1", "First", "Mon, 05 Dec 2026 10:00:00 GMT")));
    world_.context.inbox.CurrentItem.Guid = "a1";
    ASSERT_TRUE(world_.context.inbox.InboxItemAction(mInbox::DeleteItem));
    EXPECT_EQ(ctl({"check", "--online", "--scheduled", bravoLink}).out, "");
    EXPECT_EQ(ctl({"-debug", "check", "--online", "--scheduled", bravoLink}).out,
              Printed(1, "Bravo"));
}

// A check killed while writing leaves temporary files; the next check of the source removes
// them, and only them.
TEST_F(CheckCommandTest, TheNextCheckRemovesWhatAKilledOneLeftBehind) {
    const std::string id = subscribe("Alpha", kTwoItems);
    const std::string folder = data() + "/" + id + "/";
    const std::pair<std::string, bool> files[] = {
        {".inbox.dat.tmp-0123456789abcdef", false}, {".validators.dat.tmp-0123456789abcdef", false},
        {".inbox.dat.tmp-0123456789ABCDEF", true},  {".inbox.dat.tmp-0123456789abcde", true},
        {"xinbox.dat.tmp-0123456789abcdef", true},  {".other.dat.tmp-0123456789abcdef", true}};
    for (const auto& [name, kept] : files)
        home_.write("data/" + id + "/" + name, "part");
    EXPECT_EQ(ctl({"check", "--online"}).exitCode, 0);
    for (const auto& [name, kept] : files)
        EXPECT_EQ(fs::exists(folder + name), kept) << name;
    EXPECT_EQ(world_.stored(id), (test::Strings{"a2", "a1"}));
}

}  // namespace
}  // namespace vellorin
