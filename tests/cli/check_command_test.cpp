#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app_context.h"
#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/online_state.h"
#include "support/recording_seam.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "view/message_header.h"

extern char** environ;

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using test::BuiltProgram;
using test::FeedServer;
using test::ProcessResult;
using test::RssDocument;
using test::RssItem;
using test::RunProcess;
using test::TempDir;

// The announcement as vellorinctl prints it: line feeds only.
std::string Printed(int count, const std::string& title) {
    return "You have " + std::to_string(count) + " New Messages \n in " + title + " account.\n\n";
}

class CheckCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::PrepareLocalHttp(); }

    CheckCommandTest()
        : context_(AppOptions{app_.path(), data_.file("data"), "", "vellorin"}, seam_, clock_) {
        context_.subscriptions.EnsureDataFolder();
    }

    ProcessResult ctl(std::vector<std::string> args) {
        std::vector<std::string> all{"--app-dir", app_.path(), "--data-dir", data_.file("data")};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(BuiltProgram("vellorinctl"), all,
                          {{"XDG_CONFIG_HOME", app_.path()},
                           {"XDG_DATA_HOME", data_.path()},
                           {"no_proxy", "127.0.0.1,localhost"}});
    }
    // Subscribes a source through the library, as the subscribe command would; gives its id.
    std::string subscribe(const std::string& title, const std::string& link) {
        mSubscriptions& subscriptions = context_.subscriptions;
        EXPECT_TRUE(subscriptions.AddSource(title, link));
        subscriptions.CurrentSource.Link = link;
        EXPECT_TRUE(subscriptions.SourceAction(mSubscriptions::LoadSource));
        return subscriptions.CurrentSource.ID;
    }
    bool storedItem(const std::string& id, const std::string& guid) {
        context_.inbox.CurrentSourceID = id;
        context_.inbox.CurrentItem.Guid = guid;
        return context_.inbox.InboxItemAction(mInbox::LoadItem);
    }

    TempDir app_, data_;
    test::RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    FeedServer server_;
};

const std::string kTwoItems = RssDocument(RssItem("a2", "Second", "Tue, 06 Dec 2026 09:00:00 GMT") +
                                          RssItem("a1", "First", "Mon, 05 Dec 2026 10:00:00 GMT"));

TEST_F(CheckCommandTest, InteractiveCheckPrintsStatesAndBoxesAndTheAnnouncement) {
    server_.serve("/alpha", kTwoItems);
    server_.serve("/bravo", "<html>missing</html>", "text/html", 404);
    subscribe("Alpha", server_.url("/alpha"));
    subscribe("Bravo", server_.url("/bravo"));

    ProcessResult first = ctl({"check", "--online"});
    EXPECT_EQ(first.exitCode, 1) << first.err;
    EXPECT_EQ(first.out, Printed(2, "Alpha"));
    EXPECT_EQ(first.err.rfind("Checking Alpha\n  Resolving Host Route...\n", 0), 0u) << first.err;
    EXPECT_NE(first.err.find("  Server Communication complete.\nChecking Bravo\n"),
              std::string::npos)
        << first.err;
    EXPECT_NE(first.err.find("  Error in reading Server Response!\n"
                             "Error!: Process of checking for new Messages failed! Server "
                             "returned empty Data stream.\n"),
              std::string::npos)
        << first.err;

    server_.serve("/bravo", RssDocument(""));
    ProcessResult second = ctl({"check", "--online"});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(server_.hits("/alpha"), 2);
}

TEST_F(CheckCommandTest, ScheduledCheckIsSilentButForTheAnnouncement) {
    server_.serve("/alpha", kTwoItems);
    server_.serve("/bravo", "not a feed");
    subscribe("Alpha", server_.url("/alpha"));
    subscribe("Bravo", server_.url("/bravo"));
    ProcessResult r = ctl({"check", "--scheduled", "--online"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Printed(2, "Alpha"));
}

TEST_F(CheckCommandTest, LinksChooseTheSourcesToCheck) {
    server_.serve("/alpha", kTwoItems);
    server_.serve("/bravo", kTwoItems);
    subscribe("Alpha", server_.url("/alpha"));
    const std::string bravo = subscribe("Bravo", server_.url("/bravo"));

    ProcessResult r = ctl({"check", "--online", server_.url("/bravo"), server_.url("/bravo")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Printed(2, "Bravo"));
    EXPECT_EQ(server_.hits("/alpha"), 0);
    EXPECT_EQ(server_.hits("/bravo"), 2);
    EXPECT_TRUE(storedItem(bravo, "a2"));

    ProcessResult unknown = ctl({"check", "--online", server_.url("/charlie")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no subscribed source has the link"), std::string::npos);
    EXPECT_EQ(server_.hits("/charlie"), 0);

    ProcessResult usage = ctl({"check", "--later"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--help"), std::string::npos);
}

TEST_F(CheckCommandTest, OfflineCheckFetchesNothing) {
    server_.serve("/alpha", kTwoItems);
    subscribe("Alpha", server_.url("/alpha"));

    ProcessResult interactive = ctl({"check", "--offline"});
    EXPECT_EQ(interactive.exitCode, 1);
    const MessageBoxRequest box = WorkingOfflineMessage();
    EXPECT_EQ(interactive.err, box.caption + ": " + box.text + "\n");
    EXPECT_EQ(interactive.out, "");

    ProcessResult scheduled = ctl({"check", "--offline", "--scheduled", server_.url("/alpha")});
    EXPECT_EQ(scheduled.exitCode, 0);
    EXPECT_EQ(scheduled.err, "");
    EXPECT_EQ(server_.hits("/alpha"), 0);
}

TEST_F(CheckCommandTest, DebugSwitchTakesEveryItemNotStoredAsNew) {
    server_.serve("/alpha", RssDocument(RssItem("a2", "Second", "Tue, 06 Dec 2026 09:00:00 GMT")));
    const std::string alpha = subscribe("Alpha", server_.url("/alpha"));
    ASSERT_EQ(ctl({"check", "--online"}).out, Printed(1, "Alpha"));

    server_.serve("/alpha", kTwoItems);  // a1 is older than the stored a2
    EXPECT_EQ(ctl({"check", "--online", "--scheduled"}).out, "");
    EXPECT_FALSE(storedItem(alpha, "a1"));
    EXPECT_EQ(ctl({"-debug", "check", "--online", "--scheduled"}).out, Printed(1, "Alpha"));
    EXPECT_TRUE(storedItem(alpha, "a1"));
}

// The demo service, started as a program of its own.
class DemoService {
public:
    explicit DemoService(int port) {
        const std::string program = BuiltProgram("vellorin-demo-service");
        if (!std::filesystem::exists(program))
            return;
        // Ten hours between messages: no new one comes during the test.
        std::vector<std::string> args{program, "--port", std::to_string(port), "--interval", "600"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~DemoService() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = 0;
};

TEST_F(CheckCommandTest, DemoServiceFeedsCarryReadableHeaders) {
    int port = 0;
    {
        test::SilentSocket probe;  // a free port, given back at once
        port = probe.port();
    }
    DemoService demo(port);
    if (!demo.started())
        GTEST_SKIP() << "vellorin-demo-service is not built";

    ProcessResult links = RunProcess(BuiltProgram("vellorin-demo-service"),
                                     {"--port", std::to_string(port), "--print-links"});
    ASSERT_EQ(links.exitCode, 0);
    std::istringstream lines(links.out);
    std::string line;
    std::vector<std::string> ids;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_NE(line.find("www.vellorin.net"), std::string::npos);
        ids.push_back(subscribe(line.substr(0, tab), line.substr(tab + 1)));
    }
    ASSERT_GE(ids.size(), 2u);

    // Wait for the service to listen.
    ProcessResult r;
    for (int attempt = 0; attempt < 100; ++attempt) {
        httplib::Client probe("127.0.0.1", port);
        if (probe.Get("/"))
            break;
        std::this_thread::sleep_for(20ms);
    }
    r = ctl({"check", "--online"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("New Messages"), std::string::npos);

    InboxSnapshot stored(data_.file("data/" + ids[0] + "/inbox.dat"));
    ASSERT_FALSE(stored.sections().empty()) << r.err;
    context_.inbox.CurrentSourceID = ids[0];
    context_.inbox.CurrentItem.Guid = std::string(stored.sections()[0]);
    ASSERT_TRUE(context_.inbox.InboxItemAction(mInbox::LoadItem));
    const InboxItem& item = context_.inbox.CurrentItem;
    EXPECT_EQ(item.Guid.rfind("vellorin-demo:announcements:", 0), 0u) << item.Guid;
    const MessageHeader header = ParseHeader(item.Description);
    EXPECT_EQ(header.FromName, "Vellorin Team ");
    EXPECT_EQ(header.FromEmail.rfind("team@vellorin.net", 0), 0u) << header.FromEmail;
    EXPECT_EQ(header.Subject.rfind(item.Title, 0), 0u) << header.Subject;
    EXPECT_EQ(header.Date.rfind(item.Date + " " + item.Time + " " + item.Offset, 0), 0u)
        << header.Date;
    EXPECT_EQ(header.ReplyName, "Vellorin Help Desk ");
    EXPECT_EQ(header.ReplyEmail.rfind("help@vellorin.net", 0), 0u) << header.ReplyEmail;
    EXPECT_EQ(header.Body.rfind("</style>", 0), 0u) << header.Body;
    EXPECT_NE(header.Body.find("of Vellorin Announcements."), std::string::npos);

    // Nothing new a moment later.
    EXPECT_EQ(ctl({"check", "--online"}).out, "");
}

}  // namespace
}  // namespace vellorin
