#include "app/trans_form.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

TEST(TransparencyToAlphaTest, MapsPercentagesToAlphaRoundingHalvesToEven) {
    // {percentage, alpha}. Exact halves round to even: 10 % is 229.5 -> 230, 30 % 178.5 -> 178,
    // 50 % 127.5 -> 128, 70 % 76.5 -> 76, 90 % 25.5 -> 26. Outside 0-100 the window stays just
    // visible.
    const int cases[][2] = {{0, 255},  {1, 252}, {10, 230},  {15, 217},  {30, 178},
                            {50, 128}, {70, 76}, {90, 26},   {99, 3},    {100, 0},
                            {101, 1},  {-1, 1},  {32767, 1}, {-32768, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(TransparencyToAlpha(c[0]), c[1]);
    }
}

}  // namespace
}  // namespace vellorin
