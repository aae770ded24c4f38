#include "store/profile_document.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin::profile {
namespace {

using Contents = std::map<std::string, std::map<std::string, std::string>>;

std::vector<std::string> SplitAtNuls(const std::string& list) {
    std::vector<std::string> names;
    for (size_t from = 0, nul; (nul = list.find('\0', from)) != std::string::npos; from = nul + 1)
        names.push_back(list.substr(from, nul - from));
    return names;
}

// Every value of every named section as a reader asks for them: of `text` as a document, or, with
// `path`, as the file reads. Nameless sections stand for nothing and are left out.
Contents ContentsOf(const std::string& text, const std::string& path = "") {
    const ProfileDocument doc(text);
    ClearProfileCache();
    using Name = std::optional<std::string>;
    const auto get = [&](const Name& section, const Name& key) {
        if (!path.empty())
            return GetPrivateProfileString(section, key, key ? "DEF" : "", path);
        if (!section)
            return doc.sectionNames();
        return key ? std::string(doc.findValue(*section, *key).value_or("DEF"))
                   : doc.keyNames(*section);
    };
    Contents out;
    for (const std::string& section : SplitAtNuls(get(std::nullopt, std::nullopt))) {
        if (section.empty())
            continue;
        auto& keys = out[section];
        for (const std::string& key : SplitAtNuls(get(section, std::nullopt)))
            keys[key] = get(section, key);
    }
    return out;
}

std::string Applied(std::string text, const std::vector<Patch>& step) {
    for (const Patch& p : step)
        text.replace(p.offset, p.data.size(), p.data);
    return text;
}

TEST(ProfileDocumentTest, ACrashDuringABlankingLeavesTheSectionWholeOrGone) {
    struct Case {
        const char* name;
        std::string text;
        std::string section;
    };
    const Case cases[] = {
        {"the section above lacks keys; a value holds headers; a line starts with [",
         "[m1]\r\ntitle=one\r\n[http://x/?id=2&a=b]\r\ntitle=two\r\n"
         "description=see [m1] and [new]\r\n  [not a header\r\ndate=Mon\r\n; note\r\nread=0\r\n"
         "\r\n[m3]\r\ntitle=three\r\nread=1\r\n",
         "http://x/?id=2&a=b"},
        {"first section, lines above it",
         "; top\r\nx=1\r\n[g]\r\ntitle=t\r\nread=0\r\n[h]\r\nk=v\r\n", "g"},
        {"last section, LF lines with blanks, the file cut after a CR",
         "[h]\nk=v\n  [ g\tx ]  \t\n\ttitle = t [h] \nk=w=\n=\nread=0\r", "g\tx"},
    };
    test::TempDir dir;
    const std::string path = dir.file("inbox.dat");
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Contents whole = ContentsOf(c.text);
        ASSERT_EQ(whole.count(c.section), 1u);
        Contents gone = whole;
        gone.erase(c.section);
        const auto wholeOrGone = [&](const Contents& now) { return now == whole || now == gone; };

        const std::optional<Blanking> blanking = ProfileDocument(c.text).blankSection(c.section);
        ASSERT_TRUE(blanking);
        std::string text = c.text;
        for (size_t step = 0; step < blanking->steps.size(); ++step) {
            SCOPED_TRACE("step " + std::to_string(step + 1));
            const std::string next = Applied(text, blanking->steps[step]);
            ASSERT_EQ(next.size(), text.size());
            std::vector<size_t> changed;
            for (size_t i = 0; i < text.size(); ++i) {
                if (next[i] != text[i])
                    changed.push_back(i);
            }
            for (int i = 0; i < 400; ++i) {  // the step's bytes, some written before a crash
                std::string torn = text;
                for (size_t at : changed)
                    torn[at] = (i < 2 ? i == 1 : rng() % 2) ? next[at] : text[at];
                ASSERT_TRUE(wholeOrGone(ContentsOf(torn))) << torn;
            }
            text = next;
            dir.write("inbox.dat", text);
            EXPECT_TRUE(wholeOrGone(ContentsOf("", path)));
        }
        EXPECT_EQ(ContentsOf("", path), gone);
        for (size_t i = 0; i < text.size(); ++i)
            ASSERT_TRUE(text[i] == c.text[i] || text[i] == ' ') << i;
        const ProfileDocument::Edit removed = ProfileDocument(c.text).removeSection(c.section);
        EXPECT_EQ(ProfileDocument(text).compacted(), ProfileDocument(removed.data).compacted());
    }
}

}  // namespace
}  // namespace vellorin::profile
