#include "subscriptions/link_validation.h"

#include <gtest/gtest.h>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "util/cls_crypt.h"

namespace vellorin {
namespace {

TEST(IsSourceLinkTest, TheHostPartMustHoldAnEntryOfTheStoredList) {
    const clsCrypt crypt;
    const std::string service = crypt.Encode("VELLORIN.NET");
    // urls.lst, link, whether it passes
    const std::tuple<std::string, std::string, bool> cases[] = {
        {service, "https://feeds.vellorin.net:8443/abc.xml", true},
        {service, "http://www.example.com/?src=http://www.vellorin.net/", false},
        {service, "HTTP://www.vellorin.net/abc.xml", false},  // only lower-case schemes go
        {crypt.Encode("a.example\r\nfeeds.example.org"), "https://FEEDS.example.ORG/b", true},
        {crypt.Encode("a.example\nb.example"), "http://a.example/", false},  // CR LF only
        {crypt.Encode("VELLORIN.NET\r\n"), "anything", true},
        {crypt.Encode("VELLORIN.NET\r\n"), "http:///no-host", false},  // empty host part
        {"", "http://www.vellorin.net/x", false},
        {service + "x", "http://www.vellorin.net/x", false},  // not Base64
        {"\r\n", "http://www.vellorin.net/x", false},         // decodes to an empty list
    };
    test::TempDir app;
    test::RecordingSeam seam;
    EXPECT_FALSE(IsSourceLink(seam, app.path(), "http://www.vellorin.net/x")) << "no urls.lst";
    for (const auto& [stored, link, passes] : cases) {
        app.write("urls.lst", stored);
        EXPECT_EQ(IsSourceLink(seam, app.path(), link), passes) << link;
    }
    EXPECT_FALSE(IsSourceLink(seam, "", "http://www.vellorin.net/x"));
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_TRUE(HasServiceHost("http://feeds.example.com/?from=WWW.Vellorin.NET"));
    EXPECT_FALSE(HasServiceHost("http://feeds.vellorin.net/abc.xml"));
}

}  // namespace
}  // namespace vellorin
