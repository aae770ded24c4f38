#include "subscriptions/link_validation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "util/cls_crypt.h"

namespace vellorin {
namespace {

struct LinkCase {
    std::string link;
    bool passes;
};

TEST(HasServiceHostTest, LooksForTheWwwHostAnywhereWithoutRegardToCase) {
    const std::vector<LinkCase> cases = {
        {"http://www.vellorin.net/sources/abc.xml", true},
        {"https://www.vellorin.net", true},
        {"HTTPS://WWW.VELLORIN.NET/SOURCES/ABC.XML", true},
        {"www.Vellorin.Net/x", true},
        {"http://feeds.example.com/?from=www.vellorin.net", true},
        {"http://example.com/www.vellorin.net/feed", true},
        {"http://vellorin.net/sources/abc.xml", false},
        {"http://feeds.vellorin.net/abc.xml", false},
        {"http://www.vellorin.org/", false},
        {"http://www-vellorin.net/", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(HasServiceHost(c.link), c.passes);
    }
}

TEST(SourceLinkHostPartTest, RemovesTheLowerCaseSchemeUpperCasesAndCutsAtTheFirstSlash) {
    struct Case {
        std::string link;
        std::string host;
    };
    const std::vector<Case> cases = {
        {"http://www.vellorin.net/sources/1.xml", "WWW.VELLORIN.NET"},
        {"https://www.vellorin.net/sources/1.xml", "WWW.VELLORIN.NET"},
        {"http://feeds.vellorin.net:8080/a", "FEEDS.VELLORIN.NET:8080"},
        {"https://localhost:8443", "LOCALHOST:8443"},
        // Capital schemes are not removed: the host part is the scheme and its colon.
        {"HTTP://www.vellorin.net/", "HTTP:"},
        {"HTTPS://www.vellorin.net/", "HTTPS:"},
        {"Https://www.vellorin.net/", "HTTPS:"},
        // "https" in any case decides which prefix is removed; only lower-case matches go.
        {"HTTPs://www.vellorin.net/", "HTTPS:"},
        {"https://a.example/?next=http://b.example", "A.EXAMPLE"},
        // Without a scheme everything before the first "/".
        {"www.vellorin.net/sources/1.xml", "WWW.VELLORIN.NET"},
        {"www.vellorin.net", "WWW.VELLORIN.NET"},
        {"/sources/1.xml", ""},
        {"", ""},
        // Every occurrence is removed, the second one included.
        {"http://http://www.vellorin.net/x", "WWW.VELLORIN.NET"},
        {"http://a.example?u=http://b.example/x", "A.EXAMPLE?U=B.EXAMPLE"},
        {"https://x.example?u=https://y.example", "X.EXAMPLE?U=Y.EXAMPLE"},
        // A removal that joins a new "http://" leaves it: one pass from left to right.
        {"hthttp://tp://host/", "HTTP:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(SourceLinkHostPart(c.link), c.host);
    }
}

// An application folder of its own with a urls.lst written by our encoder.
class IsSourceLinkTest : public ::testing::Test {
protected:
    void writeList(const std::string& decodedList) { writeRaw(clsCrypt().Encode(decodedList)); }
    void writeRaw(const std::string& bytes) { app_.write("urls.lst", bytes); }
    bool check(const std::string& link) { return IsSourceLink(seam_, app_.path(), link); }

    void expectAll(const std::vector<LinkCase>& cases) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.link);
            EXPECT_EQ(check(c.link), c.passes);
        }
        EXPECT_TRUE(seam_.boxes.empty());
    }

    test::TempDir app_;
    test::RecordingSeam seam_;
};

TEST_F(IsSourceLinkTest, WithoutAUsableListNoLinkPasses) {
    const std::vector<std::string> links = {"http://www.vellorin.net/x", "https://anything/"};
    const std::vector<std::string> files = {
        "",                                       // empty
        "     ",                                  // blank
        clsCrypt().Encode("VELLORIN.NET") + "x",  // length not a multiple of 4
        "VkVMTE9SSU4uTkV",                        // one character short
        "\r\n",                                   // decodes to an empty list: no entries
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link);
        EXPECT_FALSE(check(link));  // no urls.lst at all
    }
    for (const auto& content : files) {
        SCOPED_TRACE(content);
        writeRaw(content);
        for (const auto& link : links) {
            SCOPED_TRACE(link);
            EXPECT_FALSE(check(link));
        }
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(IsSourceLinkTest, AListedFragmentInsideTheHostPartPasses) {
    writeList("VELLORIN.NET");
    expectAll({
        {"http://www.vellorin.net/sources/abc.xml", true},
        {"https://feeds.vellorin.net/abc.xml", true},
        {"https://www.vellorin.net:8443/abc.xml", true},
        {"www.vellorin.net/abc.xml", true},
        {"http://vellorin.network/", true},  // a fragment, not a whole host name
        {"http://www.example.com/vellorin.net/abc.xml", false},
        {"http://www.example.com/?src=http://www.vellorin.net/", false},
        {"HTTP://www.vellorin.net/abc.xml", false},  // host part is "HTTP:"
        {"http://www.vellorin.org/", false},
        {"", false},
    });
}

TEST_F(IsSourceLinkTest, EntriesAreTriedInOrderAndMatchWithoutRegardToCase) {
    writeList("vellorin.net\r\nfeeds.example.org\r\nHTTP:");
    expectAll({
        {"http://www.vellorin.net/a", true},
        {"https://FEEDS.example.ORG/b", true},
        {"HTTP://www.other.example/", true},
        {"http://www.other.example/", false},
        {"https://example.org/", false},
    });
}

TEST_F(IsSourceLinkTest, OnlyCrLfSeparatesEntries) {
    writeList("a.example\nb.example\rc.example");
    expectAll({
        {"http://a.example/", false},
        {"http://b.example/", false},
        {"http://c.example/", false},
    });
}

TEST_F(IsSourceLinkTest, AListEndingInCrLfLetsEveryNonEmptyHostPass) {
    writeList("VELLORIN.NET\r\n");
    expectAll({
        {"http://www.example.com/", true},
        {"anything", true},
        {"http:///no-host", false},
        {"/no-host", false},
        {"", false},
    });
}

TEST_F(IsSourceLinkTest, LineBreaksInTheStoredListAreIgnored) {
    std::string encoded = clsCrypt().Encode("ONE.EXAMPLE\r\nVELLORIN.NET");
    encoded.insert(4, "\r\n");
    encoded.insert(9, "\n");
    encoded += "\r\n";
    writeRaw(encoded);
    expectAll({{"https://www.vellorin.net/", true}, {"https://two.example/", false}});
}

TEST_F(IsSourceLinkTest, TheListIsReadAfreshAtEveryCall) {
    writeList("ONE.EXAMPLE");
    EXPECT_TRUE(check("http://one.example/"));
    writeList("TWO.EXAMPLE");
    EXPECT_FALSE(check("http://one.example/"));
    EXPECT_TRUE(check("http://two.example/"));
    std::remove(app_.file("urls.lst").c_str());
    EXPECT_FALSE(check("http://two.example/"));
}

TEST_F(IsSourceLinkTest, AnUnknownApplicationFolderHasNoList) {
    writeList("VELLORIN.NET");
    EXPECT_FALSE(IsSourceLink(seam_, "", "http://www.vellorin.net/"));
    EXPECT_TRUE(IsSourceLink(seam_, app_.path() + "/", "http://www.vellorin.net/"));
}

TEST(ShippedUrlListTest, DecodesToTheServiceFragmentAndAcceptsServiceLinks) {
    const std::string resources = VELLORIN_RESOURCES_DIR;
    const std::string stored = test::TempDir::read(resources + "/urls.lst");
    clsCrypt crypt;
    EXPECT_EQ(stored, crypt.Encode("VELLORIN.NET"));
    ASSERT_TRUE(crypt.IsDecodable(stored));
    EXPECT_EQ(crypt.Decode(stored), "VELLORIN.NET");

    test::RecordingSeam seam;
    EXPECT_TRUE(IsSourceLink(seam, resources, "https://www.vellorin.net/sources/1234.xml"));
    EXPECT_TRUE(IsSourceLink(seam, resources, "http://feeds.vellorin.net/abc"));
    EXPECT_FALSE(IsSourceLink(seam, resources, "https://www.example.com/feed.xml"));
    EXPECT_FALSE(IsSourceLink(seam, resources, "https://www.example.com/?u=www.vellorin.net"));
    EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace
}  // namespace vellorin
