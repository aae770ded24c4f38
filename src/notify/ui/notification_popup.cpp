#include "notify/ui/notification_popup.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "base/ui/app_icons.h"
#include "base/ui/layered_window.h"
#include "notify/ui/notification_sound.h"

namespace vellorin {
namespace {

constexpr int kWaitIntervalMs = 4000;
constexpr int kIconSize = 32;
constexpr int kSideWidth = 10;
const char* const kHeader = "Vellorin Browser Plug-In";
const char* const kPanelStyle =
    "#popupBody { background: #fdfdfb; border: 1px solid #7a8fa6; }"
    "#picSide { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f6db5,"
    " stop:1 #8cb7e8); }"
    "#lblClose { color: #2456a4; text-decoration: underline; }";

}  // namespace

NotificationPopup::NotificationPopup(const QString& name, const QString& info,
                                     const QString& appFolder, int designWidth, int designHeight,
                                     QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      designWidth_(designWidth),
      designHeight_(designHeight) {
    setObjectName(name);
    setWindowTitle(QString::fromLatin1(kHeader));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet(QString::fromLatin1(kPanelStyle));

    // The body keeps its full size while the window grows and shrinks around it, so the popup
    // reveals it from the top as it rises.
    body_ = new QWidget(this);
    body_->setObjectName(QStringLiteral("popupBody"));
    body_->setAttribute(Qt::WA_StyledBackground);

    auto* picSide = new QLabel(body_);
    picSide->setObjectName(QStringLiteral("picSide"));
    picSide->setFixedWidth(kSideWidth);

    auto* imgWeatherIcon = new QLabel(body_);
    imgWeatherIcon->setObjectName(QStringLiteral("imgWeatherIcon"));
    imgWeatherIcon->setPixmap(
        LoadAppIcon(appFolder, QString::fromLatin1(kAppIconFileName)).pixmap(kIconSize, kIconSize));
    imgWeatherIcon->setFixedSize(kIconSize, kIconSize);

    // The header: the caption over its own shadow.
    auto* header = new QWidget(body_);
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    QLabel* shadow = nullptr;
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kHeader), header);
        label->setObjectName(QStringLiteral("lblHeader"));
        label->setFont(bold);
        label->setStyleSheet(i == 0 ? QStringLiteral("color: #b8c4d2;")
                                    : QStringLiteral("color: #1d3f73;"));
        label->adjustSize();
        label->move(i == 0 ? QPoint(1, 1) : QPoint(0, 0));
        if (i == 0)
            shadow = label;
    }
    header->setFixedSize(shadow->width() + 1, shadow->height() + 1);

    lblInfo_ = new QLabel(info, body_);
    lblInfo_->setObjectName(QStringLiteral("lblInfo"));
    lblInfo_->setWordWrap(true);
    lblInfo_->setTextFormat(Qt::PlainText);

    lblClose_ = new QLabel(QStringLiteral("Close Window"), body_);
    lblClose_->setObjectName(QStringLiteral("lblClose"));
    lblClose_->setCursor(Qt::PointingHandCursor);
    lblClose_->installEventFilter(this);

    for (QBoxLayout*& row : buttonRows_) {
        row = new QHBoxLayout;
        row->setSpacing(4);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(imgWeatherIcon, 0, Qt::AlignTop);
    top->addWidget(header, 1, Qt::AlignVCenter);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(5);
    column->addLayout(top);
    column->addWidget(lblInfo_);
    for (QBoxLayout* row : buttonRows_)
        column->addLayout(row);
    column->addWidget(lblClose_, 0, Qt::AlignRight);
    auto* layout = new QHBoxLayout(body_);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(picSide);
    layout->addLayout(column, 1);

    tmrAnimate_ = new QTimer(this);
    tmrAnimate_->setObjectName(QStringLiteral("tmrAnimate"));
    tmrAnimate_->setInterval(PopupAnimation::kTickMs);
    connect(tmrAnimate_, &QTimer::timeout, this, &NotificationPopup::tmrAnimate_Timer);
    tmrWait_ = new QTimer(this);
    tmrWait_->setObjectName(QStringLiteral("tmrWait"));
    tmrWait_->setInterval(kWaitIntervalMs);
    connect(tmrWait_, &QTimer::timeout, this, &NotificationPopup::tmrWait_Timer);
}

QPushButton* NotificationPopup::addButton(const QString& name, const QString& caption,
                                          const QString& tip, int row) {
    auto* button = new QPushButton(caption, body_);
    button->setObjectName(name);
    button->setToolTip(QStringLiteral("<b>Quick Info!</b><br>") + tip.toHtmlEscaped());
    // Clicking a button must not draw the keyboard focus to the popup either.
    button->setFocusPolicy(Qt::NoFocus);
    buttonRows_[row == 0 ? 0 : 1]->addWidget(button, 1);
    return button;
}

double NotificationPopup::twipsPerPixelX() const {
    return TwipsPerPixel(logicalDpiX());
}

double NotificationPopup::twipsPerPixelY() const {
    return TwipsPerPixel(logicalDpiY());
}

void NotificationPopup::Open() {
    if (isVisible())
        return;
    // 1.-2. The window active now keeps the focus; the popup stays above the others.
    previousForegroundWindow_ = QApplication::activeWindow();
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, !canGainFocus_);
    setAttribute(Qt::WA_ShowWithoutActivating, !canGainFocus_);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // 3. Translucent where the desktop composites windows.
    if (makeTransparent_ && IsLayeringSupported())
        SetTransparency(this, transparencyPercentage_);
    // 4.
    lblClose_->setVisible(!autoClose_);
    // 5. The work area of the primary screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    workArea_ = ScreenRect{area.x(), area.y(), area.width(), area.height()};
    // 6. The designed size, or what the texts need at this font.
    const QSize needed = body_->minimumSizeHint();
    const int width = std::max(TwipsToPixels(designWidth_, twipsPerPixelX()), needed.width());
    const int height = std::max(TwipsToPixels(designHeight_, twipsPerPixelY()), needed.height());
    body_->setFixedSize(width, height);
    widthTwips_ = static_cast<int>(std::lround(width * twipsPerPixelX()));
    const int fullHeight = height == TwipsToPixels(designHeight_, twipsPerPixelY())
                               ? designHeight_
                               : static_cast<int>(std::lround(height * twipsPerPixelY()));
    animation_ = PopupAnimation(fullHeight);
    // 7. Height 0 on the bottom edge, opening.
    place();
    // 8.
    soundPlayed_ = playSound_ && PlayNotificationSound(soundFilePath_);
    // 9.
    show();
    tmrAnimate_->start();
}

void NotificationPopup::ClosePopup() {
    tmrWait_->stop();
    animation_.close();
    tmrAnimate_->start();
}

void NotificationPopup::place() {
    const PopupPosition at =
        PlacePopup(workArea_, twipsPerPixelX(), twipsPerPixelY(), widthTwips_, animation_.height());
    // A window cannot be 0 pixels high: at height 0 it is one pixel, below the work area.
    const int height = TwipsToPixels(animation_.height(), twipsPerPixelY());
    setGeometry(TwipsToPixels(at.left, twipsPerPixelX()), TwipsToPixels(at.top, twipsPerPixelY()),
                body_->width(), std::max(1, height));
}

void NotificationPopup::tmrAnimate_Timer() {
    switch (animation_.tick()) {
        case PopupAnimation::Step::Moved:
            place();
            break;
        case PopupAnimation::Step::Opened:
            tmrAnimate_->stop();
            if (autoClose_) {
                tmrWait_->setInterval(timeToLive_);
                tmrWait_->start();
            }
            break;
        case PopupAnimation::Step::Closed:
            tmrAnimate_->stop();
            close();
            break;
    }
}

void NotificationPopup::tmrWait_Timer() {
    tmrWait_->stop();
    animation_.close();
    tmrAnimate_->start();
}

bool NotificationPopup::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !canGainFocus_ && previousForegroundWindow_ &&
        previousForegroundWindow_ != this)
        previousForegroundWindow_->activateWindow();
    return QWidget::event(event);
}

bool NotificationPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblClose_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // Unloads at once, without the closing slide.
        tmrAnimate_->stop();
        tmrWait_->stop();
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vellorin
