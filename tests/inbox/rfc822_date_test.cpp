#include "inbox/rfc822_date.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace vellorin {
namespace {

constexpr std::optional<long> kBad;

TEST(Rfc822DateTest, DatesAndTimesReadOnlyWhenWellFormed) {
    EXPECT_EQ(DateAfterWeekday("Mon,    05 Dec 2026"), "05 Dec 2026");
    EXPECT_EQ(DateAfterWeekday("05 Dec 2026"), "05 Dec 2026");
    EXPECT_EQ(DateAfterWeekday("a, b, c"), "b, c");

    const std::pair<const char*, std::optional<long>> dates[] = {
        {"05 Dec 2026", 9835},      {"01 Jan 2000", 0},        {"31 Dec 1999", -1},
        {"29 Feb 2024", 8825},      {"01 Mar 2024", 8826},     {"1 DECEMBER 2026", 9831},
        {"05-dec-26", 9835},        {" 05  Dec\t2026 ", 9835}, {"05 Dec 99", -27},
        {"29 Feb 2023", kBad},      {"31 Apr 2026", kBad},     {"00 Dec 2026", kBad},
        {"05 Decem 2026", kBad},    {"05 Dec 202", kBad},      {"05 Dec 2026 08:00", kBad},
        {"Mon, 05 Dec 2026", kBad}, {"05--Dec-2026", kBad},    {"", kBad}};
    for (const auto& [date, days] : dates)
        EXPECT_EQ(DaysSince2000(date), days) << date;

    const std::pair<const char*, std::optional<long>> times[] = {
        {"08:56:31", 32191}, {"23:59:59", 86399},   {"8:56:31", 32191}, {" 10:15 ", 36900},
        {"24:00:00", kBad},  {"10:60:00", kBad},    {"10:00:60", kBad}, {"10:5:00", kBad},
        {"10", kBad},        {"10:00:00:00", kBad}, {"-1:00:00", kBad}};
    for (const auto& [time, seconds] : times)
        EXPECT_EQ(SecondsOfDay(time), seconds) << time;
}

}  // namespace
}  // namespace vellorin
