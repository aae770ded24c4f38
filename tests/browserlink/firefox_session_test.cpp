#include "browserlink/firefox_session.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "browserlink/session_file.h"
#include "browserlink/url_monitor.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::MozLz4;
using test::SessionJson;

constexpr const char* kRecovery = "sessionstore-backups/recovery.jsonlz4";

// Gives a file a modification time of its own, so that a rewrite within the file system's time
// step still counts as a change.
void Touch(const std::string& path, int second) {
    fs::last_write_time(path, fs::file_time_type(std::chrono::seconds(1'700'000'000 + second)));
}

TEST(FirefoxSessionTest, DefaultProfileByInstallThenDefaultThenFirst) {
    test::TempDir root;
    // profiles.ini, the profile folder expected (relative to the root unless absolute)
    const std::pair<std::string, std::string> cases[] = {
        {test::ProfilesIni("abc.default-release"), "abc.default-release"},
        {"[Profile1]\nName=x\nIsRelative=1\nPath=Profiles/x\n\n"
         "[Profile0]\nName=y\nIsRelative=1\nPath=Profiles/y\nDefault=1\n",
         "Profiles/y"},
        {"[Profile0]\nName=x\nIsRelative=1\nPath=first\n[Profile1]\nPath=second\n", "first"},
        {"[Profile0]\nIsRelative=0\nPath=/opt/profile\nDefault=1\n", "/opt/profile"},
        {"[General]\nVersion=2\n", ""},
    };
    for (const auto& [ini, folder] : cases) {
        root.write("profiles.ini", ini);
        const std::string expected = folder.empty()          ? ""
                                     : folder.front() == '/' ? folder
                                                             : root.path() + "/" + folder;
        EXPECT_EQ(DefaultFirefoxProfile(root.path()), expected) << ini;
    }
    EXPECT_EQ(DefaultFirefoxProfile(root.path() + "/missing"), "");
}

TEST(FirefoxSessionTest, SelectedTabOfTheSelectedWindow) {
    EXPECT_EQ(SessionAddressReply(SessionJson("https://www.vellorin.net/inbox", "Inbox")),
              MakeAddressReply("https://www.vellorin.net/inbox", "Inbox"));
    // Documents that answer nothing, and one whose entry has no title.
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {R"({"windows":[],"selectedWindow":1})", std::nullopt},
        {R"({"windows":[{"tabs":[{"entries":[{"url":"u"}],"index":1}],"selected":1}]})",
         std::nullopt},  // no selectedWindow
        {R"({"selectedWindow":0,"windows":[{"tabs":[],"selected":1}]})", std::nullopt},
        {R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[],"index":1}],"selected":1}]})",
         std::nullopt},
        {R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[{"url":"u"}],"index":2}],)"
         R"("selected":1}]})",
         std::nullopt},
        {R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[{"title":"t"}],"index":1}],)"
         R"("selected":1}]})",
         std::nullopt},
        {R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[{"url":"u"}],"index":1}],)"
         R"("selected":1}]})",
         MakeAddressReply("u", "")},
        {R"({"selectedWindow":"1","windows":{}})", std::nullopt},
        {"not json", std::nullopt},
        {R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[{"url":"u"}])", std::nullopt},
    };
    for (const auto& [json, reply] : cases)
        EXPECT_EQ(SessionAddressReply(json), reply) << json;
}

TEST(FirefoxSessionTest, DecodesTheContainerAndRefusesDamage) {
    const std::string json = SessionJson("https://a.example/", "A");
    const std::string file = MozLz4(json);
    EXPECT_EQ(DecodeMozLz4(file), json);
    std::string wrongMagic = file;
    wrongMagic[0] = 'M';
    std::string wrongSize = file;
    wrongSize[8] = static_cast<char>(wrongSize[8] + 1);
    std::string hugeSize = file;
    hugeSize[11] = '\x7f';
    std::string damaged = file;
    for (std::size_t i = 12; i < damaged.size(); i += 3)
        damaged[i] = '\xff';
    for (const std::string& bad :
         {wrongMagic, wrongSize, hugeSize, damaged, file.substr(0, file.size() / 2),
          file.substr(0, 11), std::string()})
        EXPECT_EQ(DecodeMozLz4(bad), std::nullopt) << bad.size();
}

struct Home {
    Home() {
        root = home.path() + "/.mozilla/firefox";
        home.write(".mozilla/firefox/profiles.ini", test::ProfilesIni("p.default-release"));
        session = root + "/p.default-release/" + kRecovery;
    }
    void write(const std::string& bytes, int second) const {
        home.write(".mozilla/firefox/p.default-release/" + std::string(kRecovery), bytes);
        Touch(session, second);
    }
    test::TempDir home;
    std::string root;
    std::string session;
};

TEST(FirefoxSessionTest, ReadsTheSessionFileOnlyWhenItChanged) {
    Home h;
    FirefoxSessionSource source(FirefoxProfileRoots(h.home.path()));
    EXPECT_EQ(source.request(), std::nullopt) << "Firefox not running: no session file";
    h.write(MozLz4(SessionJson("https://a.example/", "A")), 1);
    const std::optional<std::string> a = MakeAddressReply("https://a.example/", "A");
    EXPECT_EQ(source.request(), a);
    EXPECT_EQ(source.request(), a);
    EXPECT_EQ(source.reads(), 1);
    h.write(MozLz4(SessionJson("https://b.example/", "B")), 2);
    EXPECT_EQ(source.request(), MakeAddressReply("https://b.example/", "B"));
    EXPECT_EQ(source.reads(), 2);

    // A damaged, a truncated and a windowless file answer nothing, once read each.
    const std::string good = MozLz4(SessionJson("https://c.example/", "C"));
    std::string damaged = good;
    damaged[20] = '\xff';
    damaged[21] = '\xff';
    int second = 3;
    for (const std::string& bad : {damaged, good.substr(0, good.size() - 10),
                                   MozLz4(R"({"windows":[]})"), std::string("mozLz40")}) {
        h.write(bad, second++);
        EXPECT_EQ(source.request(), std::nullopt);
        EXPECT_EQ(source.request(), std::nullopt);
    }
    EXPECT_EQ(source.reads(), 6);
    h.write(good, second);
    EXPECT_EQ(source.request(), MakeAddressReply("https://c.example/", "C"));
    // Firefox ended: its session file is gone.
    fs::remove(h.session);
    EXPECT_EQ(source.request(), std::nullopt);
}

TEST(FirefoxSessionTest, FindsSnapAndFlatpakProfilesAndTakesTheNewestSession) {
    test::TempDir home;
    const std::string snap = "snap/firefox/common/.mozilla/firefox/";
    const std::string flatpak = ".var/app/org.mozilla.firefox/.mozilla/firefox/";
    FirefoxSessionSource source(FirefoxProfileRoots(home.path()));
    EXPECT_EQ(source.request(), std::nullopt);
    // Installed while the client runs: profiles.ini appears, then the session file.
    home.write(snap + "profiles.ini", test::ProfilesIni("s.default"));
    home.write(snap + "s.default/" + kRecovery, MozLz4(SessionJson("https://snap.example/", "S")));
    Touch(home.file(snap + "s.default/" + kRecovery), 10);
    EXPECT_EQ(source.request(), MakeAddressReply("https://snap.example/", "S"));

    FirefoxSessionSource both(FirefoxProfileRoots(home.path()));
    home.write(flatpak + "profiles.ini", test::ProfilesIni("f.default"));
    home.write(flatpak + "f.default/" + kRecovery,
               MozLz4(SessionJson("https://flatpak.example/", "F")));
    Touch(home.file(flatpak + "f.default/" + kRecovery), 20);
    EXPECT_EQ(both.request(), MakeAddressReply("https://flatpak.example/", "F"));
    Touch(home.file(snap + "s.default/" + kRecovery), 30);
    EXPECT_EQ(both.request(), MakeAddressReply("https://snap.example/", "S"));
}

TEST(FirefoxSessionTest, TheMonitorReportsWhatTheSessionFileShows) {
    Home h;
    std::vector<std::string> seen;
    clsURLMon mon(std::make_unique<FirefoxSessionSource>(FirefoxProfileRoots(h.home.path())),
                  std::make_unique<SilentAddressSource>(), nullptr);
    mon.URLChanged = [&](int, const std::string& url) { seen.push_back(url); };
    mon.TitleChanged = [&](const std::string& title) { seen.push_back("title " + title); };
    mon.MonitorFireFox = true;
    h.write(MozLz4(SessionJson("https://www.vellorin.net/", "Vellorin")), 1);
    mon.myTimer_ThatTime();
    mon.myTimer_ThatTime();
    h.write("damaged", 2);
    mon.myTimer_ThatTime();
    EXPECT_EQ(seen, (std::vector<std::string>{"https://www.vellorin.net/", "title Vellorin"}));
}

}  // namespace
}  // namespace vellorin
