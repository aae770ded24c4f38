// A check killed at any moment loses nothing: the next complete check stores every item once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/ctl_fixture.h"
#include "inbox/check_feed_server.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_world.h"
#include "store/profile_journal.h"

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

    // An inbox holding one message older than every item of the feed, or none for a first check.
    void seed(bool firstCheck = false) {
        fs::remove(inbox());
        fs::remove(profile::UndoJournalPath(inbox()));
        if (firstCheck)
            return;
        mInbox& store = world_.context.inbox;
        store.CurrentSourceID = id_;
        store.LoadLatestStamp();
        store.CurrentItem =
            InboxItem{"Old", "old", "Mon, 01 Jan 2024", "00:00:00", "GMT", "old", 1};
        ASSERT_TRUE(store.SaveItem());
    }
    bool writingInbox() const {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(fs::path(inbox()).parent_path(), ec)) {
            if (entry.path().filename().string().starts_with(".inbox.dat.tmp-"))
                return true;
        }
        return false;
    }
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

// Kills spread over a whole check, and kills just as the merge starts writing the feed's items
// (the journal of an append, or the temporary file of a first inbox, appears), when a kill can
// cut the one large write part way. Each time a reader finds all of the feed or none of it, and
// the next complete check stores every item once and leaves no temporary file behind.
TEST_F(InterruptedCheckTest, AKillAtAnyMomentIsMadeGoodByTheNextCompleteCheck) {
    for (bool firstCheck : {false, true}) {
        SCOPED_TRACE(firstCheck ? "first check" : "append");
        const std::size_t before = firstCheck ? 0 : 1;
        seed(firstCheck);
        const auto started = Clock::now();
        ASSERT_EQ(ctl({"check", "--scheduled", "--online"}).exitCode, 0);
        const auto whole = Clock::now() - started;
        ASSERT_EQ(readWhole().size(), kItems + before);

        std::vector<std::pair<bool, Clock::duration>> moments;  // at the write?, then how long
        for (int i = 0; i <= 10; ++i)
            moments.emplace_back(false, whole * i / 10);
        for (auto extra : {0us, 0us, 200us, 500us, 1000us, 2000us, 4000us})
            moments.emplace_back(true, extra);
        int cutDuringWrite = 0;
        for (const auto& [atWrite, delay] : moments) {
            SCOPED_TRACE((atWrite ? "at the write + " : "after ") +
                         std::to_string(
                             std::chrono::duration_cast<std::chrono::microseconds>(delay).count()));
            seed(firstCheck);
            const pid_t pid = startCheck();
            const auto writing = [&] {
                return firstCheck ? writingInbox() : fs::exists(profile::UndoJournalPath(inbox()));
            };
            while (atWrite && !writing() && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
            std::this_thread::sleep_for(delay);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            cutDuringWrite += writing() ? 1 : 0;
            const std::size_t found = readWhole().size();
            EXPECT_TRUE(found == before || found == kItems + before) << found;

            const test::ProcessResult complete = ctl({"check", "--scheduled", "--online"});
            EXPECT_EQ(complete.exitCode, 0) << complete.err;
            const std::vector<std::string> guids = readWhole();
            EXPECT_EQ(std::set<std::string>(guids.begin(), guids.end()).size(), kItems + before);
            EXPECT_EQ(guids.size(), kItems + before);
            EXPECT_FALSE(writingInbox());
        }
        RecordProperty(firstCheck ? "killed_writing_first_inbox" : "killed_during_append",
                       cutDuringWrite);
    }
}

}  // namespace
}  // namespace vellorin
