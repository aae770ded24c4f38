#include "subscriptions/drop_box_settings.h"

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/helpers.h"
#include "config/settings.h"
#include "store/ini_file.h"

namespace vellorin {
namespace {

constexpr const char* kSection = "dropbox";

std::int16_t ReadValue(cINI& ini, const char* key, std::int16_t defaultValue) {
    ini.Key(key);
    return ParseSettingValue(ini.Value(), defaultValue);
}

// A window edge: any 32-bit decimal number, spaces around it allowed. Values up to 32,767 are
// written as every earlier version wrote them, so either version reads the other's file (an
// earlier one takes a larger value as its default).
std::int32_t ReadEdge(cINI& ini, const char* key, std::int32_t defaultValue) {
    ini.Key(key);
    const std::string text = TrimSpaces(ini.Value());
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return text.empty() || error != std::errc() || stop != end ? defaultValue : value;
}

// An index outside 0 .. count - 1 cannot choose a menu item or a picture: the default instead.
std::int16_t ReadIndex(cINI& ini, const char* key, int count, std::int16_t defaultValue) {
    const std::int16_t value = ReadValue(ini, key, defaultValue);
    return value >= 0 && value < count ? value : defaultValue;
}

}  // namespace

void LoadDropBoxSettings(mSettings& settings) {
    cINI ini;
    ini.Path(settings.SettingsPath());
    ini.Section(kSection);
    settings.DropBoxLeft = ReadEdge(ini, "left", kDefaultDropBoxLeft);
    settings.DropBoxTop = ReadEdge(ini, "top", kDefaultDropBoxTop);
    settings.DropBoxTrans = ReadIndex(ini, "trans", kDropBoxLevelCount, kDefaultDropBoxTrans);
    settings.DropBoxSize = ReadIndex(ini, "size", kDropBoxSizeCount, kDefaultDropBoxSize);
}

void SaveDropBoxSettings(const mSettings& settings) {
    const std::string left = std::to_string(settings.DropBoxLeft);
    const std::string top = std::to_string(settings.DropBoxTop);
    const std::string trans = std::to_string(settings.DropBoxTrans);
    const std::string size = std::to_string(settings.DropBoxSize);
    const std::pair<std::string_view, std::string_view> keys[] = {
        {"left", left}, {"top", top}, {"trans", trans}, {"size", size}};
    cINI ini;
    ini.Path(settings.SettingsPath());
    ini.Section(kSection);
    ini.Values(keys);
}

}  // namespace vellorin
