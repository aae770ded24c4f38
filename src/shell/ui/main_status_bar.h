#pragma once

#include <QStatusBar>
#include <QString>

#include <array>

class QLabel;
class QTimer;

namespace vellorin {

class Clock;

// ucStatusBar: the main window's status bar with its five panels: 1 the product tag line (or,
// where the desktop has no tray, why the window stays in the task bar), 2 the check frequency,
// 3 the check state, 4 the date and 5 the time, which the bar keeps current by itself from
// `clock` (borrowed; must outlive the bar).
class MainStatusBar : public QStatusBar {
    Q_OBJECT

public:
    MainStatusBar(const Clock& clock, QWidget* parent = nullptr);

    // Panel 1 to 5 (objectName "Panel1" ... "Panel5"); nullptr for any other number.
    QLabel* Panel(int number) const;
    // Sets a panel's text; an invalid number is ignored.
    void SetPanelText(int number, const QString& text);
    // Shows in panel 1 why the window stays reachable without a tray (`reason` not empty), or the
    // tag line again (empty `reason`).
    void SetTrayNotice(const QString& reason);
    // Shows in panel 1 why the drop box cannot keep its place (`reason` not empty; after the tray
    // notice when both apply), or takes the reason away (empty `reason`).
    void SetPlacementNotice(const QString& reason);

private:
    void updateClockPanels();
    void updateNoticePanel();

    const Clock& clock_;
    std::array<QLabel*, 5> panels_{};
    QString trayNotice_;
    QString placementNotice_;
    QTimer* tmrClock_ = nullptr;
};

}  // namespace vellorin
