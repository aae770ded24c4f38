#pragma once

#include <chrono>
#include <ctime>

namespace vellorin::test {

// A moment of local time on 5 December 2026 (no daylight-saving change that day).
inline std::chrono::system_clock::time_point LocalTime(int hour, int minute, int second = 0) {
    std::tm t{};
    t.tm_mday = 5;
    t.tm_mon = 11;
    t.tm_year = 2026 - 1900;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

}  // namespace vellorin::test
