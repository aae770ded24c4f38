#include "base/trans_form.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

TEST(TransparencyToAlphaTest, MapsPercentagesToAlphaRoundingHalvesToEven) {
    // Outside 0-100 the window stays just visible.
    const int cases[][2] = {{0, 255}, {10, 230}, {30, 178}, {100, 0}, {101, 1}, {-1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(TransparencyToAlpha(c[0]), c[1]) << c[0];
}

}  // namespace
}  // namespace vellorin
