#include "gui/gui_tests.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The client lives in the tray; windows closing must not end the test run either.
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariable("VELLORIN_TRAY_HOST_TESTS") == QLatin1String("1"))
        return RunTrayHostTests(argc, argv) + RunX11DropBoxTests(argc, argv) == 0 ? 0 : 1;
    if (qEnvironmentVariable("VELLORIN_DBUS_TESTS") == QLatin1String("1"))
        return RunDesktopNotificationsTests(argc, argv);

    int failed = 0;
    for (auto run : {RunQtUserSeamTests,
                     RunFrmMainTests,
                     RunFrmMainFrameTests,
                     RunSingleInstanceTests,
                     RunTreeModelTests,
                     RunFrmOptionsTests,
                     RunFrmSysTrayTests,
                     RunPreferenceDialogsTests,
                     RunFrmDocTests,
                     RunMdiMessageWindowsTests,
                     RunFrmBusyTests,
                     RunFrmSubscribeTests,
                     RunFrmSubscrListManagerTests,
                     RunMainSubscriptionCommandsTests,
                     RunNotificationPopupsTests,
                     RunBrowserPlugInTests,
                     RunFrmDropBoxTests,
                     RunDataFolderWatcherTests,
                     RunReadingCommandsTests,
                     RunTextMessageViewTests})
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
