#pragma once

#include <string>
#include <vector>

#include "base/main_window_hooks.h"

namespace vellorin::test {

// Each plug-in registration as its four flags in a row ("1101").
struct RecordingHooks : MainWindowHooks {
    void RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) override {
        registrations.push_back(std::string{char('0' + bRegister), char('0' + bFirefox),
                                            char('0' + bIExplore), char('0' + bStartTimer)});
    }
    void EnableScheduleTimer() override { ++scheduleEnabled; }
    std::vector<std::string> registrations;
    int scheduleEnabled = 0;
};

}  // namespace vellorin::test
