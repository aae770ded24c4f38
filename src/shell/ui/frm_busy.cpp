#include "shell/ui/frm_busy.h"

#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "base/ui/app_icons.h"
#include "base/ui/layered_window.h"

namespace vellorin {
namespace {

constexpr int kTransparencyPercentage = 10;
constexpr int kPictureSize = 48;
// The picture's clock hand turns a twelfth of a circle per frame.
constexpr int kFrameIntervalMs = 100;
constexpr int kFramesPerTurn = 12;
// The clock face of the busy picture, in the 64 by 64 units of its drawing.
constexpr double kDrawingSize = 64.0;
constexpr double kClockX = 50.0;
constexpr double kClockY = 14.0;
constexpr double kClockRadius = 12.0;
constexpr double kHandLength = 8.0;

QLabel* CaptionLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A one-line label whose text, however long (a source's title, a link), neither widens the
// window nor runs out of it: what does not fit is cut with an ellipsis. text() and the
// accessible name keep the whole text.
class ElidedLabel : public QLabel {
public:
    ElidedLabel(const QString& name, const QString& text, QWidget* parent) : QLabel(text, parent) {
        setObjectName(name);
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    QSize sizeHint() const override { return {minimumWidth(), QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                              shown, foregroundRole());
    }
};

}  // namespace

frmBusy::frmBusy(const QString& appFolder, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmBusy"));
    setWindowTitle(QStringLiteral("Vellorin"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (IsLayeringSupported())
        SetTransparency(this, kTransparencyPercentage);

    imgVellorin_ = CaptionLabel(QStringLiteral("imgVellorin"), QString(), this);
    imgVellorin_->setFixedSize(kPictureSize, kPictureSize);
    imgVellorin_->setAccessibleName(QStringLiteral("Checking"));
    picture_ = LoadAppIcon(appFolder, QString::fromLatin1(kBusyIconFileName))
                   .pixmap(QSize(kPictureSize, kPictureSize));
    lblChecking_ = CaptionLabel(QStringLiteral("lblChecking"),
                                QStringLiteral("Checking for New Messages ... "), this);
    QFont bold = lblChecking_->font();
    bold.setBold(true);
    lblChecking_->setFont(bold);
    lblSource_ = new ElidedLabel(QStringLiteral("lblSource"), QStringLiteral("Source Title"), this);
    lblStatus_ = new ElidedLabel(QStringLiteral("lblStatus"), QString(), this);
    for (QLabel* value : {lblSource_, lblStatus_})
        value->setMinimumWidth(260);
    lstQueue_ = new QListWidget(this);
    lstQueue_->setObjectName(QStringLiteral("lstQueue"));
    lstQueue_->setFocusPolicy(Qt::NoFocus);
    lstQueue_->setSelectionMode(QAbstractItemView::NoSelection);
    lstQueue_->setFixedHeight(lstQueue_->fontMetrics().height() * 5 + 8);

    auto* fields = new QGridLayout;
    fields->addWidget(lblChecking_, 0, 0, 1, 2);
    QLabel* sourceCaption =
        CaptionLabel(QStringLiteral("lblSourceCaption"), QStringLiteral("Source:"), this);
    QLabel* statusCaption =
        CaptionLabel(QStringLiteral("lblStatusCaption"), QStringLiteral("Status:"), this);
    fields->addWidget(sourceCaption, 1, 0);
    fields->addWidget(lblSource_, 1, 1);
    fields->addWidget(statusCaption, 2, 0);
    fields->addWidget(lblStatus_, 2, 1);
    fields->setColumnStretch(1, 1);
    lblSource_->setAccessibleName(sourceCaption->text());
    lblStatus_->setAccessibleName(statusCaption->text());

    auto* top = new QHBoxLayout;
    top->addWidget(imgVellorin_, 0, Qt::AlignTop);
    top->addLayout(fields, 1);

    QLabel* queueCaption =
        CaptionLabel(QStringLiteral("lblQueueCaption"), QStringLiteral("Sources in Queue:"), this);
    queueCaption->setBuddy(lstQueue_);
    lstQueue_->setAccessibleName(queueCaption->text());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(queueCaption);
    layout->addWidget(lstQueue_);

    tmrAnimate_ = new QTimer(this);
    tmrAnimate_->setObjectName(QStringLiteral("tmrAnimate"));
    tmrAnimate_->setInterval(kFrameIntervalMs);
    connect(tmrAnimate_, &QTimer::timeout, this, &frmBusy::tmrAnimate_Timer);
    drawFrame();
}

void frmBusy::keyReleaseEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers held = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier |
                                                             Qt::ShiftModifier | Qt::MetaModifier);
    if (event->key() == Qt::Key_Q && held == (Qt::ControlModifier | Qt::AltModifier)) {
        close();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void frmBusy::mousePressEvent(QMouseEvent* event) {
    // The user reached for the window: now it may have the focus. Changing the flag hides a
    // shown window, hence the show.
    if (windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) {
        setWindowFlag(Qt::WindowDoesNotAcceptFocus, false);
        show();
        activateWindow();
    }
    QWidget::mousePressEvent(event);
}

void frmBusy::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closedByUser();
}

void frmBusy::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    tmrAnimate_->start();
}

void frmBusy::hideEvent(QHideEvent* event) {
    tmrAnimate_->stop();
    QWidget::hideEvent(event);
}

void frmBusy::tmrAnimate_Timer() {
    frame_ = (frame_ + 1) % kFramesPerTurn;
    drawFrame();
}

void frmBusy::drawFrame() {
    // The picture with its clock hand turned to this frame's hour.
    QPixmap shown = picture_;
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = kPictureSize / kDrawingSize;
    painter.scale(scale, scale);
    painter.setPen(QPen(Qt::white, 2.0));
    painter.setBrush(QColor(0xf2, 0x9c, 0x1f));
    painter.drawEllipse(QPointF(kClockX, kClockY), kClockRadius, kClockRadius);
    painter.translate(kClockX, kClockY);
    painter.rotate(360.0 * frame_ / kFramesPerTurn);
    painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(0, -kHandLength));
    painter.end();
    imgVellorin_->setPixmap(shown);
}

}  // namespace vellorin
