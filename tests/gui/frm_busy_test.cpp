#include <string>
#include <utility>

#include "gui/app_folders.h"
#include "inbox/check_feed_server.h"
#include "inbox/check_run.h"
#include "inbox/online_state.h"
#include "shell/ui/frm_busy.h"
#include "shell/ui/gui_check_run_hooks.h"
#include "view/tree_control.h"

namespace vellorin::test {
namespace {

// Fresh folders with the shipped pictures, a feed server on 127.0.0.1 with three sources
// subscribed, a seam that keeps every box, the machine online.
struct GuiCheckWorld : AppFolders {
    GuiCheckWorld() {
        PrepareLocalHttp();
        for (const char* name : {"view.tpl", "vellorin.svg", "vellorin-busy.svg"})
            ship(name);
        context = std::make_unique<AppContext>(options(), seam, clock);
        context->subscriptions.EnsureDataFolder();
        context->online.setOverride(true);
        const auto item = [](const std::string& guid) {
            return RssItem(guid, "Title " + guid, "Mon, 05 Dec 2026 08:00:00 GMT");
        };
        for (const auto& [title, items] : {std::pair{"Alpha", item("a1")},
                                           {"Bravo", ""},
                                           {"Charlie", item("c2") + item("c1")}}) {
            server.serve(std::string("/") + title, RssDocument(items));
            Subscribe(*context, title, server.url(std::string("/") + title));
        }
        context->subscriptions.LoadSubscriptions(tvMessages);
    }
    // A check run of every source, as the user's "Check All Sources" starts it.
    void checkAll(bool interactive) {
        context->check.InteractiveCheck = interactive;
        context->check.QueueSources(tvMessages, true);
        context->check.ProcessQueue(tvMessages);
    }

    FeedServer server;
    KeptBoxesSeam seam;
    std::unique_ptr<AppContext> context;
    TreeControl tvMessages{"tvMessages"};
};

QString ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts.join(',');
}

// What the busy window showed each time the run put a source in front, and what reached the
// tray.
class WatchedHooks : public GuiCheckRunHooks {
public:
    static constexpr QRect kMainWindow{100, 120, 800, 500};

    explicit WatchedHooks(const QString& appFolder)
        : GuiCheckRunHooks(
              appFolder,
              [] {
                  return MainWindowPlace{kMainWindow, 240};
              },
              [this](bool busy) { tray.append(busy); },
              [this](const QString& text, int ms) {
                  alerts.append({text, ms});
              }) {}

    void showBusy(const std::string& sourceTitle) override {
        GuiCheckRunHooks::showBusy(sourceTitle);
        frmBusy* window = busyWindow();
        if (window == nullptr || !window->isVisible())
            return shown.append(QStringLiteral("hidden"));
        shown.append(window->lblSource()->text() + ": " + ListTexts(window->lstQueue()));
        positions.append(window->frameGeometry().topLeft());
        if (closeAtOnce)
            QTest::keyRelease(window, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
    }

    void lblStatus(const std::string& text) override {
        GuiCheckRunHooks::lblStatus(text);
        if (frmBusy* window = busyWindow(); window && !text.empty())
            statusFollowed = statusFollowed && window->lblStatus()->text().toStdString() == text;
    }

    bool statusFollowed = true;
    QStringList shown;
    QList<QPoint> positions;
    QList<bool> tray;
    QList<std::pair<QString, int>> alerts;
    bool closeAtOnce = false;
};

}  // namespace

class TestFrmBusy : public QObject {
    Q_OBJECT

private slots:
    void aRunShowsTheQueueAndAnnouncesOnce() {
        GuiCheckWorld world;
        WatchedHooks hooks(world.appDir.path());
        world.context->check.setHooks(&hooks);
        world.checkAll(true);
        QCOMPARE(hooks.shown, (QStringList{"Alpha: Alpha,Bravo,Charlie", "Bravo: Bravo,Charlie",
                                           "Charlie: Charlie"}));
        QVERIFY(hooks.statusFollowed && hooks.busyWindow() == nullptr);
        QCOMPARE(hooks.tray, (QList<bool>{true, true, true, false}));
        const QString announcement = QString::fromStdString(world.context->check.NotifyText);
        QVERIFY(announcement.contains("Alpha") && announcement.contains("Charlie"));
        QCOMPARE(hooks.alerts, (QList<std::pair<QString, int>>{{announcement, 6000}}));
        // Over the main window, clear of its tree pane, in one place for the whole run.
        QVERIFY(hooks.positions[0].x() > WatchedHooks::kMainWindow.left() + 120);
        QVERIFY(WatchedHooks::kMainWindow.contains(hooks.positions[0]));
        QCOMPARE(hooks.positions[2], hooks.positions[0]);
        // Nothing new: no announcement. A scheduled run shows no busy window.
        hooks.shown.clear();
        world.checkAll(false);
        QVERIFY(hooks.shown.isEmpty());
        QCOMPARE(hooks.alerts.size(), 1);
        // A window the user closed stays closed for the run; the next run shows it again.
        hooks.closeAtOnce = true;
        world.checkAll(true);
        QCOMPARE(hooks.shown.mid(0, 2), (QStringList{"Alpha: Alpha,Bravo,Charlie", "hidden"}));
        hooks.closeAtOnce = false;
        hooks.shown.clear();
        world.checkAll(true);
        QCOMPARE(hooks.shown.first(), QStringLiteral("Alpha: Alpha,Bravo,Charlie"));
        QVERIFY(world.seam.boxes.empty());
    }

    // A long title is cut inside the window, which keeps its width.
    void aLongSourceTitleDoesNotWidenTheWindow() {
        GuiCheckWorld world;
        frmBusy busy(world.appDir.path());
        busy.show();
        const int width = busy.width();
        busy.lblSource()->setText(QStringLiteral("A source with a very long title ").repeated(12));
        QCoreApplication::processEvents();
        QCOMPARE(busy.width(), width);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmBusy)

#include "frm_busy_test.moc"
