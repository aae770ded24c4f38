#include "shell/ui/main_status_bar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStringList>
#include <QTimer>

#include <chrono>

#include "base/clock.h"

namespace vellorin {
namespace {

const char* const kProductTagLine = "Vellorin - your messages, delivered";
constexpr int kClockPanelIntervalMs = 1000;

}  // namespace

MainStatusBar::MainStatusBar(const Clock& clock, QWidget* parent)
    : QStatusBar(parent), clock_(clock) {
    setObjectName(QStringLiteral("ucStatusBar"));
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setContentsMargins(4, 0, 4, 0);
        panels_[i] = panel;
    }
    panels_[0]->setText(QString::fromLatin1(kProductTagLine));
    addWidget(panels_[0], 1);
    addWidget(panels_[1]);
    addWidget(panels_[2]);
    addPermanentWidget(panels_[3]);
    addPermanentWidget(panels_[4]);

    tmrClock_ = new QTimer(this);
    tmrClock_->setObjectName(QStringLiteral("tmrClock"));
    tmrClock_->setInterval(kClockPanelIntervalMs);
    connect(tmrClock_, &QTimer::timeout, this, &MainStatusBar::updateClockPanels);
    tmrClock_->start();
    updateClockPanels();
}

QLabel* MainStatusBar::Panel(int number) const {
    if (number < 1 || number > static_cast<int>(panels_.size()))
        return nullptr;
    return panels_[static_cast<std::size_t>(number - 1)];
}

void MainStatusBar::SetPanelText(int number, const QString& text) {
    if (QLabel* panel = Panel(number))
        panel->setText(text);
}

void MainStatusBar::SetTrayNotice(const QString& reason) {
    trayNotice_ = reason;
    updateNoticePanel();
}

void MainStatusBar::SetPlacementNotice(const QString& reason) {
    placementNotice_ = reason;
    updateNoticePanel();
}

void MainStatusBar::updateNoticePanel() {
    QStringList notices;
    for (const QString& notice : {trayNotice_, placementNotice_}) {
        if (!notice.isEmpty())
            notices.append(notice);
    }
    panels_[0]->setText(notices.isEmpty() ? QString::fromLatin1(kProductTagLine)
                                          : notices.join(QLatin1Char(' ')));
}

void MainStatusBar::updateClockPanels() {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(clock_.now().time_since_epoch());
    const QDateTime now = QDateTime::fromSecsSinceEpoch(seconds.count());
    const QLocale locale;
    panels_[3]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    panels_[4]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

}  // namespace vellorin
