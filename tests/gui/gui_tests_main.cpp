#include <utility>
#include <vector>

#include "gui/gui_tests.h"

namespace vellorin::test {

static std::vector<std::pair<GuiRun, GuiTestEntry>>& Registry() {
    static std::vector<std::pair<GuiRun, GuiTestEntry>> entries;
    return entries;
}

bool RegisterGuiTests(GuiRun run, GuiTestEntry entry) {
    Registry().emplace_back(run, entry);
    return true;
}

int RunGuiTests(GuiRun run, int argc, char** argv) {
    int failed = 0;
    for (const auto& [which, entry] : Registry())
        failed += which == run ? entry(argc, argv) : 0;
    return failed == 0 ? 0 : 1;
}

}  // namespace vellorin::test

int main(int argc, char** argv) {
    using vellorin::test::GuiRun;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The client lives in the tray; windows closing must not end the test run either.
    QApplication::setQuitOnLastWindowClosed(false);
    GuiRun run = GuiRun::Offscreen;
    if (qEnvironmentVariable("VELLORIN_TRAY_HOST_TESTS") == QLatin1String("1"))
        run = GuiRun::TrayHost;
    else if (qEnvironmentVariable("VELLORIN_DBUS_TESTS") == QLatin1String("1"))
        run = GuiRun::DBus;
    return vellorin::test::RunGuiTests(run, argc, argv);
}
