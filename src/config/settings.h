#pragma once

#include <cstdint>
#include <string>

namespace vellorin {

class AppContext;

// What the loads put into the preferences dialog when asked to fill it.
class SettingsDialogView {
public:
    virtual ~SettingsDialogView() = default;
    virtual void setFrequencyIndex(int index) = 0;
    virtual void setStartupChecked(bool checked) = 0;
    virtual void setWebEngineChecked(bool checked) = 0;
};

// What the loads put into the plug-in dialog when asked to fill it (index 0 Firefox, 1 IE).
class PlugInDialogView {
public:
    virtual ~PlugInDialogView() = default;
    virtual void setPlugInChecked(int index, bool checked) = 0;
};

// mSettings: the in-memory settings that mirror the "app" and "plugin" sections of settings.cfg
// in the application folder, and the four operations that load and save them.
class mSettings {
public:
    explicit mSettings(AppContext& context) : context_(context) {}

    std::int16_t schedule = 0;
    std::int16_t freq = 0;
    std::int16_t winstartup = 0;
    std::int16_t ff = 0;
    std::int16_t ie = 0;
    // Message windows show their page with the full web engine (1) rather than the built-in
    // view (0); key "webengine" of section "app".
    std::int16_t webengine = 0;

    // The drop box: its left and top edges in twips (wide enough for any place on a large
    // desktop), its transparency level (0-3) and its size (0-2), as section "dropbox" holds them
    // (LoadDropBoxSettings, SaveDropBoxSettings).
    std::int32_t DropBoxLeft = 0;
    std::int32_t DropBoxTop = 0;
    std::int16_t DropBoxTrans = 1;
    std::int16_t DropBoxSize = 2;

    // The settings file: application folder + "settings.cfg".
    std::string SettingsPath() const;

    // Writes schedule, freq, winstartup, webengine; enables the schedule timer when schedule is
    // non-zero; registers (naming the executable beside the running program) or removes the
    // start-at-login entry; shows "Settings are successfully saved!".
    void SaveAppSettings();
    // Reads schedule (always 1), freq (0 when blank or outside 0-2), winstartup (1 when blank),
    // webengine (0 when blank). A value that is not a number or lies outside the 16-bit range
    // counts as blank. Never creates the file.
    void LoadAppSettings(bool fillDialog, SettingsDialogView* dialog = nullptr);
    // Writes ff and ie, then registers the browser monitor with the timer started.
    void SavePlugInSettings();
    // Reads ff and ie (0 when blank) and registers the browser monitor without starting the timer.
    void LoadPlugInSettings(bool fillDialog, PlugInDialogView* dialog = nullptr);

    // The status text of a frequency index, empty for an index without one.
    static std::string FrequencyStatusText(int index);

private:
    AppContext& context_;
};

// Reads a stored 16-bit setting: the default when blank (spaces only), not a number or out of
// range.
std::int16_t ParseSettingValue(const std::string& text, std::int16_t defaultValue);

}  // namespace vellorin
