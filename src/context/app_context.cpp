#include "base/app_context.h"

#include <utility>

#include "config/settings.h"
#include "inbox/check_run.h"
#include "inbox/inbox_store.h"
#include "inbox/online_state.h"
#include "inbox/scheduler.h"
#include "subscriptions/subscriptions.h"

namespace vellorin {

// Each module keeps the context it was made with; they are destroyed in the reverse order.
struct AppContext::Modules {
    explicit Modules(AppContext& context)
        : settings(context),
          subscriptions(context),
          inbox(context),
          check(context),
          scheduler(context) {}

    mSettings settings;
    mSubscriptions subscriptions;
    mInbox inbox;
    OnlineState online;
    mCheck check;
    Scheduler scheduler;
};

AppContext::AppContext(AppOptions options, UserSeam& seam, const Clock& clock)
    : options_(std::move(options)),
      seam_(seam),
      clock_(clock),
      modules_(std::make_unique<Modules>(*this)),
      settings(modules_->settings),
      subscriptions(modules_->subscriptions),
      inbox(modules_->inbox),
      online(modules_->online),
      check(modules_->check),
      scheduler(modules_->scheduler) {}

AppContext::~AppContext() = default;

}  // namespace vellorin
