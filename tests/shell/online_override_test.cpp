#include "shell/online_override.h"

#include <gtest/gtest.h>

#include <optional>

namespace vellorin {
namespace {

TEST(OnlineOverrideTest, OnlyOneAndZeroOverride) {
    struct Case {
        const char* value;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {"1", true},           {"0", false},         {nullptr, std::nullopt}, {"", std::nullopt},
        {"yes", std::nullopt}, {" 1", std::nullopt}, {"10", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        EXPECT_EQ(OnlineOverrideFromEnvironment(c.value), c.expected);
    }
}

}  // namespace
}  // namespace vellorin
