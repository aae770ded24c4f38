#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/form_window.h"

namespace vellorin {

// cINI: a cursor over one INI file (Path, Section, Key, Default). Every read or write of Value is
// one complete access to the file through the profile-file layer. Properties are read with the
// bare name (`ini.Value()`) and written by passing the new value (`ini.Value("1")`).
// Not shared between threads.
class cINI {
public:
    // Result of the last write or delete: non-zero on success. Reads leave it alone.
    long LastReturnCode() const { return lastReturnCode_; }
    bool Success() const { return lastReturnCode_ != 0; }

    const std::string& Default() const { return default_; }
    void Default(std::string value) { default_ = std::move(value); }
    const std::string& Path() const { return path_; }
    void Path(std::string value) { path_ = std::move(value); }
    const std::string& Key() const { return key_; }
    void Key(std::string value) { key_ = std::move(value); }
    const std::string& Section() const { return section_; }
    void Section(std::string value) { section_ = std::move(value); }

    // Reads Section/Key from Path, or Default when absent. Never cut short.
    std::string Value() const;
    // Stores Section/Key = text with every NUL removed.
    void Value(std::string_view text);

    // Stores several keys of Section, each value with every NUL removed, as that many Key/Value
    // writes in this order would (the key names must differ); a section the file does not hold
    // yet is appended in one write.
    void Values(std::span<const std::pair<std::string_view, std::string_view>> keys);
    // The name of Section as the file spells it (section names match without regard to ASCII
    // letter case); nullopt when the file or the section is absent.
    std::optional<std::string> StoredSection() const;

    // Remove Key from Section, or the whole Section (every occurrence); success when nothing was
    // there to remove.
    void DeleteKey();
    void DeleteSection();

    // The key names of Section, each followed by a NUL; Default when it is absent or has no keys.
    std::string INISection() const;
    // Writing a section text removes the whole section (the text is not stored).
    void INISection(std::string_view text);
    // The section names of the file, each followed by a NUL; Default when the file is missing.
    std::string Sections() const;

    // The key names of Section in file order; keys[i] is element i + 1 of the list. Empty pieces
    // are kept.
    void EnumerateCurrentSection(std::vector<std::string>& keys, long& count) const;
    // Splits the given text by the same rule (a plain section name yields nothing).
    void EnumerateKeysInSection(std::string sSectionName, std::vector<std::string>& keys,
                                long& count) const;
    // The section names of the file; empty pieces are skipped.
    void EnumerateAllSections(std::vector<std::string>& sections, long& count) const;

    // Stores the window's state ("Maximised") and, unless maximised, "Left", "Top", "Width",
    // "Height" under Section. A minimised window writes nothing.
    void SaveFormPosition(FormWindow& frmThis);
    // Restores them: each absent or non-numeric value keeps the window's own, width and height
    // are raised to the minimums, then the window is moved in (and, only if larger than the
    // screen, shrunk) to keep 4 pixels from every screen edge; it is moved only if it still meets
    // the minimums; "Maximised" non-zero maximises it. Section must be set. A window operation
    // that throws leaves LastReturnCode 0 (also for SaveFormPosition); Key and Default are kept.
    void LoadFormPosition(FormWindow& frmThis, long lMinWidth = 0, long lMinHeight = 0);

    // The text as a 32-bit integer: decimal digits with an optional fraction (rounded half to
    // even), an optional sign, blanks around it. lDefault when it does not convert: empty, not a
    // number (thousands separators and exponents included), or outside the 32-bit range.
    static long CLngDefault(std::string sString, long lDefault = 0);

private:
    std::string path_;
    std::string key_;
    std::string section_;
    std::string default_;
    long lastReturnCode_ = 0;
};

}  // namespace vellorin
