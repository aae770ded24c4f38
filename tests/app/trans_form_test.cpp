#include "app/trans_form.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

TEST(TransparencyToAlphaTest, MapsPercentagesToAlphaRoundingHalvesToEven) {
    struct Case {
        int percentage;
        int alpha;
    };
    const Case cases[] = {
        {0, 255},
        {5, 242},
        {10, 230},
        {20, 204},
        {30, 178},
        {100, 0},
        // Exact halves: 229.5 -> 230, 178.5 -> 178, 127.5 -> 128, 76.5 -> 76, 25.5 -> 26.
        {50, 128},
        {70, 76},
        {90, 26},
        {99, 3},
        {1, 252},
        {15, 217},
        // Outside 0-100 the window stays just visible.
        {101, 1},
        {150, 1},
        {-1, 1},
        {-10, 1},
        {32767, 1},
        {-32768, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percentage);
        EXPECT_EQ(TransparencyToAlpha(c.percentage), c.alpha);
    }
}

}  // namespace
}  // namespace vellorin
