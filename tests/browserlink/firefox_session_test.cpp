#include "browserlink/firefox_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "browserlink/session_file.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::MozLz4;
using test::SessionJson;

constexpr const char* kRecovery = "sessionstore-backups/recovery.jsonlz4";

// A modification time of its own, so that a rewrite within the file system's time step counts.
void Touch(const std::string& path, int second) {
    fs::last_write_time(path, fs::file_time_type(std::chrono::seconds(1'700'000'000 + second)));
}

// The answer once every read the requests started has ended, as the next tick finds it.
std::optional<std::string> Settled(FirefoxSessionSource& source) {
    for (;;) {
        source.waitForRead();
        const int reads = source.reads();
        std::optional<std::string> answer = source.request();
        if (source.reads() == reads)
            return answer;
    }
}

TEST(FirefoxSessionTest, EveryProfileOfProfilesIniInstalledThenDefaultThenTheRest) {
    test::TempDir root;
    using Folders = std::vector<std::string>;
    const std::pair<std::string, Folders> cases[] = {
        {test::ProfilesIni("abc.default-release"), {"abc.default-release"}},
        {"[Profile1]\nName=x\nIsRelative=1\nPath=Profiles/x\n\n"
         "[Profile0]\nName=y\nIsRelative=1\nPath=Profiles/y\nDefault=1\n",
         {"Profiles/y", "Profiles/x"}},
        {"[Profile0]\nName=x\nIsRelative=1\nPath=first\n[Profile1]\nPath=second\n",
         {"first", "second"}},
        {"[Profile0]\nIsRelative=0\nPath=/opt/profile\nDefault=1\n", {"/opt/profile"}},
        {"[Profile0]\nPath=work\n[InstallB]\nDefault=dev\n[InstallA]\nDefault=work\n"
         "[Profile1]\nPath=dev\nDefault=1\n[Profile2]\nPath=play\n",
         {"dev", "work", "play"}},
        {"[General]\nVersion=2\n", {}},
    };
    for (const auto& [ini, folders] : cases) {
        root.write("profiles.ini", ini);
        Folders expected;
        for (const std::string& f : folders)
            expected.push_back(f.front() == '/' ? f : root.path() + "/" + f);
        EXPECT_EQ(FirefoxProfileFolders(root.path()), expected) << ini;
    }
    EXPECT_EQ(FirefoxProfileFolders(root.path() + "/missing"), Folders{});
}

TEST(FirefoxSessionTest, SelectedTabOfTheSelectedWindow) {
    EXPECT_EQ(SessionAddressReply(SessionJson("https://www.vellorin.net/inbox", "Inbox")),
              MakeAddressReply("https://www.vellorin.net/inbox", "Inbox"));
    const std::string one = R"({"selectedWindow":1,"windows":[{"tabs":[{"entries":[)";
    EXPECT_EQ(SessionAddressReply(one + R"({"url":"u"}],"index":1}],"selected":1}]})"),
              MakeAddressReply("u", ""));
    for (const std::string& json : std::vector<std::string>{
             R"({"windows":[],"selectedWindow":1})",
             R"({"windows":[{"tabs":[{"entries":[{"url":"u"}],"index":1}],"selected":1}]})",
             R"({"selectedWindow":0,"windows":[{"tabs":[],"selected":1}]})",
             one + R"(],"index":1}],"selected":1}]})",
             one + R"({"url":"u"}],"index":2}],"selected":1}]})",
             one + R"({"title":"t"}],"index":1}],"selected":1}]})",
             R"({"selectedWindow":"1","windows":{}})", "not json", one + R"({"url":"u"}])"})
        EXPECT_EQ(SessionAddressReply(json), std::nullopt) << json;
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

// Read off the requesting thread: the answer of a read comes with the next request after it.
TEST(FirefoxSessionTest, ReadsTheSessionFileOnlyWhenItChanged) {
    Home h;
    FirefoxSessionSource source(FirefoxProfileRoots(h.home.path()));
    int done = 0;
    source.setReadDone([&] { ++done; });
    EXPECT_EQ(Settled(source), std::nullopt) << "Firefox not running: no session file";
    h.write(MozLz4(SessionJson("https://a.example/", "A")), 1);
    const std::optional<std::string> a = MakeAddressReply("https://a.example/", "A");
    EXPECT_EQ(source.request(), std::nullopt);
    EXPECT_EQ(Settled(source), a);
    EXPECT_EQ(source.request(), a);
    EXPECT_EQ(source.reads(), 1);
    const std::string big =
        "{" + std::string(1 << 20, ' ') + SessionJson("https://z/", "Z").substr(1);
    h.write(MozLz4(big), 2);
    EXPECT_EQ(source.request(), a);
    h.write(MozLz4(SessionJson("https://b.example/", "B")), 3);
    EXPECT_EQ(Settled(source), MakeAddressReply("https://b.example/", "B"));
    EXPECT_EQ(done, source.reads());

    const int reads = source.reads();
    std::string damaged = MozLz4(SessionJson("https://c.example/", "C"));
    damaged[20] = damaged[21] = '\xff';
    h.write(damaged, 4);
    EXPECT_EQ(Settled(source), std::nullopt);
    EXPECT_EQ(source.request(), std::nullopt);
    EXPECT_EQ(source.reads(), reads + 1);
    h.write(MozLz4(SessionJson("https://b.example/", "B")), 5);
    EXPECT_EQ(Settled(source), MakeAddressReply("https://b.example/", "B"));
    fs::remove(h.session);  // Firefox ended
    EXPECT_EQ(source.request(), std::nullopt);
}

TEST(FirefoxSessionTest, FindsEveryBuildsProfilesAndTakesTheNewestSession) {
    test::TempDir home;
    test::TempDir config;
    const std::string snap = "snap/firefox/common/.mozilla/firefox/";
    const std::string flatpak = ".var/app/org.mozilla.firefox/.mozilla/firefox/";
    EXPECT_EQ(FirefoxProfileRoots("/h", "/c"),
              (std::vector<std::string>{"/c/mozilla/firefox", "/h/.mozilla/firefox",
                                        "/h/" + snap.substr(0, snap.size() - 1),
                                        "/h/" + flatpak.substr(0, flatpak.size() - 1)}));
    // An unset or relative $XDG_CONFIG_HOME means ~/.config.
    for (const char* unset : {"", "relative/config"})
        EXPECT_EQ(FirefoxProfileRoots("/h", unset).front(), "/h/.config/mozilla/firefox");

    FirefoxSessionSource source(FirefoxProfileRoots(home.path()));
    EXPECT_EQ(Settled(source), std::nullopt);
    // Installed while the client runs: profiles.ini appears, then the session file.
    home.write(snap + "profiles.ini", test::ProfilesIni("s.default"));
    home.write(snap + "s.default/" + kRecovery, MozLz4(SessionJson("https://snap.example/", "S")));
    Touch(home.file(snap + "s.default/" + kRecovery), 10);
    EXPECT_EQ(Settled(source), MakeAddressReply("https://snap.example/", "S"));

    FirefoxSessionSource all(FirefoxProfileRoots(home.path(), config.path()));
    home.write(flatpak + "profiles.ini", test::ProfilesIni("f.default"));
    const auto newest = [&](test::TempDir& folder, const std::string& profile, int second,
                            const std::string& address) {
        SCOPED_TRACE(address);
        const std::string file = folder.file(profile + kRecovery);
        if (!fs::exists(file))
            folder.write(profile + kRecovery, MozLz4(SessionJson(address, "T")));
        Touch(file, second);
        EXPECT_EQ(Settled(all),
                  MakeAddressReply(address, address.starts_with("https://snap") ? "S" : "T"));
    };
    newest(home, flatpak + "f.default/", 20, "https://flatpak.example/");
    newest(home, snap + "s.default/", 30, "https://snap.example/");
}

}  // namespace
}  // namespace vellorin
