#include "view/page_resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

TEST(MayLoadPageResourceTest, DataYesFilesOnlyInsideTheFoldersNetworkNever) {
    TempDir dir;
    const std::string data = dir.path() + "/Vellorin Data";
    const std::string app = dir.path() + "/app";
    dir.write("Vellorin Data/pic.png", "p");
    dir.write("app/logo.png", "p");
    dir.write("Vellorin Data2/pic.png", "p");
    dir.write("outside.png", "p");
    // A link inside the data folder that leads out of it.
    std::filesystem::create_symlink(dir.file("outside.png"), data + "/escape.png");
    const std::vector<std::string> folders{data, app + "/"};

    struct Case {
        PageResourceAddress address;
        bool allowed;
    };
    const Case cases[] = {
        {{"data", "", ""}, true},
        {{"DATA", "", ""}, true},
        {{"file", "", data + "/pic.png"}, true},
        {{"FILE", "localhost", app + "/logo.png"}, true},
        {{"file", "", app + "/missing/later.png"}, true},  // a missing file inside still counts
        {{"file", "", data}, true},
        {{"file", "", data + "/../outside.png"}, false},
        {{"file", "", data + "/escape.png"}, false},
        {{"file", "", dir.file("Vellorin Data2/pic.png")}, false},
        {{"file", "", dir.file("outside.png")}, false},
        {{"file", "", "/etc/passwd"}, false},
        {{"file", "", "pic.png"}, false},
        {{"file", "", ""}, false},
        {{"file", "example.org", data + "/pic.png"}, false},
        {{"http", "127.0.0.1", "/x.png"}, false},
        {{"https", "example.org", "/x.css"}, false},
        {{"ftp", "example.org", "/x.png"}, false},
        {{"qrc", "", "/x.png"}, false},
        {{"", "", "x.png"}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MayLoadPageResource(c.address, folders), c.allowed)
            << c.address.scheme << "://" << c.address.host << c.address.path;
    }
    // Folders that name nothing usable allow no file.
    EXPECT_FALSE(MayLoadPageResource({"file", "", data + "/pic.png"}, {"", "relative"}));
}

}  // namespace
}  // namespace vellorin
