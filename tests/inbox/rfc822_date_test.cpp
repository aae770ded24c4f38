#include "inbox/rfc822_date.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellorin {
namespace {

TEST(DateAfterWeekdayTest, DropsTheWeekdayAndTheBlanksAfterIt) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Mon, 05 Dec 2026", "05 Dec 2026"},
        {"Mon,05 Dec 2026", "05 Dec 2026"},
        {"Mon,    05 Dec 2026", "05 Dec 2026"},
        {"05 Dec 2026", "05 Dec 2026"},
        {"a, b, c", "b, c"},
        {"Mon,", ""},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(DateAfterWeekday(in), out);
    }
}

TEST(DaysSince2000Test, CountsWholeDaysFromTheFirstOfJanuary2000) {
    struct Case {
        const char* date;
        std::optional<long> days;
    };
    const std::vector<Case> cases = {
        {"05 Dec 2026", 9835},
        {"01 Jan 2000", 0},
        {"31 Dec 1999", -1},
        {"1 jan 2001", 366},
        {"29 Feb 2024", 8825},
        {"01 Mar 2024", 8826},
        {"05 December 2026", 9835},
        {"05 DEC 2026", 9835},
        {"05-Dec-2026", 9835},
        {"  05   Dec\t2026 ", 9835},
        {"05 Dec 26", 9835},
        {"05 Dec 99", -27},
        {"29 Feb 2023", std::nullopt},
        {"31 Apr 2026", std::nullopt},
        {"00 Dec 2026", std::nullopt},
        {"32 Dec 2026", std::nullopt},
        {"05 Dex 2026", std::nullopt},
        {"05 De 2026", std::nullopt},
        {"05 Decem 2026", std::nullopt},
        {"05 Dec 202", std::nullopt},
        {"05 Dec 20266", std::nullopt},
        {"05 Dec", std::nullopt},
        {"05 Dec 2026 08:00", std::nullopt},
        {"Mon, 05 Dec 2026", std::nullopt},
        {"005 Dec 2026", std::nullopt},
        {"05--Dec-2026", std::nullopt},
        {"", std::nullopt},
        {"someday", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        EXPECT_EQ(DaysSince2000(c.date), c.days);
    }
}

TEST(SecondsOfDayTest, ReadsHoursMinutesAndSeconds) {
    struct Case {
        const char* time;
        std::optional<long> seconds;
    };
    const std::vector<Case> cases = {
        {"08:56:31", 32191},
        {"00:00:00", 0},
        {"23:59:59", 86399},
        {"8:56:31", 32191},
        {" 10:15 ", 36900},
        {"24:00:00", std::nullopt},
        {"10:60:00", std::nullopt},
        {"10:00:60", std::nullopt},
        {"10:5:00", std::nullopt},
        {"10", std::nullopt},
        {"10:00:00:00", std::nullopt},
        {"", std::nullopt},
        {"noon", std::nullopt},
        {"-1:00:00", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(SecondsOfDay(c.time), c.seconds);
    }
}

}  // namespace
}  // namespace vellorin
