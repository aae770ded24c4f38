#include "subscriptions/ui/frm_drop_box.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include <vector>

#include "base/app_context.h"
#include "base/ui/app_icons.h"
#include "base/ui/layered_window.h"
#include "config/settings.h"
#include "subscriptions/drop_box_geometry.h"
#include "subscriptions/drop_box_settings.h"

namespace vellorin {
namespace {

constexpr const char* kSizeCaptions[] = {"Small", "Normal", "Large"};
constexpr const char* kLevelCaptions[] = {"None", "Low", "Normal", "High"};
// The picture sits in its box with this many pixels all round.
constexpr int kBoxBorderPixels = 2;

// Twips per pixel of the primary screen, which the stored edges are measured in.
double ScreenTwipsPerPixel() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return TwipsPerPixel(primary != nullptr ? primary->logicalDotsPerInch() : 0.0);
}

ScreenRect ToScreenRect(const QRect& r) {
    return ScreenRect{r.x(), r.y(), r.width(), r.height()};
}

bool OffersPlainText(const QMimeData& mime) {
    const QStringList formats = mime.formats();
    for (const QString& format : formats) {
        if (format == QLatin1String("text/plain") ||
            format.startsWith(QLatin1String("text/plain;")))
            return true;
    }
    return false;
}

DroppedData ToDroppedData(const QMimeData& mime) {
    DroppedData data;
    if (OffersPlainText(mime))
        data.plainText = mime.text().toStdString();
    if (mime.hasFormat(QStringLiteral("text/uri-list"))) {
        const QList<QUrl> urls = mime.urls();
        for (const QUrl& url : urls)
            data.uriList.push_back(url.toString(QUrl::FullyEncoded).toStdString());
    }
    return data;
}

int FirstChecked(const auto& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i]->isChecked())
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

frmDropBox::frmDropBox(AppContext& context, LinkHandler onLink, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      context_(context),
      onLink_(std::move(onLink)) {
    setObjectName(QStringLiteral("frmDropBox"));
    setWindowTitle(QString());
    setAccessibleName(QStringLiteral("Vellorin DropBox"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    BuildMenu();
    ApplySettings();
    show();
}

void frmDropBox::BuildMenu() {
    mnuPopup_ = new QMenu(QStringLiteral("PopupMenu"), this);
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));

    QMenu* sizes = mnuPopup_->addMenu(QStringLiteral("Window Size"));
    sizes->setObjectName(QStringLiteral("mnuPopupSize"));
    sizes->menuAction()->setObjectName(QStringLiteral("mnuPopupSize"));
    auto* sizeGroup = new QActionGroup(this);
    for (int i = 0; i < kSizeCount; ++i) {
        QAction* item = sizes->addAction(QString::fromLatin1(kSizeCaptions[i]));
        item->setObjectName(QStringLiteral("mnuPopupSizeOpt"));
        item->setCheckable(true);
        sizeGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { mnuPopupSizeOpt_Click(i); });
        mnuPopupSizeOpt_[static_cast<std::size_t>(i)] = item;
    }
    mnuPopup_->addSeparator()->setObjectName(QStringLiteral("mnuPopupLine1"));

    QMenu* levels = mnuPopup_->addMenu(QStringLiteral("Transperancy"));
    levels->setObjectName(QStringLiteral("mnuPopupTrans"));
    levels->menuAction()->setObjectName(QStringLiteral("mnuPopupTrans"));
    auto* levelGroup = new QActionGroup(this);
    for (int i = 0; i < kLevelCount; ++i) {
        QAction* item = levels->addAction(QString::fromLatin1(kLevelCaptions[i]));
        item->setObjectName(QStringLiteral("mnuPopupTransOpt"));
        item->setCheckable(true);
        levelGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { mnuPopupTransOpt_Click(i); });
        mnuPopupTransOpt_[static_cast<std::size_t>(i)] = item;
    }
    mnuPopup_->addSeparator()->setObjectName(QStringLiteral("mnuPopupLine2"));

    mnuPopupClose_ = mnuPopup_->addAction(QStringLiteral("Close"));
    mnuPopupClose_->setObjectName(QStringLiteral("mnuPopupClose"));
    connect(mnuPopupClose_, &QAction::triggered, this, &QWidget::close);
}

QAction* frmDropBox::mnuPopupSizeOpt(int index) const {
    return index >= 0 && index < kSizeCount ? mnuPopupSizeOpt_[static_cast<std::size_t>(index)]
                                            : nullptr;
}

QAction* frmDropBox::mnuPopupTransOpt(int index) const {
    return index >= 0 && index < kLevelCount ? mnuPopupTransOpt_[static_cast<std::size_t>(index)]
                                             : nullptr;
}

int frmDropBox::CheckedSize() const {
    return FirstChecked(mnuPopupSizeOpt_);
}

int frmDropBox::CheckedTrans() const {
    return FirstChecked(mnuPopupTransOpt_);
}

void frmDropBox::ApplySettings() {
    mSettings& settings = context_.settings;
    LoadDropBoxSettings(settings);
    SetSize(settings.DropBoxSize);

    std::vector<ScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(ToScreenRect(screen->geometry()));
    const QScreen* primary = QGuiApplication::primaryScreen();
    const ScreenPoint place = DropBoxPlacement(
        settings.DropBoxLeft, settings.DropBoxTop, ScreenTwipsPerPixel(), width(), height(),
        screens, primary != nullptr ? ToScreenRect(primary->geometry()) : ScreenRect{});
    move(place.x, place.y);

    mnuPopupSizeOpt_[static_cast<std::size_t>(settings.DropBoxSize)]->setChecked(true);
    mnuPopupTransOpt_[static_cast<std::size_t>(settings.DropBoxTrans)]->setChecked(true);
    SetLevel(settings.DropBoxTrans);
}

void frmDropBox::SetSize(int index) {
    const double twipsPerPixel = ScreenTwipsPerPixel();
    const DropBoxSizeEntry size = DropBoxSizeFor(index);
    const int side = TwipsToPixels(size.windowTwips, twipsPerPixel);
    const int imageSide = TwipsToPixels(size.boxTwips, twipsPerPixel) - 2 * kBoxBorderPixels;
    picture_ = LoadAppIcon(QString::fromStdString(context_.appFolder()),
                           QString::fromLatin1(kAppIconFileName))
                   .pixmap(QSize(imageSide, imageSide));
    setFixedSize(side, side);
    update();
}

void frmDropBox::SetLevel(int index) {
    if (IsLayeringSupported())
        SetTransparency(this, index * 10);
}

void frmDropBox::mnuPopupSizeOpt_Click(int index) {
    // The group keeps exactly one item checked; nothing is stored until the box closes.
    mnuPopupSizeOpt_[static_cast<std::size_t>(index)]->setChecked(true);
    SetSize(index);
}

void frmDropBox::mnuPopupTransOpt_Click(int index) {
    mnuPopupTransOpt_[static_cast<std::size_t>(index)]->setChecked(true);
    SetLevel(index);
}

void frmDropBox::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    // A thin frame, so that the white box stays visible on a white desktop.
    painter.setPen(QColor(0xb0, 0xb4, 0xc0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawPixmap(kBoxBorderPixels, kBoxBorderPixels, picture_);
}

void frmDropBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The move starts only once the pointer moves: a window manager asked to move the window on
    // the press alone keeps the pointer grabbed when the button comes up before it has taken the
    // grab (a quick click), and the clicks after it never reach the window.
    drag_ = Drag::kPressed;
    pressPos_ = event->globalPosition().toPoint();
    grabOffset_ = pressPos_ - pos();
    event->accept();
}

void frmDropBox::mouseMoveEvent(QMouseEvent* event) {
    if (!event->buttons().testFlag(Qt::LeftButton) || drag_ == Drag::kNone) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (drag_ == Drag::kPressed &&
        (global - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        // The window manager moves the window while the button is held; where it cannot (no
        // window manager, one without the move request), the window follows the mouse itself.
        QWindow* window = windowHandle();
        drag_ = window != nullptr && window->startSystemMove() ? Drag::kSystem : Drag::kFollowing;
    }
    if (drag_ == Drag::kFollowing)
        move(global - grabOffset_);
    event->accept();
}

void frmDropBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        drag_ = Drag::kNone;
    if (event->button() == Qt::RightButton && rect().contains(event->position().toPoint())) {
        mnuPopup_->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void frmDropBox::dragEnterEvent(QDragEnterEvent* event) {
    // Every drop is taken, a file's too: what it offers decides the answer.
    event->acceptProposedAction();
}

void frmDropBox::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void frmDropBox::dropEvent(QDropEvent* event) {
    const DroppedData data =
        event->mimeData() != nullptr ? ToDroppedData(*event->mimeData()) : DroppedData{};
    event->acceptProposedAction();
    // A box shown inside the drop would keep the dragging program waiting for the drop's end:
    // the checks run once the drop is over.
    QMetaObject::invokeMethod(
        this, [this, data] { ProcessDrop(data); }, Qt::QueuedConnection);
}

void frmDropBox::ProcessDrop(const DroppedData& data) {
    const std::optional<std::string> link = ProcessDroppedData(context_.seam(), data);
    if (link && onLink_)
        onLink_(*link);
}

void frmDropBox::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Form_Unload();
}

void frmDropBox::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    mSettings& settings = context_.settings;
    const double twipsPerPixel = ScreenTwipsPerPixel();
    settings.DropBoxLeft = EdgeToStoredTwips(x(), twipsPerPixel);
    settings.DropBoxTop = EdgeToStoredTwips(y(), twipsPerPixel);
    settings.DropBoxSize = static_cast<std::int16_t>(CheckedSize());
    settings.DropBoxTrans = static_cast<std::int16_t>(CheckedTrans());
    SaveDropBoxSettings(settings);
    emit unloaded();
}

}  // namespace vellorin
