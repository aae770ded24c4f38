#include <QApplication>

#include "gui/gui_tests.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The client lives in the tray; windows closing must not end the test run either.
    QApplication::setQuitOnLastWindowClosed(false);

    int failed = 0;
    failed += RunQtUserSeamTests(argc, argv);
    failed += RunFrmMainTests(argc, argv);
    failed += RunSingleInstanceTests(argc, argv);
    failed += RunFrmDocTests(argc, argv);
    failed += RunMdiMessageWindowsTests(argc, argv);
    failed += RunFrmBusyTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
