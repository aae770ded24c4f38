#pragma once

#include <optional>
#include <string_view>

namespace vellorin {

// Reading the date and time texts that feeds write in "pubDate" (RFC 822) and the inbox stores
// as they came.

// The date without its weekday: the text after the first comma with leading blanks removed
// ("Mon, 05 Dec 2026" gives "05 Dec 2026"); a text without a comma is returned whole.
std::string_view DateAfterWeekday(std::string_view date);

// Whole days from 1 January 2000 to the date "day month year" (05 Dec 2026 gives 9835; earlier
// dates are negative). The day has one or two digits; the month is an English month name or its
// three-letter abbreviation in any letter case; the year has four digits, or two (00-29 meaning
// 2000-2029, 30-99 meaning 1930-1999). Blanks or hyphens separate the parts; blanks, tabs, CRs
// and LFs around the text are ignored. nullopt when the text is not such a date or names a day the
// month does not have.
std::optional<long> DaysSince2000(std::string_view date);

// Seconds since midnight of "hours:minutes[:seconds]" (08:56:31 gives 32191), hours 0-23 with
// one or two digits, minutes and seconds 0-59 with two; blanks, tabs, CRs and LFs around the text
// are ignored. nullopt for anything else.
std::optional<long> SecondsOfDay(std::string_view time);

}  // namespace vellorin
