#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::BuiltProgram;
using test::ProcessResult;
using test::RunProcess;
using test::TempDir;

constexpr const char* kLink = "http://www.vellorin.net/feeds/demo";

std::vector<std::vector<std::string>> Records(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

// A new user's session: vellorinctl on a data folder of its own, an inbox written by hand.
class DataCommandsTest : public ::testing::Test {
protected:
    DataCommandsTest() { app_.write("view.tpl", "<h1>SL</h1><p>From FN&lt;FEML&gt;</p>DESC"); }
    ProcessResult ctl(std::vector<std::string> args, bool yes = false) {
        std::vector<std::string> all{"--app-dir", app_.path(), "--data-dir", data()};
        if (yes)
            all.push_back("--yes");
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(BuiltProgram("vellorinctl"), all, {{"XDG_DATA_HOME", home_.path()}});
    }
    std::string data() const { return home_.file("data"); }

    // Subscribes the demo source and gives its identifier.
    std::string subscribe() {
        ProcessResult r = ctl({"subscribe", "Demo", kLink});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "Done!: New Source successfully Added to Subscription List!\n");
        ProcessResult s = ctl({"sources"});
        auto rows = Records(s.out);
        EXPECT_EQ(rows.size(), 1u) << s.out;
        return rows.empty() ? std::string() : rows[0][0];
    }
    void writeInbox(const std::string& id) {
        const std::string description =
            "<!-- header start:\x05"
            "from: &quot;Jane Roe&quot; &lt;jane@example.com&gt;<br />\x05"
            "subject: Hello<br />\x05"
            "date: Mon, 05 Dec 2026<br />\x05"
            "reply-to: &quot;Desk&quot; &lt;desk@example.com&gt;\x05"
            "header end --> <style>p{}</style><p>Body</p>";
        home_.write("data/" + id + "/inbox.dat",
                    "[g-old]\r\ntitle=Old\r\ndescription=x\r\ndate=Sun, 04 Dec 2026\r\n"
                    "time=07:00:00\r\noffset=+0000\r\nread=1\r\n"
                    "[g-hello]\r\ntitle=Hello\tthere\r\ndescription=" +
                        description +
                        "\r\ndate=Mon, 05 Dec 2026\r\ntime=08:56:31\r\noffset=+0000\r\nread=0\r\n"
                        "[g-new]\r\ntitle=New\r\ndescription=y\r\ndate=Tue, 06 Dec 2026\r\n"
                        "time=10:00:00\r\noffset=GMT\r\nread=0\r\n");
    }
    std::string inbox(const std::string& id) const {
        return TempDir::read(home_.file("data/" + id + "/inbox.dat"));
    }

    TempDir app_, home_, out_;
};

TEST_F(DataCommandsTest, ANewUserSubscribesListsReadsMarksExportsAndDeletes) {
    const std::string id = subscribe();
    ASSERT_EQ(id.size(), 36u);
    writeInbox(id);

    // Listing: sources with counts, messages newest day first, tabs shown as blanks.
    ProcessResult r = ctl({"sources"});
    EXPECT_EQ(r.out, id + "\tDemo\t" + kLink + "\t2\t3\n");
    r = ctl({"messages"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::string(kLink) + "\tg-new\t0\tTue, 06 Dec 2026\t10:00:00\tNew\n" + kLink +
                         "\tg-hello\t0\tMon, 05 Dec 2026\t08:56:31\tHello there\n" + kLink +
                         "\tg-old\t1\tSun, 04 Dec 2026\t07:00:00\tOld\n");
    EXPECT_EQ(ctl({"messages", kLink}).out, r.out);

    // Reading renders the page, marks the message read and prints where the page is.
    r = ctl({"show", kLink, "g-hello"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, data() + "/item.htm\n");
    EXPECT_EQ(
        TempDir::read(data() + "/item.htm"),
        "<h1>Hello\r\n</h1><p>From Jane Roe  &lt;jane@example.com\r\n&gt;</p></style><p>Body</p>"
        "\r\n");
    EXPECT_NE(inbox(id).find("offset=+0000\r\nread=1\r\n[g-new]"), std::string::npos);

    // Marking.
    EXPECT_EQ(ctl({"unread", kLink, "g-old"}).exitCode, 0);
    EXPECT_EQ(ctl({"read", kLink, "g-new"}).exitCode, 0);
    EXPECT_EQ(Records(ctl({"messages"}).out)[0][2], "1");
    EXPECT_EQ(Records(ctl({"messages"}).out)[2][2], "0");
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo\t" + kLink + "\t1\t3\n");

    // Exporting: the format's extension is added to a bare name.
    r = ctl({"export", "html", kLink, "g-hello", out_.file("hello")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, out_.file("hello.htm") + "\n");
    EXPECT_EQ(
        TempDir::read(out_.file("hello.htm")).rfind("<html><head><title>Hello\tthere</title>", 0),
        0u);
    r = ctl({"export", "txt", kLink, "g-hello", out_.file("hello")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TempDir::read(out_.file("hello.txt")).rfind("From       :   Jane Roe  (jane@", 0),
              0u);
    r = ctl({"export", "eml", kLink, "g-hello", out_.file("hello.eml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(TempDir::read(out_.file("hello.eml")).find("    charset = \"UTF-8\"\r\n"),
              std::string::npos);

    // An existing file is replaced only when the question is answered Yes.
    const std::string before = TempDir::read(out_.file("hello.txt"));
    out_.write("hello.txt", "mine");
    r = ctl({"export", "txt", kLink, "g-new", out_.file("hello.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(TempDir::read(out_.file("hello.txt")), "mine");
    r = ctl({"export", "txt", kLink, "g-hello", out_.file("hello.txt")}, true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TempDir::read(out_.file("hello.txt")), before);

    // Deleting asks; only --yes deletes.
    r = ctl({"delete", kLink, "g-old"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Delete selected Item?: Are you sure you want to delete \"Old\"?"),
              std::string::npos);
    EXPECT_NE(inbox(id).find("[g-old]"), std::string::npos);
    r = ctl({"delete", kLink, "g-old"}, true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(inbox(id).find("[g-old]"), std::string::npos);
    EXPECT_EQ(Records(ctl({"messages"}).out).size(), 2u);
}

TEST_F(DataCommandsTest, RenameAndUnsubscribeGoThroughTheManager) {
    const std::string id = subscribe();
    writeInbox(id);

    ProcessResult r = ctl({"rename", kLink, "Demo\tfeed"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Done!: Message Source Details are successfully Saved!\n");
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo feed\t" + kLink + "\t2\t3\n");

    r = ctl({"unsubscribe", kLink});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Unsubscribe Demo\tfeed??: "), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(data() + "/" + id + "/inbox.dat"));

    r = ctl({"unsubscribe", kLink}, true);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ctl({"sources"}).out, "");
    EXPECT_FALSE(fs::exists(data() + "/" + id));
}

TEST_F(DataCommandsTest, RefusalsAndUnknownNamesFailWithAMessage) {
    const std::string id = subscribe();
    writeInbox(id);
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string err;
    } cases[] = {
        {{"subscribe", "Demo 2", kLink}, 1, "Already Subscribed!: "},
        {{"subscribe", " ", "http://www.vellorin.net/x"}, 1, "Title?: "},
        {{"subscribe", "X", "http://example.com/feed"}, 1, "Invalid Vellorin Source Link.: "},
        {{"messages", "http://www.vellorin.net/none"}, 1, "no source with link"},
        {{"read", kLink, "nope"}, 1, "no message 'nope'"},
        {{"show", "http://www.vellorin.net/none", "g-new"}, 1, "no source with link"},
        {{"export", "txt", kLink, "G-NEW", "/tmp/x"}, 1, "no message 'G-NEW'"},
        {{"rename", "http://www.vellorin.net/none", "T"}, 1, "no source with link"},
        {{"rename", kLink, " "}, 1, "Title?: "},
        {{"unsubscribe", "nope"}, 1, "no source with link"},
        {{"export", "pdf", kLink, "g-new", "/tmp/x"}, 2, "unknown export format"},
        {{"export", "txt", kLink, "g-new"}, 2, "usage"},
        {{"subscribe", "only-title"}, 2, "usage"},
        {{"sources", "extra"}, 2, "takes no arguments"},
        {{"read", kLink}, 2, "usage"},
        {{"messages", "a", "b"}, 2, "usage"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        ProcessResult r = ctl(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ctl({"sources"}).out, id + "\tDemo\t" + kLink + "\t2\t3\n");
}

TEST_F(DataCommandsTest, ShowWithoutTheTemplateFails) {
    const std::string id = subscribe();
    writeInbox(id);
    fs::remove(app_.file("view.tpl"));
    ProcessResult r = ctl({"show", kLink, "g-new"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error!: Message details can't be shown."), std::string::npos);
    EXPECT_FALSE(fs::exists(data() + "/item.htm"));
}

TEST_F(DataCommandsTest, ABrokenListIsReportedAndFails) {
    home_.write("data/subscriptions.dat", "not xml");
    ProcessResult r = ctl({"sources"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Failed to load Subscription List."), std::string::npos);
    EXPECT_EQ(ctl({"messages"}).exitCode, 1);
}

}  // namespace
}  // namespace vellorin
