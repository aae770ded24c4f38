#include "view/ui/mdi_message_windows.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace vellorin {
namespace {

frmDoc* MessageWindowOf(const QMdiSubWindow* subWindow) {
    return subWindow ? qobject_cast<frmDoc*>(subWindow->widget()) : nullptr;
}

}  // namespace

MdiMessageWindows::MdiMessageWindows(QMdiArea* area, UserSeam& seam,
                                     MessageViewChoice::EngineChosen engineChosen)
    : area_(area), seam_(seam), views_(seam, std::move(engineChosen)) {
    area_->setViewMode(QMdiArea::TabbedView);
    area_->setTabsClosable(true);
    area_->setTabsMovable(true);
    area_->setDocumentMode(true);
}

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

QMdiSubWindow* MdiMessageWindows::findSubWindow(const std::string& guid) const {
    const QString itemId = QString::fromStdString(guid);
    for (frmDoc* window : messageWindows()) {
        if (window->ItemID() == itemId)
            return qobject_cast<QMdiSubWindow*>(window->parentWidget());
    }
    return nullptr;
}

bool MdiMessageWindows::FindOpenMessage(const std::string& guid) {
    QMdiSubWindow* subWindow = findSubWindow(guid);
    if (subWindow == nullptr)
        return false;
    area_->setActiveSubWindow(subWindow);
    return true;
}

void MdiMessageWindows::OpenMessageWindow(const std::string& guid, const std::string& caption,
                                          const std::string& pagePath) {
    auto* window = new frmDoc(seam_, QString::fromStdString(caption),
                              QString::fromStdString(pagePath), nullptr, &views_.factory());
    window->setItemID(QString::fromStdString(guid));
    if (urlOpener_)
        window->setUrlOpener(urlOpener_);
    QMdiSubWindow* subWindow = area_->addSubWindow(window);
    subWindow->setAttribute(Qt::WA_DeleteOnClose);
    subWindow->setWindowTitle(window->windowTitle());
    oDoc_ = window;
    window->show();
    area_->setActiveSubWindow(subWindow);
}

bool MdiMessageWindows::CloseMessageWindow(const std::string& guid) {
    QMdiSubWindow* subWindow = findSubWindow(guid);
    if (subWindow == nullptr)
        return false;
    subWindow->close();
    return true;
}

}  // namespace vellorin
