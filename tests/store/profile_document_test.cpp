#include "store/profile_document.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vellorin::profile {
namespace {

// Every value of every named section of `text` as a reader asks for them.
std::map<std::string, std::map<std::string, std::string>> ContentsOf(const std::string& text) {
    const ProfileDocument doc(text);
    const auto split = [](const std::string& list) {
        std::vector<std::string> names;
        for (size_t from = 0, nul; (nul = list.find('\0', from)) != std::string::npos;
             from = nul + 1)
            names.push_back(list.substr(from, nul - from));
        return names;
    };
    std::map<std::string, std::map<std::string, std::string>> out;
    for (const std::string& section : split(doc.sectionNames())) {
        for (const std::string& key : split(doc.keyNames(section)))
            out[section][key] = doc.findValue(section, key).value_or("DEF");
        out[section];
    }
    out.erase("");  // a nameless section stands for nothing
    return out;
}

// Each step of a blanking writes some of its bytes before a crash: the section is whole or gone.
TEST(ProfileDocumentTest, ACrashDuringABlankingLeavesTheSectionWholeOrGone) {
    const std::pair<std::string, std::string> cases[] = {
        // The section above lacks keys; a value holds headers; a line starts with [.
        {"[m1]\r\ntitle=one\r\n[http://x/?id=2&a=b]\r\ntitle=two\r\n"
         "description=see [m1] and [new]\r\n  [not a header\r\ndate=Mon\r\n; note\r\nread=0\r\n"
         "\r\n[m3]\r\ntitle=three\r\nread=1\r\n",
         "http://x/?id=2&a=b"},
        {"; top\r\nx=1\r\n[g]\r\ntitle=t\r\nread=0\r\n[h]\r\nk=v\r\n", "g"},  // lines above it
        // The last section, LF lines with blanks, the file cut after a CR.
        {"[h]\nk=v\n  [ g\tx ]  \t\n\ttitle = t [h] \nk=w=\n=\nread=0\r", "g\tx"},
    };
    std::mt19937 rng(5);
    for (const auto& [original, section] : cases) {
        SCOPED_TRACE(section);
        const auto whole = ContentsOf(original);
        ASSERT_EQ(whole.count(section), 1u);
        auto gone = whole;
        gone.erase(section);
        const std::optional<Blanking> blanking = ProfileDocument(original).blankSection(section);
        ASSERT_TRUE(blanking);
        std::string text = original;
        for (const auto& step : blanking->steps) {
            std::string next = text;
            for (const Patch& p : step)
                next.replace(p.offset, p.data.size(), p.data);
            ASSERT_EQ(next.size(), text.size());
            for (int n = 0; n < 400; ++n) {
                std::string torn = text;
                for (size_t i = 0; i < text.size(); ++i)
                    torn[i] = (n < 2 ? n == 1 : rng() % 2) ? next[i] : text[i];
                const auto now = ContentsOf(torn);
                ASSERT_TRUE(now == whole || now == gone) << torn;
            }
            text = next;
        }
        EXPECT_EQ(ContentsOf(text), gone);
        const ProfileDocument::Edit removed = ProfileDocument(original).removeSection(section);
        EXPECT_EQ(ProfileDocument(text).compacted(), ProfileDocument(removed.data).compacted());
    }
}

}  // namespace
}  // namespace vellorin::profile
