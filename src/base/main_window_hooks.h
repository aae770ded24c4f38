#pragma once

namespace vellorin {

// What the core asks of the main window. The desktop client implements it; vellorinctl and tests
// use the do-nothing default or record the calls.
class MainWindowHooks {
public:
    virtual ~MainWindowHooks() = default;
    // Starts or stops the browser link monitor for the chosen browsers.
    virtual void RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) {
        (void)bRegister, (void)bFirefox, (void)bIExplore, (void)bStartTimer;
    }
    // Enables the scheduler timer (saving the preferences does this).
    virtual void EnableScheduleTimer() {}
};

}  // namespace vellorin
