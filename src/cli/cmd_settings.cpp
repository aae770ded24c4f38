#include <map>
#include <string>

#include "cli/command.h"
#include "config/settings.h"

namespace vellorin::cli {
namespace {

struct SettingRule {
    const char* key;
    int minimum;
    int maximum;
    bool app;  // in the "app" section (else "plugin")
};

constexpr SettingRule kSettable[] = {
    {"schedule", 1, 1, true},  {"freq", 0, 2, true}, {"winstartup", 0, 1, true},
    {"webengine", 0, 1, true}, {"ff", 0, 1, false},  {"ie", 0, 1, false},
};

const SettingRule* FindRule(const std::string& key) {
    for (const auto& rule : kSettable) {
        if (key == rule.key)
            return &rule;
    }
    return nullptr;
}

bool ParseSmallInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t j = i; j < text.size(); ++j) {
        if (text[j] < '0' || text[j] > '9')
            return false;
    }
    value = std::stoi(text);
    return true;
}

std::int16_t* Field(mSettings& s, const std::string& key) {
    if (key == "schedule")
        return &s.schedule;
    if (key == "freq")
        return &s.freq;
    if (key == "winstartup")
        return &s.winstartup;
    if (key == "webengine")
        return &s.webengine;
    if (key == "ff")
        return &s.ff;
    return &s.ie;
}

}  // namespace

int RunSettingsCommand(CommandEnv& env) {
    // Everything is checked before anything is loaded or written.
    std::map<std::string, int> changes;
    bool appChanged = false;
    bool plugInChanged = false;
    for (const auto& arg : env.args) {
        auto eq = arg.find('=');
        if (eq == std::string::npos)
            return env.usageError("expected KEY=VALUE, got '" + arg + "'");
        std::string key = arg.substr(0, eq);
        const SettingRule* rule = FindRule(key);
        if (!rule)
            return env.usageError("unknown setting '" + key + "'");
        int value = 0;
        if (!ParseSmallInt(arg.substr(eq + 1), value) || value < rule->minimum ||
            value > rule->maximum) {
            return env.usageError("value out of range for '" + key + "': '" + arg.substr(eq + 1) +
                                  "' (" + std::to_string(rule->minimum) + "-" +
                                  std::to_string(rule->maximum) + ")");
        }
        changes[key] = value;
        (rule->app ? appChanged : plugInChanged) = true;
    }

    mSettings& settings = env.context.settings;
    settings.LoadAppSettings(false);
    settings.LoadPlugInSettings(false);

    if (changes.empty()) {
        env.out << "schedule=" << settings.schedule << "\n"
                << "freq=" << settings.freq << "\n"
                << "winstartup=" << settings.winstartup << "\n"
                << "webengine=" << settings.webengine << "\n"
                << "ff=" << settings.ff << "\n"
                << "ie=" << settings.ie << "\n";
        return kExitOk;
    }
    for (const auto& [key, value] : changes)
        *Field(settings, key) = static_cast<std::int16_t>(value);
    if (appChanged) {
        settings.schedule = 1;
        settings.SaveAppSettings();
    }
    if (plugInChanged)
        settings.SavePlugInSettings();
    return kExitOk;
}

}  // namespace vellorin::cli
