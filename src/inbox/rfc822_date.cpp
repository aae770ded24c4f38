#include "inbox/rfc822_date.h"

#include <array>

namespace vellorin {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Line breaks count too: earlier versions stored the dates of pretty-printed feeds with the line
// break and indentation in front of the text.
bool IsSpaceAround(char c) {
    return IsBlank(c) || c == '\r' || c == '\n';
}

std::string_view TrimSpaceAround(std::string_view s) {
    while (!s.empty() && IsSpaceAround(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpaceAround(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<long> Digits(std::string_view s, size_t minSize, size_t maxSize) {
    if (s.size() < minSize || s.size() > maxSize)
        return std::nullopt;
    long value = 0;
    for (char c : s) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// 1-12 for a month name or its first three letters.
int MonthNumber(std::string_view name) {
    if (name.size() < 3)
        return 0;
    for (size_t m = 0; m < kMonths.size(); ++m) {
        std::string_view full = kMonths[m];
        if (name.size() != 3 && name.size() != full.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = Lower(name[i]) == full[i];
        if (same)
            return static_cast<int>(m) + 1;
    }
    return 0;
}

bool IsLeapYear(long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(long year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
long DaysFromCivil(long y, long m, long d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

std::string_view DateAfterWeekday(std::string_view date) {
    size_t comma = date.find(',');
    if (comma == std::string_view::npos)
        return date;
    date.remove_prefix(comma + 1);
    while (!date.empty() && date.front() == ' ')
        date.remove_prefix(1);
    return date;
}

std::optional<long> DaysSince2000(std::string_view date) {
    date = TrimSpaceAround(date);
    std::array<std::string_view, 3> parts;
    size_t count = 0;
    size_t start = 0;
    for (size_t i = 0; i <= date.size(); ++i) {
        if (i == date.size() || IsBlank(date[i]) || date[i] == '-') {
            if (i > start) {
                if (count == parts.size())
                    return std::nullopt;
                parts[count++] = date.substr(start, i - start);
            } else if (i < date.size() && date[i] == '-') {
                return std::nullopt;  // "05--Dec" or a leading hyphen
            }
            start = i + 1;
        }
    }
    if (count != parts.size())
        return std::nullopt;
    std::optional<long> day = Digits(parts[0], 1, 2);
    int month = MonthNumber(parts[1]);
    std::optional<long> year = Digits(parts[2], 2, 4);
    if (!day || month == 0 || !year || parts[2].size() == 3)
        return std::nullopt;
    if (parts[2].size() == 2)
        *year += *year < 30 ? 2000 : 1900;
    if (*day < 1 || *day > DaysInMonth(*year, month))
        return std::nullopt;
    return DaysFromCivil(*year, month, *day) - DaysFromCivil(2000, 1, 1);
}

std::optional<long> SecondsOfDay(std::string_view time) {
    time = TrimSpaceAround(time);
    std::array<std::string_view, 3> parts;
    size_t count = 0;
    size_t start = 0;
    for (size_t i = 0; i <= time.size(); ++i) {
        if (i == time.size() || time[i] == ':') {
            if (count == parts.size())
                return std::nullopt;
            parts[count++] = time.substr(start, i - start);
            start = i + 1;
        }
    }
    if (count != 2 && count != 3)
        return std::nullopt;
    std::optional<long> h = Digits(parts[0], 1, 2);
    std::optional<long> m = Digits(parts[1], 2, 2);
    std::optional<long> s = count == 3 ? Digits(parts[2], 2, 2) : std::optional<long>(0);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59)
        return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

}  // namespace vellorin
