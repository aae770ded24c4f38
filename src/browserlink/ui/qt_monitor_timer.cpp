#include "browserlink/ui/qt_monitor_timer.h"

#include <utility>

namespace vellorin {

QtMonitorTimer::QtMonitorTimer(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("myTimer"));
    connect(timer_, &QTimer::timeout, this, [this] {
        if (tick_)
            tick_();
    });
}

void QtMonitorTimer::start(int intervalMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    timer_->start(intervalMs);
}

void QtMonitorTimer::stop() {
    timer_->stop();
    tick_ = nullptr;
}

}  // namespace vellorin
