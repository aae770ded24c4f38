#include "base/trans_form.h"

namespace vellorin {

int TransparencyToAlpha(int iTransparencyPercentage) {
    // (100 - p) * 255 / 100 in exact integer arithmetic, so that halves are recognised as halves
    // and go to the even neighbour.
    const long long scaled = (100LL - iTransparencyPercentage) * 255;
    long long q = scaled / 100;
    long long r = scaled % 100;
    if (r < 0) {  // floor division for negative values
        r += 100;
        --q;
    }
    if (r > 50 || (r == 50 && q % 2 != 0))
        ++q;
    if (q < 0 || q > 255)
        return 1;
    return static_cast<int>(q);
}

}  // namespace vellorin
