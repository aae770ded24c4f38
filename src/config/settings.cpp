#include "config/settings.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "config/startup_option.h"
#include "store/ini_file.h"

namespace vellorin {
namespace {

std::int16_t ReadSetting(cINI& ini, const char* key, std::int16_t defaultValue) {
    ini.Key(key);
    return ParseSettingValue(ini.Value(), defaultValue);
}

void WriteSetting(cINI& ini, const char* key, std::int16_t value) {
    ini.Key(key);
    ini.Value(std::to_string(value));
}

}  // namespace

std::int16_t ParseSettingValue(const std::string& text, std::int16_t defaultValue) {
    if (IsBlank(text))
        return defaultValue;
    std::string trimmed = TrimSpaces(text);
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(trimmed.c_str(), &end, 10);
    if (errno != 0 || end == trimmed.c_str() || *end != '\0')
        return defaultValue;
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        return defaultValue;
    }
    return static_cast<std::int16_t>(value);
}

std::string mSettings::SettingsPath() const {
    return AddBackslash(context_.settingsFolder()) + kSettingsFileName;
}

void mSettings::SaveAppSettings() {
    {
        cINI ini;
        ini.Path(SettingsPath());
        ini.Section("app");
        WriteSetting(ini, "schedule", schedule);
        WriteSetting(ini, "freq", freq);
        WriteSetting(ini, "winstartup", winstartup);
        WriteSetting(ini, "webengine", webengine);
    }
    if (schedule != 0)
        context_.hooks().EnableScheduleTimer();
    // The entry names the desktop client installed beside the running program (the client
    // itself, or vellorinctl), not the application folder, which a command line can move to a
    // folder that holds no executable.
    std::string programFolder = RunningProgramFolder();
    if (programFolder.empty())
        programFolder = context_.appFolder();
    SetStartupOption(context_.seam(), kStartupEntryName, context_.options().executableName,
                     programFolder, kSilentSwitch, winstartup != 0);
    context_.seam().messageBox("Done!", "Settings are successfully saved!", MsgIcon::Information);
}

void mSettings::LoadAppSettings(bool fillDialog, SettingsDialogView* dialog) {
    {
        cINI ini;
        ini.Path(SettingsPath());
        ini.Section("app");
        // The stored schedule is read like the others, but automatic checking is always on.
        (void)ReadSetting(ini, "schedule", 1);
        schedule = 1;
        freq = ReadSetting(ini, "freq", 0);
        // A hand-edited file or a later version may hold an index this version has no interval
        // for: such a file is read as the default, every 15 minutes.
        if (FrequencyStatusText(freq).empty())
            freq = 0;
        winstartup = ReadSetting(ini, "winstartup", 1);
        webengine = ReadSetting(ini, "webengine", 0);
    }
    if (fillDialog && dialog) {
        dialog->setFrequencyIndex(freq);
        dialog->setStartupChecked(winstartup != 0);
        dialog->setWebEngineChecked(webengine != 0);
    }
}

void mSettings::SavePlugInSettings() {
    {
        cINI ini;
        ini.Path(SettingsPath());
        ini.Section("plugin");
        WriteSetting(ini, "ff", ff);
        WriteSetting(ini, "ie", ie);
    }
    context_.hooks().RegisterPlugIns(true, ff != 0, ie != 0, true);
}

void mSettings::LoadPlugInSettings(bool fillDialog, PlugInDialogView* dialog) {
    {
        cINI ini;
        ini.Path(SettingsPath());
        ini.Section("plugin");
        ff = ReadSetting(ini, "ff", 0);
        ie = ReadSetting(ini, "ie", 0);
    }
    context_.hooks().RegisterPlugIns(true, ff != 0, ie != 0, false);
    if (fillDialog && dialog) {
        dialog->setPlugInChecked(0, ff != 0);
        dialog->setPlugInChecked(1, ie != 0);
    }
}

std::string mSettings::FrequencyStatusText(int index) {
    switch (index) {
        case 0:
            return "AutoCheck: Every 15 min";
        case 1:
            return "AutoCheck: Every 30 min";
        case 2:
            return "AutoCheck: Every 60 min";
        default:
            return {};
    }
}

}  // namespace vellorin
