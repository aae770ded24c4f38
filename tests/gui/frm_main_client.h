#pragma once

// A desktop client for the main window's tests.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/clock.h"
#include "app/ui/frm_main.h"
#include "app/ui/qt_user_seam.h"
#include "notify/ui/frm_sys_tray.h"
#include "support/scoped_env.h"

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
class Client {
public:
    explicit Client(const ClientOptions& o = {}) {
        seam.setAutoAnswer([this](const MessageBoxRequest& request) -> std::optional<MsgAnswer> {
            boxes.push_back(request);
            return answer.value_or(vellorin::DefaultAnswer(request));
        });
        if (!o.settings.isEmpty()) {
            QFile file(appFile("settings.cfg"));
            if (file.open(QIODevice::WriteOnly))
                file.write(o.settings);
        }
        vellorin::AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = QDir(dataHome.path()).filePath("data").toStdString();
        options.commandLine = o.commandLine;
        context = std::make_unique<vellorin::AppContext>(options, seam, clock);
        window = std::make_unique<frmMain>(*context, nullptr, o.tray);
        window->setUrlOpener([this](const QUrl& url) { opened << url.toString(); });
    }

    QString appFile(const QString& name) const { return QDir(appDir.path()).filePath(name); }
    frmSysTray& tray() const { return *window->oSysTray(); }
    QString panel(int number) const { return window->StatusPanel(number)->text(); }
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const MessageBoxRequest& box : boxes)
            out.push_back(box.caption);
        return out;
    }

    // Chooses the tray menu item with command key `key`, as the user would.
    void choose(const QString& key) const {
        for (int i = 0; i < tray().MenuItemCount(); ++i) {
            if (tray().MenuItemKey(i) == key)
                return tray().mnuSysTray(i)->trigger();
        }
        QFAIL(qPrintable("no tray item " + key));
    }
    QAction* item(const char* name) const { return window->findChild<QAction*>(name); }

    QTemporaryDir appDir, dataHome;
    vellorin::test::ScopedEnv configHome{"XDG_CONFIG_HOME",
                                         QDir(dataHome.path()).filePath("config").toStdString()};
    vellorin::QtUserSeam seam;
    std::vector<MessageBoxRequest> boxes;
    std::optional<MsgAnswer> answer;
    QStringList opened;
    vellorin::ManualClock clock;
    std::unique_ptr<vellorin::AppContext> context;
    std::unique_ptr<frmMain> window;
};

// A moment of local time on 5 December 2026.
inline std::chrono::system_clock::time_point LocalTime(int hour, int minute) {
    std::tm t{};
    t.tm_mday = 5;
    t.tm_mon = 11;
    t.tm_year = 2026 - 1900;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

}  // namespace vellorin::test
