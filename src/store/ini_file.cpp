#include "store/ini_file.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "store/profile_file.h"

namespace vellorin {
namespace {

// Appends each piece of `list` that ends in a NUL; characters after the last NUL are not taken.
void SplitList(std::string_view list, bool keepEmpty, std::vector<std::string>& pieces,
               long& count) {
    pieces.clear();
    count = 0;
    size_t start = 0;
    for (size_t nul = list.find('\0'); nul != std::string_view::npos;
         nul = list.find('\0', start)) {
        if (nul > start || keepEmpty) {
            pieces.emplace_back(list.substr(start, nul - start));
            ++count;
        }
        start = nul + 1;
    }
}

std::string WithoutNul(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c != '\0')
            clean.push_back(c);
    }
    return clean;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string cINI::Value() const {
    return profile::GetPrivateProfileString(section_, key_, default_, path_);
}

void cINI::Value(std::string_view text) {
    lastReturnCode_ = profile::WritePrivateProfileString(section_, key_, WithoutNul(text), path_);
}

void cINI::Values(std::span<const std::pair<std::string_view, std::string_view>> keys) {
    std::vector<std::string> clean;
    for (const auto& entry : keys)
        clean.push_back(WithoutNul(entry.second));
    std::vector<std::pair<std::string_view, std::string_view>> cleanKeys;
    for (size_t i = 0; i < keys.size(); ++i)
        cleanKeys.emplace_back(keys[i].first, clean[i]);
    lastReturnCode_ = profile::WritePrivateProfileKeys(section_, cleanKeys, path_);
}

std::optional<std::string> cINI::StoredSection() const {
    return profile::StoredSectionName(section_, path_);
}

void cINI::DeleteKey() {
    lastReturnCode_ = profile::WritePrivateProfileString(section_, key_, std::nullopt, path_);
}

void cINI::DeleteSection() {
    lastReturnCode_ =
        profile::WritePrivateProfileString(section_, std::nullopt, std::nullopt, path_);
}

std::string cINI::INISection() const {
    return profile::GetPrivateProfileString(section_, std::nullopt, default_, path_);
}

void cINI::INISection(std::string_view text) {
    // Without a key the profile layer removes the section; the text is not stored.
    lastReturnCode_ = profile::WritePrivateProfileString(section_, std::nullopt, text, path_);
}

std::string cINI::Sections() const {
    return profile::GetPrivateProfileString(std::nullopt, std::nullopt, default_, path_);
}

void cINI::EnumerateCurrentSection(std::vector<std::string>& keys, long& count) const {
    SplitList(INISection(), true, keys, count);
}

void cINI::EnumerateKeysInSection(std::string sSectionName, std::vector<std::string>& keys,
                                  long& count) const {
    SplitList(sSectionName, true, keys, count);
}

void cINI::EnumerateAllSections(std::vector<std::string>& sections, long& count) const {
    SplitList(Sections(), false, sections, count);
}

void cINI::SaveFormPosition(FormWindow& frmThis) {
    const std::string rememberedKey = key_;
    try {
        FormWindowState state = frmThis.WindowState();
        if (state != FormWindowState::Minimized) {
            const bool maximised = state == FormWindowState::Maximized;
            Key("Maximised");
            Value(maximised ? "1" : "0");
            if (!maximised) {
                Key("Left");
                Value(std::to_string(frmThis.Left()));
                Key("Top");
                Value(std::to_string(frmThis.Top()));
                Key("Width");
                Value(std::to_string(frmThis.Width()));
                Key("Height");
                Value(std::to_string(frmThis.Height()));
            }
        }
    } catch (...) {
        lastReturnCode_ = 0;
    }
    key_ = rememberedKey;
}

void cINI::LoadFormPosition(FormWindow& frmThis, long lMinWidth, long lMinHeight) {
    const std::string rememberedKey = key_;
    const std::string rememberedDefault = default_;
    try {
        Default("FAIL");
        Key("Left");
        long left = CLngDefault(Value(), frmThis.Left());
        Key("Top");
        long top = CLngDefault(Value(), frmThis.Top());
        Key("Width");
        long width = CLngDefault(Value(), frmThis.Width());
        if (width < lMinWidth)
            width = lMinWidth;
        Key("Height");
        long height = CLngDefault(Value(), frmThis.Height());
        if (height < lMinHeight)
            height = lMinHeight;

        const long px = frmThis.TwipsPerPixelX();
        const long py = frmThis.TwipsPerPixelY();
        const long sw = frmThis.ScreenWidth();
        const long sh = frmThis.ScreenHeight();
        // Keep the window at least 4 pixels inside the screen on every side, moving it first and
        // shrinking it only when it is larger than the screen.
        auto fit = [](long& pos, long& size, long screen, long perPixel) {
            if (pos < 4 * perPixel)
                pos = 4 * perPixel;
            if (pos + size > screen - 4 * perPixel) {
                pos = screen - 4 * perPixel - size;
                if (pos < 4 * perPixel)
                    pos = 4 * perPixel;
                if (pos + size > screen - 4 * perPixel)
                    size = screen - pos - 4 * perPixel;
            }
        };
        fit(left, width, sw, px);
        fit(top, height, sh, py);

        if (width >= lMinWidth && height >= lMinHeight)
            frmThis.Move(left, top, width, height);

        Key("Maximised");
        if (CLngDefault(Value(), 0) != 0)
            frmThis.SetWindowState(FormWindowState::Maximized);
    } catch (...) {
        lastReturnCode_ = 0;
    }
    key_ = rememberedKey;
    default_ = rememberedDefault;
}

long cINI::CLngDefault(std::string sString, long lDefault) {
    std::string_view s = sString;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);

    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Digits beyond this bound cannot come back into the 32-bit range.
    constexpr int64_t kBound = int64_t{1} << 40;
    int64_t whole = 0;
    bool anyDigit = false;
    size_t i = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        anyDigit = true;
        if (whole < kBound)
            whole = whole * 10 + (s[i] - '0');
    }
    bool roundUp = false;
    if (i < s.size() && s[i] == '.') {
        size_t fraction = ++i;
        bool laterNonZero = false;
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            anyDigit = true;
            if (i > fraction && s[i] != '0')
                laterNonZero = true;
        }
        if (i > fraction) {
            char first = s[fraction];
            // Halves go to the even neighbour.
            roundUp = first > '5' || (first == '5' && (laterNonZero || (whole % 2) != 0));
        }
    }
    if (!anyDigit || i != s.size())
        return lDefault;
    if (roundUp)
        ++whole;
    int64_t value = negative ? -whole : whole;
    if (value < INT32_MIN || value > INT32_MAX)
        return lDefault;
    return static_cast<long>(value);
}

}  // namespace vellorin
