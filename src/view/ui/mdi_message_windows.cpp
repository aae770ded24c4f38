#include "view/ui/mdi_message_windows.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTabBar>

#include <algorithm>

namespace vellorin {
namespace {

frmDoc* MessageWindowOf(const QMdiSubWindow* subWindow) {
    return subWindow ? qobject_cast<frmDoc*>(subWindow->widget()) : nullptr;
}

}  // namespace

// Keeps every message window's tab at most a third of the frame wide, so that one long title (a
// single word of 200 characters, say) cannot crowd the other tabs out: the tab's text (the
// sub-window's title) is the caption cut with an ellipsis; the message window keeps the whole
// caption. It fits the tabs again whenever the area changes its size.
class MdiMessageWindows::TabFitter : public QObject {
public:
    explicit TabFitter(QMdiArea* area) : QObject(area), area_(area) {
        area_->installEventFilter(this);
    }

    void fit() const {
        auto* tabs = area_->findChild<QTabBar*>();
        if (tabs == nullptr || tabs->count() == 0)
            return;
        // Tabs as wide as their text, not stretched to share the whole strip.
        tabs->setExpanding(false);
        // What a tab takes besides its text (the style's margins, icon and close button): as
        // measured on the tabs shown, at least the style's margins and the close button.
        const QFontMetrics metrics = tabs->fontMetrics();
        const QWidget* closeButton = tabs->tabButton(0, QTabBar::RightSide);
        int besides = tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs) +
                      (closeButton ? closeButton->sizeHint().width() : 0);
        for (int i = 0; i < tabs->count(); ++i) {
            const int text = metrics.size(Qt::TextShowMnemonic, tabs->tabText(i)).width();
            besides = std::max(besides, tabs->tabRect(i).width() - text);
        }
        const int room =
            std::max(area_->window()->width() / 3 - besides, metrics.averageCharWidth());
        for (QMdiSubWindow* subWindow : area_->subWindowList()) {
            if (const frmDoc* window = MessageWindowOf(subWindow)) {
                const QString text = metrics.elidedText(window->windowTitle(), Qt::ElideRight, room,
                                                        Qt::TextShowMnemonic);
                if (subWindow->windowTitle() != text)
                    subWindow->setWindowTitle(text);
            }
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == area_ && event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    QMdiArea* area_;
};

MdiMessageWindows::MdiMessageWindows(QMdiArea* area, UserSeam& seam,
                                     MessageViewChoice::EngineChosen engineChosen)
    : area_(area),
      seam_(seam),
      views_(seam, std::move(engineChosen)),
      tabFitter_(new TabFitter(area)) {
    area_->setViewMode(QMdiArea::TabbedView);
    area_->setTabsClosable(true);
    area_->setTabsMovable(true);
    area_->setDocumentMode(true);
}

MdiMessageWindows::~MdiMessageWindows() = default;

QList<frmDoc*> MdiMessageWindows::messageWindows() const {
    QList<frmDoc*> windows;
    for (QMdiSubWindow* subWindow : area_->subWindowList(QMdiArea::CreationOrder)) {
        // A closed sub-window lingers until its deletion comes round.
        if (frmDoc* window = MessageWindowOf(subWindow); window && !subWindow->isHidden())
            windows.append(window);
    }
    return windows;
}

frmDoc* MdiMessageWindows::oDoc() const {
    const QWidget* subWindow = oDoc_ ? oDoc_->parentWidget() : nullptr;
    return subWindow && !subWindow->isHidden() ? oDoc_.data() : nullptr;
}

frmDoc* MdiMessageWindows::activeMessageWindow() const {
    return MessageWindowOf(area_->activeSubWindow());
}

QMdiSubWindow* MdiMessageWindows::findSubWindow(const std::string& sourceId,
                                                const std::string& guid) const {
    const QString sourceID = QString::fromStdString(sourceId);
    const QString itemId = QString::fromStdString(guid);
    for (frmDoc* window : messageWindows()) {
        if (window->SourceID() == sourceID && window->ItemID() == itemId)
            return qobject_cast<QMdiSubWindow*>(window->parentWidget());
    }
    return nullptr;
}

bool MdiMessageWindows::FindOpenMessage(const std::string& sourceId, const std::string& guid) {
    QMdiSubWindow* subWindow = findSubWindow(sourceId, guid);
    if (subWindow == nullptr)
        return false;
    area_->setActiveSubWindow(subWindow);
    return true;
}

void MdiMessageWindows::OpenMessageWindow(const std::string& sourceId, const std::string& guid,
                                          const std::string& caption, const std::string& pagePath) {
    auto* window = new frmDoc(seam_, QString::fromStdString(caption),
                              QString::fromStdString(pagePath), nullptr, &views_.factory());
    window->setSourceID(QString::fromStdString(sourceId));
    window->setItemID(QString::fromStdString(guid));
    if (urlOpener_)
        window->setUrlOpener(urlOpener_);
    QMdiSubWindow* subWindow = area_->addSubWindow(window);
    subWindow->setAttribute(Qt::WA_DeleteOnClose);
    subWindow->setWindowTitle(window->windowTitle());
    oDoc_ = window;
    window->show();
    area_->setActiveSubWindow(subWindow);
    if (tabFitter_)
        tabFitter_->fit();
}

bool MdiMessageWindows::CloseMessageWindow(const std::string& sourceId, const std::string& guid) {
    QMdiSubWindow* subWindow = findSubWindow(sourceId, guid);
    if (subWindow == nullptr)
        return false;
    subWindow->close();
    return true;
}

}  // namespace vellorin
