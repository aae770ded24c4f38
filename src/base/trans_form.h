#pragma once

namespace vellorin {

// Window alpha (0-255) for a transparency percentage: (100 - p) / 100 * 255 rounded half to
// even; a percentage outside 0-100 gives 1.
int TransparencyToAlpha(int iTransparencyPercentage);

}  // namespace vellorin
