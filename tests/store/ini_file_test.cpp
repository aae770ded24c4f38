#include "store/ini_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace vellorin {
namespace {

TEST(CLngDefaultTest, ConvertsDecimalTextOrGivesTheDefault) {
    const std::tuple<const char*, long, long> cases[] = {
        {"FAIL", 120, 120},   {"300", 120, 300},
        {"", 7, 7},           {" \t-42 ", 0, -42},
        {"2.5", 0, 2},        {"3.5", 0, 4},
        {".5", 9, 0},         {"-2147483648", 0, INT32_MIN},
        {"2147483648", 1, 1}, {"2147483647.5", 1, 1},
        {"1,000", 1, 1},      {"12abc", 1, 1}};
    for (const auto& [text, def, expected] : cases)
        EXPECT_EQ(cINI::CLngDefault(text, def), expected) << text;
}

}  // namespace
}  // namespace vellorin
