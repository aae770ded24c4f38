#pragma once

// A desktop client for the main window's tests, and a drop box's surroundings.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app_folders.h"
#include "notify/ui/frm_sys_tray.h"
#include "shell/ui/frm_main.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "support/local_time.h"
#include "support/recording_seam.h"

namespace vellorin::test {

inline constexpr frmMain::TrayAvailability WithTray = [] { return true; };
inline constexpr frmMain::TrayAvailability WithoutTray = [] { return false; };

struct ClientOptions {
    // settings.cfg, when not empty.
    QByteArray settings;
    std::string commandLine = "-s";
    frmMain::TrayAvailability tray = WithTray;
};

// A client on fresh folders, started silently with a tray unless told otherwise; its seam keeps
// every box and answers `answer` if set, else the default button; opened pages go to `opened`.
class Client : public AppFolders {
public:
    explicit Client(const ClientOptions& o = {}) : AppFolders(o.settings) {
        context = std::make_unique<vellorin::AppContext>(options(o.commandLine), seam, clock);
        window = std::make_unique<frmMain>(*context, nullptr, o.tray);
        window->setUrlOpener([this](const QUrl& url) { opened << url.toString(); });
    }

    frmSysTray& tray() const { return *window->oSysTray(); }
    QString panel(int number) const { return window->StatusPanel(number)->text(); }
    std::vector<std::string> captions() const { return seam.captions(); }

    // Chooses the tray menu item with command key `key`, as the user would.
    void choose(const QString& key) const {
        for (int i = 0; i < tray().MenuItemCount(); ++i) {
            if (tray().MenuItemKey(i) == key)
                return tray().mnuSysTray(i)->trigger();
        }
        QFAIL(qPrintable("no tray item " + key));
    }
    QAction* item(const char* name) const { return window->findChild<QAction*>(name); }

    KeptBoxesSeam seam;
    std::vector<MessageBoxRequest>& boxes = seam.boxes;
    std::optional<MsgAnswer>& answer = seam.answer;
    QStringList opened;
    std::unique_ptr<vellorin::AppContext> context;
    std::unique_ptr<frmMain> window;
};

// Fresh folders with the program's picture and maybe a settings.cfg, and the links the drop
// box passed on.
struct DropBoxWorld : MessageFolder {
    explicit DropBoxWorld(const QByteArray& settings = {}) : MessageFolder(nullptr, settings) {
        ship("vellorin.svg");
    }
    // A drop box still open when a test ends (one that failed half-way) goes with the world.
    ~DropBoxWorld() {
        for (const QPointer<frmDropBox>& box : boxes)
            delete box.data();
    }
    // Opens a drop box; it deletes itself when closed.
    frmDropBox* open() {
        boxes.append(
            new frmDropBox(*context, [this](const std::string& l) { links.push_back(l); }));
        return boxes.last();
    }

    std::vector<std::string> links;
    QList<QPointer<frmDropBox>> boxes;
};

// Drops `mime` on the middle of `box` as a drag from another program would, and lets the drop's
// work run. Gives whether the drag was accepted on entering.
inline bool Drop(frmDropBox* box, const QMimeData& mime) {
    const QPoint middle = box->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    QDropEvent drop(QPointF(middle), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(box, &drop);
    QCoreApplication::sendPostedEvents();
    return enter.isAccepted() && drop.isAccepted();
}

}  // namespace vellorin::test
