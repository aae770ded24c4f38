// The desktop client's entry point.
//
// Start-up: the single-instance guard first (a second start shows the "Previous Instance" box and
// ends with status 0 before any window exists), then the main window, whose construction runs
// the load sequence and leaves it hidden in the tray. The program lives in the tray: closing the
// last visible window does not end it; the main window's unload does.
//
// Environment:
//   VELLORIN_NONINTERACTIVE=1  no message box is shown: each one is written to standard error as
//                              "caption: text" and answered with its default button. Tests and
//                              scripts use it so that no box waits for a user.
//   VELLORIN_ONLINE=1 or 0     the check runs and the schedule take the machine as online or
//                              offline instead of asking the system, as vellorinctl's --online
//                              and --offline do: tests, and the demo on a machine without a
//                              network, can then check.
//
// Windows and message pages are drawn without OpenGL unless QT_XCB_GL_INTEGRATION or
// QT_QUICK_BACKEND is set (PreferSoftwareRendering).
// On a Wayland session without QT_QPA_PLATFORM the client asks for XWayland ("xcb"), since only
// there it can place its windows; where XWayland is missing it runs on Wayland and says so in the
// status bar.
//
// Without a tray host (the offscreen platform, desktops without a notification area) the main
// window is shown at start and minimises to the task bar instead of the tray.
//
// SIGTERM, SIGINT and SIGHUP (a session manager or systemd ending the session, a kill, Ctrl+C)
// end the client as Exit answered "Yes" does, without the question, with exit status 0.

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QString>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/app_context.h"
#include "base/app_layout.h"
#include "base/clock.h"
#include "base/command_line.h"
#include "base/constants.h"
#include "inbox/online_state.h"
#include "shell/instance_guard.h"
#include "shell/online_override.h"
#include "shell/platform_choice.h"
#include "shell/termination_signals.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/qt_user_seam.h"
#include "shell/ui/software_rendering.h"

int main(int argc, char** argv) {
    // The switches are compared with the whole argument text as the user gave it, so it is taken
    // before Qt removes the options it understands.
    const std::string commandLine = vellorin::JoinCommandLine(argc, argv);

    vellorin::PreferSoftwareRendering();
    // On a Wayland session the client runs on XWayland, where it can place the drop box and the
    // popups, unless the user chose a platform; without XWayland Qt falls back to Wayland.
    const std::string platform =
        vellorin::ChosenQtPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                                   std::getenv("WAYLAND_DISPLAY"));
    if (!platform.empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));

    // The web engine, loaded with the first message window, shares its drawing contexts with the
    // application's, which Qt sets up only when asked before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vellorin"));
    // Matches the desktop entry, which Wayland compositors and task bars look up by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("net.vellorin.Vellorin"));
    QApplication::setQuitOnLastWindowClosed(false);

    vellorin::QtUserSeam seam;
    if (qEnvironmentVariable("VELLORIN_NONINTERACTIVE") == QLatin1String("1")) {
        seam.setAutoAnswer(&vellorin::AnswerOnStandardError);
    }

    // Held until the process ends; the kernel releases it however the process ends.
    vellorin::InstanceGuard guard;
    if (!guard.IsFirstInstance(vellorin::kInstanceGuardName)) {
        seam.messageBox(vellorin::kPreviousInstanceCaption, vellorin::PreviousInstanceText(),
                        vellorin::MsgIcon::Exclamation, vellorin::MsgButtons::OK);
        return 0;
    }

    // From here on the signal handlers only write to a pipe, which the event loop reads.
    vellorin::TerminationSignals terminationSignals;
    (void)terminationSignals.Install();

    vellorin::AppOptions options;
    const vellorin::AppFolders folders =
        vellorin::ResolveAppFolders(QCoreApplication::applicationDirPath().toStdString());
    options.appFolder = folders.appFolder;
    options.settingsFolder = folders.settingsFolder;
    if (folders.installed)
        (void)vellorin::EnsureSettingsFolder(folders.settingsFolder);
    options.commandLine = commandLine;
    options.executableName =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();

    vellorin::SystemClock clock;
    vellorin::AppContext context(options, seam, clock);
    context.online.setOverride(
        vellorin::OnlineOverrideFromEnvironment(std::getenv(vellorin::kOnlineEnvironmentVariable)));
    vellorin::frmMain mainWindow(context);
    // exit, not quit: quit asks every window to close first and gives up when one refuses.
    QObject::connect(&mainWindow, &vellorin::frmMain::unloaded, &app,
                     [] { QCoreApplication::exit(0); });

    // The end itself runs here, between events; a signal caught during the load waits in the
    // pipe until the event loop runs.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (terminationSignals.fd() >= 0) {
        signalNotifier =
            std::make_unique<QSocketNotifier>(terminationSignals.fd(), QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &mainWindow, [&] {
            while (terminationSignals.Take() != 0) {
            }
            mainWindow.UnloadWithoutQuestion();
        });
    }
    return app.exec();
}
