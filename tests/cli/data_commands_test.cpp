#include <gtest/gtest.h>

#include <filesystem>

#include "cli/ctl_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;
using test::TempDir;

constexpr const char* kLink = "http://www.vellorin.net/feeds/demo";

// A new user's session: vellorinctl on a data folder of its own, an inbox written by hand.
class DataCommandsTest : public test::CtlTest {
protected:
    DataCommandsTest() { app_.write("view.tpl", "DESC|SL"); }

    std::string subscribeWithInbox() {
        EXPECT_EQ(ctl({"subscribe", "Demo", kLink}).exitCode, 0);
        const std::string id = ctl({"sources"}).out.substr(0, 36);
        home_.write("data/" + id + "/inbox.dat",
                    "[g-old]\r\ntitle=Old\r\ndescription=x\r\ndate=Sun, 04 Dec 2026\r\n"
                    "time=07:00:00\r\noffset=+0000\r\nread=1\r\n"
                    "[g-hello]\r\ntitle=Hello\tthere\r\ndescription=<p>Body</p>\r\ndate=Mon, 05 "
                    "Dec 2026\r\ntime=08:56:31\r\noffset=+0000\r\nread=0\r\n"
                    "[g-new]\r\ntitle=New\r\ndescription=y\r\ndate=Tue, 06 Dec 2026\r\n"
                    "time=10:00:00\r\noffset=GMT\r\nread=0\r\n");
        return id;
    }
    std::string inbox(const std::string& id) const {
        return TempDir::read(data() + "/" + id + "/inbox.dat");
    }

    TempDir out_;
};

TEST_F(DataCommandsTest, ANewUserSubscribesListsReadsMarksExportsAndDeletes) {
    const std::string id = subscribeWithInbox();

    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo\t" + kLink + "\t2\t3\n");
    ProcessResult r = ctl({"messages"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::string(kLink) + "\tg-new\t0\tTue, 06 Dec 2026\t10:00:00\tNew\n" + kLink +
                         "\tg-hello\t0\tMon, 05 Dec 2026\t08:56:31\tHello there\n" + kLink +
                         "\tg-old\t1\tSun, 04 Dec 2026\t07:00:00\tOld\n");

    r = ctl({"show", kLink, "g-hello"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, data() + "/item.htm\n");
    EXPECT_EQ(TempDir::read(data() + "/item.htm"), "<p>Body</p>|\r\n");
    EXPECT_NE(inbox(id).find("offset=+0000\r\nread=1\r\n[g-new]"), std::string::npos);

    EXPECT_EQ(ctl({"unread", kLink, "g-old"}).exitCode, 0);
    EXPECT_EQ(ctl({"read", kLink, "g-new"}).exitCode, 0);
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo\t" + kLink + "\t1\t3\n");  // only g-old unread

    r = ctl({"export", "html", kLink, "g-hello", out_.file("hello")});
    EXPECT_EQ(r.out, out_.file("hello.htm") + "\n");
    const std::string page = TempDir::read(out_.file("hello.htm"));
    EXPECT_EQ(page.rfind("<html><head><title>Hello\tthere</title>", 0), 0u);
    for (const char* format : {"txt", "eml"}) {
        EXPECT_EQ(ctl({"export", format, kLink, "g-hello", out_.file("hello")}).out,
                  out_.file("hello." + std::string(format)) + "\n");
    }

    EXPECT_EQ(ctl({"delete", kLink, "g-old"}).exitCode, 1);  // asked, No
    EXPECT_NE(inbox(id).find("[g-old]"), std::string::npos);
    EXPECT_EQ(ctl({"delete", kLink, "g-old"}, true).exitCode, 0);
    EXPECT_EQ(inbox(id).find("[g-old]"), std::string::npos);
    EXPECT_EQ(ctl({"messages"}).out.find("g-old"), std::string::npos);
}

TEST_F(DataCommandsTest, RenameAndUnsubscribeGoThroughTheManager) {
    const std::string id = subscribeWithInbox();

    ProcessResult r = ctl({"rename", kLink, "Demo\tfeed"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo feed\t" + kLink + "\t2\t3\n");

    EXPECT_EQ(ctl({"unsubscribe", kLink}).exitCode, 1);  // asked, No
    EXPECT_TRUE(fs::exists(data() + "/" + id + "/inbox.dat"));

    EXPECT_EQ(ctl({"unsubscribe", kLink}, true).exitCode, 0);
    EXPECT_EQ(ctl({"sources"}).out, "");
    EXPECT_FALSE(fs::exists(data() + "/" + id));
}

TEST_F(DataCommandsTest, RefusalsAndUnknownNamesFailWithAMessage) {
    const std::string id = subscribeWithInbox();
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"subscribe", "Demo 2", kLink}, 1, "Already Subscribed!: "},
        {{"messages", "http://www.vellorin.net/none"}, 1, "no source with link"},
        {{"export", "txt", kLink, "G-NEW", "/tmp/x"}, 1, "no message 'G-NEW'"},
        {{"rename", kLink, " "}, 1, "Title?: "},
        {{"unsubscribe", "nope"}, 1, "no source with link"},
        {{"export", "pdf", kLink, "g-new", "/tmp/x"}, 2, "unknown export format"},
        {{"export", "txt", kLink, "g-new"}, 2, "usage"},
        {{"sources", "extra"}, 2, "takes no arguments"},
    };
    for (const auto& [args, exit, err] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        ProcessResult r = ctl(args);
        EXPECT_EQ(r.exitCode, exit) << r.err;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo\t" + kLink + "\t2\t3\n");

    fs::remove(app_.file("view.tpl"));
    EXPECT_EQ(ctl({"show", kLink, "g-new"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(data() + "/item.htm"));
    home_.write("data/subscriptions.dat", "not xml");
    EXPECT_EQ(ctl({"sources"}).exitCode, 1);
    EXPECT_EQ(ctl({"messages"}).exitCode, 1);
}

}  // namespace
}  // namespace vellorin
