#include "view/message_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "view/message_tree_fixture.h"
#include "view/search_fold.h"

namespace vellorin {
namespace {

using test::kSourceA;
using test::kSourceB;
using Strings = std::vector<std::string>;

TEST(SearchFoldTest, CaseAndAccentsDoNotCount) {
    const std::pair<std::string, std::string> cases[] = {
        {"AZaz Hello", "azaz hello"},
        {"\xC3\x89lan \xC3\xA9LAN", "elan elan"},  // Élan éLAN
        {"Stra\u00DFe", "strasse"},
        {"na\u00EFve\xFF!", "naive!"},  // a broken byte is dropped
        {"", ""}};
    for (const auto& [text, folded] : cases)
        EXPECT_EQ(FoldForSearch(text), folded) << text;
}

class MessageSearchTest : public test::MessageTreeTest {
protected:
    std::string find(const std::string& query) {  // the guids found, each followed by a blank
        std::string guids;
        for (const TreeNode* node : search_.find(tree_, query))
            guids += node->tag() + " ";
        return guids;
    }
    MessageSearch search_{context_};
};

TEST_F(MessageSearchTest, MatchesTitleSenderAndTextButNotMarkup) {
    // title, sender, not the reply-to address, text; in tree order (newest day first); no markup
    for (const char* query : {"weekly", "JANE", "jane@example.com", "hello jane report"})
        EXPECT_EQ(find(query), "m1 ") << query;
    for (const char* query : {"desk@example", "margin", "style", "newest hello", "   "})
        EXPECT_EQ(find(query), "") << query;
    EXPECT_EQ(find("body"), "m3 m2 ");
    EXPECT_EQ(find("newest body"), "m3 ");
}

TEST_F(MessageSearchTest, SeesWhatIsStoredNowAndOnlyNodesOfTheTree) {
    search_.prepare(tree_);
    EXPECT_EQ(search_.indexedMessages(), 3u);
    EXPECT_EQ(find("news"), "m2 ");
    writeInbox(kSourceA, test::InboxSection("m2", "Old n\xC3\xA9ws", "Sun, 04 Dec 2026", "1") +
                             test::InboxSection("m9", "Fresh news", "Sun, 04 Dec 2026", "0"));
    EXPECT_EQ(find("NEWS"), "m2 ");  // m9 has no node yet
    reload();
    EXPECT_EQ(find("news"), "m2 m9 ");
    EXPECT_EQ(search_.indexedMessages(), 2u);
    writeInbox(kSourceB, test::InboxSection("b1", "news", "Sun, 04 Dec 2026", "0"));
    reload();
    std::filesystem::remove(data_.file("data/") + kSourceB + "/inbox.dat");
    EXPECT_EQ(find("news"), "m2 m9 ");
}

}  // namespace
}  // namespace vellorin
