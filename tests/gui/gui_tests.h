#pragma once

// What every GUI test includes: Qt Test and Qt Widgets, and the registration of its test class.
#include <QtTest>
#include <QtWidgets>

namespace vellorin::test {

// The runs of gui_tests: offscreen (the default), under an X server with a tray host
// (with_tray_host.sh sets VELLORIN_TRAY_HOST_TESTS=1), on a private session bus
// (dbus-run-session, VELLORIN_DBUS_TESTS=1).
enum class GuiRun { Offscreen, TrayHost, DBus };
using GuiTestEntry = int (*)(int argc, char** argv);
bool RegisterGuiTests(GuiRun run, GuiTestEntry entry);
int RunGuiTests(GuiRun run, int argc, char** argv);

}  // namespace vellorin::test

// Registers the Qt Test class vellorin::test::TestName for `run` (Qt Test runs one object at a
// time).
#define VELLORIN_GUI_TESTS_IN(run, Name)                                                          \
    [[maybe_unused]] static const bool kRegistered##Name =                                        \
        vellorin::test::RegisterGuiTests(vellorin::test::GuiRun::run, [](int argc, char** argv) { \
            vellorin::test::Test##Name test;                                                      \
            return QTest::qExec(&test, argc, argv);                                               \
        });
#define VELLORIN_GUI_TESTS(Name) VELLORIN_GUI_TESTS_IN(Offscreen, Name)
