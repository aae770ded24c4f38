#include "base/app_context.h"

#include <utility>

namespace vellorin {

AppContext::AppContext(AppOptions options, UserSeam& seam, const Clock& clock)
    : settings(*this),
      subscriptions(*this),
      inbox(*this),
      check(*this),
      scheduler(*this),
      options_(std::move(options)),
      seam_(seam),
      clock_(clock) {}

}  // namespace vellorin
