// A check killed at any moment loses nothing: the next complete check stores every item once.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/ctl_fixture.h"
#include "config/profile_journal.h"
#include "inbox/check_feed_server.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_world.h"

extern char** environ;

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kItems = 3000;

// kItems items, newest first as feeds list them, each a minute older than the one before, with
// descriptions long enough to make the merge's append several megabytes.
std::string LargeFeed() {
    std::string items;
    const std::string body(1500, 'x');
    for (int i = kItems - 1; i >= 0; --i) {
        char date[64];
        std::snprintf(date, sizeof date, "Mon, 05 Dec 2026 %02d:%02d:00 GMT", i / 60 % 24, i % 60);
        const int day = 5 + i / (24 * 60);
        std::string pubDate = date;
        pubDate.replace(5, 2, (day < 10 ? "0" : "") + std::to_string(day));
        items += "<item><title>Item " + std::to_string(i) + "</title><guid>g" + std::to_string(i) +
                 "</guid><pubDate>" + pubDate + "</pubDate><description>" + body +
                 "</description></item>";
    }
    return test::RssDocument(items);
}

class InterruptedCheckTest : public test::CtlTest {
protected:
    InterruptedCheckTest() {
        test::PrepareLocalHttp();
        server_.serve("/large", LargeFeed());
        id_ = world_.subscribe("Large", server_.url("/large"));
    }

    std::string inbox() const { return world_.inboxPath(id_); }

    // An inbox holding one message older than every item of the feed.
    void seed() {
        fs::remove(inbox());
        fs::remove(profile::UndoJournalPath(inbox()));
        mInbox& store = world_.context.inbox;
        store.CurrentSourceID = id_;
        store.LoadLatestStamp();
        store.CurrentItem =
            InboxItem{"Old", "old", "Mon, 01 Jan 2024", "00:00:00", "GMT", "old", 1};
        ASSERT_TRUE(store.SaveItem());
    }

    // Starts a scheduled `vellorinctl check` without waiting for it.
    pid_t startCheck() const {
        const pid_t pid = test::StartProcess(
            {"/usr/bin/env", "XDG_CONFIG_HOME=" + config_.path(), "XDG_DATA_HOME=" + home_.path(),
             "no_proxy=127.0.0.1,localhost", test::BuiltProgram("vellorinctl"), "--app-dir",
             app_.path(), "--data-dir", data(), "check", "--scheduled", "--online"});
        EXPECT_GT(pid, 0);
        return pid;
    }

    // The guids a reader finds now, each checked whole: every key there, the title its own.
    std::vector<std::string> readWhole() const {
        const InboxSnapshot snapshot(inbox());
        std::vector<std::string> guids;
        for (std::string_view section : snapshot.sections()) {
            const std::string guid(section);
            SCOPED_TRACE(guid);
            const std::string title(snapshot.value(section, "title"));
            EXPECT_EQ(title, guid == "old" ? "Old" : "Item " + guid.substr(1));
            EXPECT_EQ(snapshot.value(section, "description").size(), guid == "old" ? 3u : 1500u);
            for (const char* key : {"date", "time", "offset"})
                EXPECT_FALSE(snapshot.value(section, key).empty()) << key;
            EXPECT_EQ(snapshot.value(section, "read"), "0");
            guids.push_back(guid);
        }
        return guids;
    }

    test::InboxWorld world_{app_.path(), data()};
    test::FeedServer server_;
    std::string id_;
};

TEST_F(InterruptedCheckTest, AKillAtAnyMomentIsMadeGoodByTheNextCompleteCheck) {
    // How long one whole check takes here, to spread the kills over it.
    seed();
    const auto started = Clock::now();
    ASSERT_EQ(ctl({"check", "--scheduled", "--online"}).exitCode, 0);
    const auto whole = Clock::now() - started;
    ASSERT_EQ(readWhole().size(), kItems + 1u);

    // Kills spread over the run, and kills just as the merge starts its append (its journal
    // appears), when a kill cuts the one large write part way.
    struct Moment {
        bool atAppend;
        Clock::duration delay;
    };
    std::vector<Moment> moments;
    for (int i = 0; i <= 10; ++i)
        moments.push_back({false, whole * i / 10});
    for (auto extra : {0us, 0us, 200us, 500us, 1000us, 2000us, 4000us})
        moments.push_back({true, extra});

    int cutDuringAppend = 0;
    for (const Moment& moment : moments) {
        SCOPED_TRACE(
            std::string(moment.atAppend ? "at the append + " : "after ") +
            std::to_string(
                std::chrono::duration_cast<std::chrono::microseconds>(moment.delay).count()) +
            " us");
        seed();
        const pid_t pid = startCheck();
        if (moment.atAppend) {
            const std::string journal = profile::UndoJournalPath(inbox());
            while (!fs::exists(journal) && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
        }
        std::this_thread::sleep_for(moment.delay);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (fs::exists(profile::UndoJournalPath(inbox())))
            ++cutDuringAppend;

        // A reader never meets a torn message: it finds all of the feed or none of it.
        const std::size_t found = readWhole().size();
        EXPECT_TRUE(found == 1 || found == kItems + 1u) << found;

        const test::ProcessResult complete = ctl({"check", "--scheduled", "--online"});
        EXPECT_EQ(complete.exitCode, 0) << complete.err;
        const std::vector<std::string> guids = readWhole();
        EXPECT_EQ(guids.size(), kItems + 1u);
        EXPECT_EQ(std::set<std::string>(guids.begin(), guids.end()).size(), kItems + 1u);
    }
    RecordProperty("killed_during_append", cutDuringAppend);
}

}  // namespace
}  // namespace vellorin
