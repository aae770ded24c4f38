#include "subscriptions/link_validation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "util/cls_crypt.h"

namespace vellorin {
namespace {

TEST(SourceLinkHostPartTest, RemovesTheLowerCaseSchemeUpperCasesAndCutsAtTheFirstSlash) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://www.vellorin.net/sources/1.xml", "WWW.VELLORIN.NET"},
        {"https://localhost:8443", "LOCALHOST:8443"},
        {"HTTPs://www.vellorin.net/", "HTTPS:"},  // only lower-case schemes go
        {"/sources/1.xml", ""},
        // Every occurrence goes, in one pass from left to right.
        {"http://a.example?u=http://b.example/x", "A.EXAMPLE?U=B.EXAMPLE"},
        {"hthttp://tp://host/", "HTTP:"},
    };
    for (const auto& [link, host] : cases)
        EXPECT_EQ(SourceLinkHostPart(link), host) << link;
    EXPECT_TRUE(HasServiceHost("http://feeds.example.com/?from=WWW.Vellorin.NET"));
    EXPECT_FALSE(HasServiceHost("http://feeds.vellorin.net/abc.xml"));
}

TEST(IsSourceLinkTest, TheHostPartMustHoldAnEntryOfTheStoredList) {
    const clsCrypt crypt;
    std::string withBreaks = crypt.Encode("ONE.EXAMPLE\r\nVELLORIN.NET");
    withBreaks.insert(4, "\r\n");
    struct Case {
        const char* name;
        std::string stored;  // the bytes of urls.lst
        std::vector<std::pair<std::string, bool>> links;
    };
    const std::vector<std::pair<std::string, bool>> none = {{"http://www.vellorin.net/x", false}};
    const Case cases[] = {
        {"a fragment of the host part",
         crypt.Encode("VELLORIN.NET"),
         {{"https://feeds.vellorin.net:8443/abc.xml", true},
          {"http://vellorin.network/", true},
          {"http://www.example.com/?src=http://www.vellorin.net/", false},
          {"HTTP://www.vellorin.net/abc.xml", false}}},
        {"entries tried in order, letter case ignored",
         crypt.Encode("vellorin.net\r\nfeeds.example.org\r\nHTTP:"),
         {{"https://FEEDS.example.ORG/b", true}, {"http://www.other.example/", false}}},
        {"only CR LF separates entries",
         crypt.Encode("a.example\nb.example"),
         {{"http://a.example/", false}}},
        {"an empty entry is in every host part, but not in an empty one",
         crypt.Encode("VELLORIN.NET\r\n"),
         {{"anything", true}, {"http:///no-host", false}, {"", false}}},
        {"line breaks in the stored text are ignored",
         withBreaks + "\r\n",
         {{"https://www.vellorin.net/", true}, {"https://two.example/", false}}},
        {"empty file", "", none},
        {"blank file", "     ", none},
        {"length not a multiple of 4", crypt.Encode("VELLORIN.NET") + "x", none},
        {"decodes to an empty list", "\r\n", none},
    };
    test::TempDir app;
    test::RecordingSeam seam;
    EXPECT_FALSE(IsSourceLink(seam, app.path(), none[0].first)) << "no urls.lst";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.write("urls.lst", c.stored);
        for (const auto& [link, passes] : c.links)
            EXPECT_EQ(IsSourceLink(seam, app.path(), link), passes) << link;
    }
    EXPECT_TRUE(seam.boxes.empty());
}

TEST(IsSourceLinkTest, TheListIsReadAfreshFromTheNamedApplicationFolderOnly) {
    test::TempDir app;
    test::RecordingSeam seam;
    app.write("urls.lst", clsCrypt().Encode("ONE.EXAMPLE"));
    EXPECT_TRUE(IsSourceLink(seam, app.path() + "/", "http://one.example/"));
    EXPECT_FALSE(IsSourceLink(seam, "", "http://one.example/"));
    app.write("urls.lst", clsCrypt().Encode("TWO.EXAMPLE"));
    EXPECT_FALSE(IsSourceLink(seam, app.path(), "http://one.example/"));
    EXPECT_TRUE(IsSourceLink(seam, app.path(), "http://two.example/"));
    std::filesystem::remove(app.file("urls.lst"));
    EXPECT_FALSE(IsSourceLink(seam, app.path(), "http://two.example/"));

    // The shipped list holds the service's fragment.
    const std::string resources = VELLORIN_RESOURCES_DIR;
    EXPECT_EQ(test::TempDir::read(resources + "/urls.lst"), clsCrypt().Encode("VELLORIN.NET"));
    EXPECT_TRUE(IsSourceLink(seam, resources, "https://www.vellorin.net/sources/1234.xml"));
    EXPECT_FALSE(IsSourceLink(seam, resources, "https://www.example.com/?u=www.vellorin.net"));
}

}  // namespace
}  // namespace vellorin
