#pragma once

// What every GUI test includes: Qt Test and Qt Widgets (with Qt Core and Qt Gui), and the entry
// of each test class.
#include <QtTest>
#include <QtWidgets>

// Defines RunXxxTests, which runs the Qt Test class vellorin::test::TestXxx.
#define VELLORIN_GUI_TESTS(Name)                  \
    int Run##Name##Tests(int argc, char** argv) { \
        vellorin::test::Test##Name test;          \
        return QTest::qExec(&test, argc, argv);   \
    }

// Each test class of gui_tests runs through one of these (Qt Test runs one object at a time).
int RunQtUserSeamTests(int argc, char** argv);
int RunFrmMainTests(int argc, char** argv);
int RunFrmMainFrameTests(int argc, char** argv);
int RunSingleInstanceTests(int argc, char** argv);
int RunTreeModelTests(int argc, char** argv);
int RunFrmOptionsTests(int argc, char** argv);
int RunFrmSysTrayTests(int argc, char** argv);
int RunPreferenceDialogsTests(int argc, char** argv);
// Only under a real X server with a tray host (with_tray_host.sh sets VELLORIN_TRAY_HOST_TESTS=1).
int RunTrayHostTests(int argc, char** argv);
int RunX11DropBoxTests(int argc, char** argv);
// Only on a private session bus (dbus-run-session, VELLORIN_DBUS_TESTS=1).
int RunDesktopNotificationsTests(int argc, char** argv);
int RunFrmDocTests(int argc, char** argv);
int RunMdiMessageWindowsTests(int argc, char** argv);
int RunFrmBusyTests(int argc, char** argv);
int RunFrmSubscribeTests(int argc, char** argv);
int RunFrmSubscrListManagerTests(int argc, char** argv);
int RunMainSubscriptionCommandsTests(int argc, char** argv);
int RunNotificationPopupsTests(int argc, char** argv);
int RunBrowserPlugInTests(int argc, char** argv);
int RunFrmDropBoxTests(int argc, char** argv);
int RunDataFolderWatcherTests(int argc, char** argv);
int RunReadingCommandsTests(int argc, char** argv);
int RunTextMessageViewTests(int argc, char** argv);
