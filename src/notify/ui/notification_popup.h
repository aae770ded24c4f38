#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "base/screen_geometry.h"
#include "notify/popup_animation.h"

class QEvent;
class QBoxLayout;
class QLabel;
class QPushButton;
class QTimer;

namespace vellorin {

// What frmNotification and frmNoSourceNotify share: a small always-on-top window without a frame
// that slides up out of the bottom-right corner of the work area (the screen less its panels),
// waits for the user (or closes by itself after a time to live), and slides down again.
//
// Every part has its control name as objectName: the two header labels lblHeader, picSide,
// imgWeatherIcon, lblInfo, lblClose ("Close Window", shown while AutoClose is false; a click
// unloads at once), the timers tmrAnimate (10 ms) and tmrWait. The popup is deleted when it
// unloads.
//
// While CanGainFocus is false (as the browser link handling opens them) the popup never takes
// the keyboard focus: it is shown without activating and refuses focus; should it be activated
// all the same, the window that was active at load gets the focus back.
class NotificationPopup : public QWidget {
    Q_OBJECT

public:
    // The properties the opener sets before Open; each a plain stored value.
    int TransparencyPercentage() const { return transparencyPercentage_; }
    void setTransparencyPercentage(int value) { transparencyPercentage_ = value; }
    const QString& SoundFilePath() const { return soundFilePath_; }
    void setSoundFilePath(const QString& value) { soundFilePath_ = value; }
    bool PlaySound() const { return playSound_; }
    void setPlaySound(bool value) { playSound_ = value; }
    bool AutoClose() const { return autoClose_; }
    void setAutoClose(bool value) { autoClose_ = value; }
    // Milliseconds between the end of the opening and the start of the closing (AutoClose).
    int TimeToLive() const { return timeToLive_; }
    void setTimeToLive(int value) { timeToLive_ = value; }
    bool MakeTransparent() const { return makeTransparent_; }
    void setMakeTransparent(bool value) { makeTransparent_ = value; }
    bool CanGainFocus() const { return canGainFocus_; }
    void setCanGainFocus(bool value) { canGainFocus_ = value; }

    // Loads the popup with the properties as set and shows it at height 0 on the bottom edge of
    // the work area, opening. A popup already shown is left as it is.
    void Open();
    // Starts closing (every button but lblClose does this).
    void ClosePopup();

    // The timers' ticks.
    void tmrAnimate_Timer();
    void tmrWait_Timer();

    // The current height and the designed height in twips, and the work area taken at load.
    int HeightTwips() const { return animation_.height(); }
    int FullHeight() const { return animation_.fullHeight(); }
    const ScreenRect& WorkArea() const { return workArea_; }
    // Whether the last Open played a sound.
    bool SoundPlayed() const { return soundPlayed_; }

    QLabel* lblInfo() const { return lblInfo_; }
    QLabel* lblClose() const { return lblClose_; }
    QTimer* tmrAnimate() const { return tmrAnimate_; }
    QTimer* tmrWait() const { return tmrWait_; }

protected:
    // `designWidth` by `designHeight` twips at least; larger when the texts need it. The
    // pictures come from `appFolder`.
    NotificationPopup(const QString& name, const QString& info, const QString& appFolder,
                      int designWidth, int designHeight, QWidget* parent);

    // A button of the popup with its tooltip (title "Quick Info!" above `tip`), added at the
    // end of button row `row` (0 or 1); the buttons of a row share its width.
    QPushButton* addButton(const QString& name, const QString& caption, const QString& tip,
                           int row);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

    int transparencyPercentage_ = 0;
    QString soundFilePath_;
    bool playSound_ = false;
    bool autoClose_ = false;
    int timeToLive_ = 0;
    bool makeTransparent_ = false;
    bool canGainFocus_ = false;

    int designWidth_;
    int designHeight_;
    ScreenRect workArea_;
    int widthTwips_ = 0;
    PopupAnimation animation_{0};
    QPointer<QWidget> previousForegroundWindow_;
    bool soundPlayed_ = false;

    QWidget* body_ = nullptr;
    QBoxLayout* buttonRows_[2] = {nullptr, nullptr};
    QLabel* lblInfo_ = nullptr;
    QLabel* lblClose_ = nullptr;
    QTimer* tmrAnimate_ = nullptr;
    QTimer* tmrWait_ = nullptr;
};

}  // namespace vellorin
