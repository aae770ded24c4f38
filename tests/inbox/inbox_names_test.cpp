#include "inbox/inbox_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/helpers.h"

namespace vellorin {
namespace {

TEST(InboxNamesTest, OrdinaryGuidsAreTheirOwnSectionName) {
    for (const char* guid : {"http://www.vellorin.net/m/1?a=b&c=d", "0A1B-2C", "a b", "[x", "x=y",
                             ";z", "=hex", "hex:41", "caf\xC3\xA9"}) {
        SCOPED_TRACE(guid);
        EXPECT_FALSE(NeedsEscapedSectionName(guid));
        EXPECT_EQ(SectionNameForGuid(guid, {}), guid);
        EXPECT_EQ(GuidFromSectionName(guid), guid);
    }
}

TEST(InboxNamesTest, AwkwardGuidsGetAnEscapedNameThatDecodesBack) {
    const std::vector<std::string> guids = {
        "a]b",   "line\nbreak", "cr\r",    std::string("nul\0x", 5), " lead", "trail ",
        "\ttab", "=hex:41",     "=Hex:41",
    };
    for (const std::string& guid : guids) {
        SCOPED_TRACE(guid);
        EXPECT_TRUE(NeedsEscapedSectionName(guid));
        const std::string name = SectionNameForGuid(guid, {});
        EXPECT_EQ(name, EscapedSectionName(guid));
        EXPECT_EQ(name.rfind("=hex:", 0), 0u);
        EXPECT_EQ(name.find_first_not_of("=hex:0123456789abcdef"), std::string::npos);
        EXPECT_EQ(GuidFromSectionName(name), guid);
        EXPECT_TRUE(SectionNameIsGuid(name, guid));
        EXPECT_FALSE(SectionNameIsGuid(name, name));
    }
    EXPECT_EQ(EscapedSectionName("a]"), "=hex:615d");
    // An empty guid is never stored (SaveItem refuses it), and could not be stored plainly.
    EXPECT_TRUE(NeedsEscapedSectionName(""));
}

TEST(InboxNamesTest, AGuidThatClashesIgnoringCaseIsEscaped) {
    const std::vector<std::string> existing = {"first", "ABC", "=hex:78797a"};
    EXPECT_EQ(SectionNameForGuid("ABC", existing), "ABC");
    EXPECT_EQ(SectionNameForGuid("abc", existing), "=hex:616263");
    EXPECT_EQ(SectionNameForGuid("Abc", existing), "=hex:416263");
    EXPECT_EQ(SectionNameForGuid("xyz", existing), "=hex:78797a");  // its existing section
    EXPECT_EQ(SectionNameForGuid("other", existing), "other");
}

TEST(InboxNamesTest, MalformedEscapedNamesAreTakenAsWritten) {
    for (const char* name : {"=hex:", "=hex:4", "=hex:zz", "=hex:4A", "=HEX:41"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GuidFromSectionName(name), name);
        EXPECT_TRUE(SectionNameIsGuid(name, name));
    }
}

TEST(InboxNamesTest, ValuesNeedingItAreEscapedAndReadBack) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain title", "plain title"},
        {"100% [sure]", "100% [sure]"},
        {"  \"quoted\"  ", "  \"quoted\"  "},
        {"=ESC:not ours", "=ESC:not ours"},
        {"two\nlines", "=esc:two%0Alines"},
        {"cr\r", "=esc:cr%0D"},
        {"50%\r\n", "=esc:50%25%0D%0A"},
        {std::string("nul\0", 4), "=esc:nul%00"},
        {"=esc:x", "=esc:=esc:x"},
    };
    for (const auto& [value, storedForm] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(EncodeInboxValue(value), storedForm);
        EXPECT_EQ(DecodeInboxValue(storedForm), value);
    }
    // A stray or incomplete escape in a hand-edited value is kept.
    EXPECT_EQ(DecodeInboxValue("=esc:a%zzb%4"), "a%zzb%4");
}

TEST(InboxNamesTest, DescriptionsStoreLineFeedsAsCharacterFive) {
    struct Case {
        std::string description;
        std::string storedForm;
        std::string loaded;
    };
    const std::vector<Case> cases = {
        {"a\nb",
         "a\x05"
         "b",
         "a\r\nb"},
        {"a\r\nb\n",
         "a\x05"
         "b\x05",
         "a\r\nb\r\n"},
        {"already\x05stored", "already\x05stored", "already\r\nstored"},
        {"lone\rcr", "=esc:lone%0Dcr", "lone\rcr"},
        {"\r\r\n%", "=esc:%0D\x05%25", "\r\r\n%"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(EncodeDescription(c.description), c.storedForm);
        EXPECT_EQ(DecodeDescription(c.storedForm), c.loaded);
    }
}

}  // namespace
}  // namespace vellorin
