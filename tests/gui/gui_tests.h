#pragma once

// What every GUI test includes: Qt Test and Qt Widgets, and the registration of its test class.
#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace vellorin::test {

// The runs of gui_tests: offscreen (the default), with a tray host (with_tray_host.sh,
// VELLORIN_TRAY_HOST_TESTS=1), on a private session bus (dbus-run-session, VELLORIN_DBUS_TESTS=1).
enum class GuiRun { Offscreen, TrayHost, DBus };
using GuiTestEntry = int (*)(int argc, char** argv);
bool RegisterGuiTests(GuiRun run, GuiTestEntry entry);
int RunGuiTests(GuiRun run, int argc, char** argv);

// Runs `inspect` on the modal window of type T (a box, a file dialog) once it is up, from inside
// its event loop.
template <class T>
void WhenModalShows(const std::function<void(T*)>& inspect) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, inspect] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<T> guard(modal);
        inspect(modal);
        // A failed check returns early: close the window so the test fails instead of hanging.
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

// The texts of the items under `parent` of `model` (none for a null model).
inline QStringList RowTexts(const QAbstractItemModel* model, const QModelIndex& parent = {}) {
    QStringList texts;
    for (int row = 0; model && row < model->rowCount(parent); ++row)
        texts << model->index(row, 0, parent).data().toString();
    return texts;
}

// Runs the deletions that closed windows left for later (WA_DeleteOnClose).
inline void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

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
