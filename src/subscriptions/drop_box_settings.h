#pragma once

#include <cstdint>

namespace vellorin {

class mSettings;

// The drop box's section "dropbox" of settings.cfg (mSettings::SettingsPath): keys left and top
// (the window's edges in twips), trans (transparency level 0 None, 1 Low, 2 Normal, 3 High) and
// size (0 Small, 1 Normal, 2 Large).

inline constexpr int kDropBoxLevelCount = 4;
inline constexpr int kDropBoxSizeCount = 3;
inline constexpr std::int32_t kDefaultDropBoxLeft = 0;
inline constexpr std::int32_t kDefaultDropBoxTop = 0;
inline constexpr std::int16_t kDefaultDropBoxTrans = 1;
inline constexpr std::int16_t kDefaultDropBoxSize = 2;

// Reads the four keys into settings.DropBoxLeft, DropBoxTop, DropBoxTrans and DropBoxSize. A key
// that is missing or blank, whose value is not a decimal number (left and top: within the 32-bit
// range, so that a place right of 32,767 twips on a wide desktop is kept; trans and size: within
// the 16-bit range and their level or size range) takes its default: left 0, top 0, trans 1,
// size 2. Never creates or changes the file.
void LoadDropBoxSettings(mSettings& settings);

// Writes left, top, trans and size, in that order, as decimal text (a negative value with its
// sign) into the section, creating the file or the section when missing; the file's other
// sections and keys are kept.
void SaveDropBoxSettings(const mSettings& settings);

}  // namespace vellorin
