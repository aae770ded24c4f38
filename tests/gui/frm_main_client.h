#pragma once

// A desktop client for the main window's tests.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app_folders.h"
#include "notify/ui/frm_sys_tray.h"
#include "shell/ui/frm_main.h"
#include "support/local_time.h"

namespace vellorin::test {

inline bool WithTray() {
    return true;
}
inline bool WithoutTray() {
    return false;
}

struct ClientOptions {
    // settings.cfg, when not empty.
    QByteArray settings;
    std::string commandLine = "-s";
    vellorin::frmMain::TrayAvailability tray = &WithTray;
};

// A client with its own application folder and data folder, started silently on a desktop with
// a tray unless told otherwise. Its seam keeps every box and answers with `answer` if set, else
// with the box's default button; the help targets it opens are kept in `opened`.
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

}  // namespace vellorin::test
