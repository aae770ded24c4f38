#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

#include "browserlink/url_monitor.h"

namespace vellorin {

// The URL monitor's timer in the desktop client: a window timer of the user-interface thread.
class QtMonitorTimer final : public QObject, public MonitorTimer {
    Q_OBJECT

public:
    explicit QtMonitorTimer(QObject* parent = nullptr);
    void start(int intervalMs, std::function<void()> tick) override;
    void stop() override;
    QTimer* timer() const { return timer_; }

private:
    QTimer* timer_;
    std::function<void()> tick_;
};

}  // namespace vellorin
