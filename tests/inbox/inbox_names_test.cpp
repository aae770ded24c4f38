#include "inbox/inbox_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/helpers.h"

namespace vellorin {
namespace {

TEST(InboxNamesTest, StoredFormsDecodeOnlyWhenWellFormed) {
    EXPECT_EQ(EscapedSectionName("a]"), "=hex:615d");
    EXPECT_EQ(GuidFromSectionName("=hex:615d"), "a]");
    for (const char* name : {"=hex:", "=hex:4", "=hex:zz", "=hex:4A", "=HEX:41"}) {
        EXPECT_EQ(GuidFromSectionName(name), name);
        EXPECT_TRUE(SectionNameIsGuid(name, name));
    }
    EXPECT_FALSE(SectionNameIsGuid("=hex:41", "=hex:41"));
    const std::vector<std::string> stored = {"first", "ABC", "=hex:78797a"};
    const StoredSectionLookup existing = [&](std::string_view name) -> std::optional<std::string> {
        for (const std::string& s : stored) {
            if (EqualsNoCase(s, name))
                return s;
        }
        return std::nullopt;
    };
    EXPECT_EQ(SectionNameForGuid("ABC", existing), "ABC");
    EXPECT_EQ(SectionNameForGuid("Abc", existing), "=hex:416263");
    EXPECT_EQ(SectionNameForGuid("xyz", existing), "=hex:78797a");
    EXPECT_EQ(SectionNameForGuid("other", existing), "other");

    EXPECT_EQ(EncodeInboxValue("=ESC:not ours 100%"), "=ESC:not ours 100%");
    EXPECT_EQ(EncodeInboxValue("=esc:x"), "=esc:=esc:x");
    EXPECT_EQ(EncodeInboxValue(std::string("50%\r\n\0", 6)), "=esc:50%25%0D%0A%00");
    EXPECT_EQ(DecodeInboxValue("=esc:a%zzb%4"), "a%zzb%4");
    EXPECT_EQ(EncodeDescription("a\r\nb\n"),
              "a\x05"
              "b\x05");
    EXPECT_EQ(DecodeDescription("already\x05stored"), "already\r\nstored");
    EXPECT_EQ(EncodeDescription("\r\r\n%"), "=esc:%0D\x05%25");
}

}  // namespace
}  // namespace vellorin
