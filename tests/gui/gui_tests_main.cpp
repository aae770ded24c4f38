#include <QApplication>

#include "gui/gui_tests.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The client lives in the tray; windows closing must not end the test run either.
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariable("VELLORIN_TRAY_HOST_TESTS") == QLatin1String("1"))
        return RunTrayHostTests(argc, argv) + RunX11DropBoxTests(argc, argv) == 0 ? 0 : 1;

    int failed = 0;
    failed += RunQtUserSeamTests(argc, argv);
    failed += RunFrmMainTests(argc, argv);
    failed += RunFrmMainFrameTests(argc, argv);
    failed += RunSingleInstanceTests(argc, argv);
    failed += RunTreeModelTests(argc, argv);
    failed += RunFrmOptionsTests(argc, argv);
    failed += RunFrmSysTrayTests(argc, argv);
    failed += RunPreferenceDialogsTests(argc, argv);
    failed += RunFrmDocTests(argc, argv);
    failed += RunMdiMessageWindowsTests(argc, argv);
    failed += RunFrmBusyTests(argc, argv);
    failed += RunFrmSubscribeTests(argc, argv);
    failed += RunFrmSubscrListManagerTests(argc, argv);
    failed += RunMainSubscriptionCommandsTests(argc, argv);
    failed += RunNotificationPopupsTests(argc, argv);
    failed += RunBrowserPlugInTests(argc, argv);
    failed += RunFrmDropBoxTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
