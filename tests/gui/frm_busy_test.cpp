#include <string>
#include <utility>

#include "base/ui/app_icons.h"
#include "gui/gui_check_world.h"
#include "gui/gui_tests.h"
#include "shell/ui/frm_busy.h"
#include "shell/ui/gui_check_run_hooks.h"

namespace vellorin::test {
namespace {

QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// What the busy window showed each time the run put a source in front, and what reached the
// tray.
class WatchedHooks : public GuiCheckRunHooks {
public:
    static constexpr QRect kMainWindow{100, 120, 800, 500};
    static constexpr int kOptionsWidth = 240;

    explicit WatchedHooks(const QString& appFolder)
        : GuiCheckRunHooks(
              appFolder,
              [] {
                  return MainWindowPlace{kMainWindow, kOptionsWidth};
              },
              [this](bool busy) { tray.append(busy); },
              [this](const QString& text, int ms) {
                  alerts.append({text, ms});
              }) {}

    void showBusy(const std::string& sourceTitle) override {
        GuiCheckRunHooks::showBusy(sourceTitle);
        frmBusy* window = busyWindow();
        if (window == nullptr || !window->isVisible()) {
            shown.append(QStringLiteral("hidden"));
        } else {
            shown.append(window->lblSource()->text() + ": " +
                         ListTexts(window->lstQueue()).join(','));
            positions.append(window->frameGeometry().topLeft());
        }
        if (onShow)
            std::exchange(onShow, nullptr)(window);
    }
    void lstQueueRemoveFirst() override {
        GuiCheckRunHooks::lstQueueRemoveFirst();
        if (frmBusy* window = busyWindow())
            shown.append("left: " + ListTexts(window->lstQueue()).join(','));
    }
    void lblStatus(const std::string& text) override {
        GuiCheckRunHooks::lblStatus(text);
        if (frmBusy* window = busyWindow(); window && !text.empty())
            statusFollowed = statusFollowed && window->lblStatus()->text().toStdString() == text;
    }

    QStringList shown;
    QList<QPoint> positions;
    QList<bool> tray;
    QList<std::pair<QString, int>> alerts;
    bool statusFollowed = true;
    std::function<void(frmBusy*)> onShow;
};

std::string Item(const std::string& guid) {
    return RssItem(guid, "Title " + guid, "Mon, 05 Dec 2026 08:00:00 GMT");
}

}  // namespace

class TestFrmBusy : public QObject {
    Q_OBJECT

private slots:
    // The window made at each run draws its picture from the one icon of the file: a new icon
    // would add its pixmaps to Qt's pixmap cache under keys no later run finds.
    void eachRunsWindowDrawsTheOnePictureOfTheFile() {
        GuiCheckWorld world;
        const QString busy = QString::fromLatin1(kBusyIconFileName);
        const QIcon first = LoadAppIcon(world.appFolder(), busy);
        QVERIFY(!first.isNull());
        frmBusy window(world.appFolder());
        QCOMPARE(LoadAppIcon(world.appFolder(), busy).cacheKey(), first.cacheKey());
    }
    void hasItsControlsStaysOnTopAndIsTranslucent() {
        GuiCheckWorld world;
        frmBusy busy(world.appFolder());
        QCOMPARE(busy.objectName(), QStringLiteral("frmBusy"));
        const std::pair<const char*, const char*> labels[] = {
            {"lblChecking", "Checking for New Messages ... "},
            {"lblSourceCaption", "Source:"},
            {"lblSource", "Source Title"},
            {"lblStatusCaption", "Status:"},
            {"lblStatus", ""},
            {"lblQueueCaption", "Sources in Queue:"},
        };
        for (const auto& [name, text] : labels) {
            const QLabel* label = busy.findChild<QLabel*>(name);
            QVERIFY2(label != nullptr, name);
            QCOMPARE(label->text(), QString::fromLatin1(text));
        }
        QVERIFY(busy.findChild<QListWidget*>("lstQueue") == busy.lstQueue());
        QLabel* picture = busy.findChild<QLabel*>("imgVellorin");
        QVERIFY(picture != nullptr && !picture->pixmap().isNull());

        QVERIFY(busy.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(busy.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(busy.testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(qAbs(busy.windowOpacity() * 255 - 230) <= 1);

        // The picture moves while the window shows.
        busy.show();
        const qint64 first = picture->pixmap().cacheKey();
        QTRY_VERIFY(picture->pixmap().cacheKey() != first);
    }

    // A long title is cut with an ellipsis inside the window; the window keeps its width.
    void aLongSourceTitleDoesNotWidenTheWindow() {
        GuiCheckWorld world;
        frmBusy busy(world.appFolder());
        busy.show();
        const int width = busy.width();
        const int minimum = busy.minimumSizeHint().width();
        const QString title = QStringLiteral("A source with a very long title ").repeated(12);
        busy.lblSource()->setText(title);
        busy.lblStatus()->setText(QStringLiteral("https://example.org/").repeated(20));
        QCoreApplication::processEvents();
        QCOMPARE(busy.minimumSizeHint().width(), minimum);
        QCOMPARE(busy.width(), width);
        QVERIFY(busy.width() < busy.screen()->availableGeometry().width());
        QCOMPARE(busy.lblSource()->text(), title);
    }

    void ctrlAltQReleasedClosesIt() {
        GuiCheckWorld world;
        frmBusy busy(world.appFolder());
        QSignalSpy closed(&busy, &frmBusy::closedByUser);
        busy.show();
        QTest::keyRelease(&busy, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyRelease(&busy, Qt::Key_Q, Qt::AltModifier);
        QTest::keyRelease(&busy, Qt::Key_Q,
                          Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
        QTest::keyPress(busy.lblSource(), Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(busy.isVisible());
        QCOMPARE(closed.size(), 0);
        // From the window or from one of its controls.
        QTest::keyRelease(busy.lstQueue(), Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!busy.isVisible());
        QCOMPARE(closed.size(), 1);
    }

    void aRunShowsTheQueueAndAnnouncesOnce() {
        GuiCheckWorld world;
        world.subscribe("Alpha", "alpha", RssDocument(Item("a1")));
        world.subscribe("Bravo", "bravo", RssDocument(""));
        world.subscribe("Charlie", "charlie", RssDocument(Item("c2") + Item("c1")));
        WatchedHooks hooks(world.appFolder());
        world.context->check.setHooks(&hooks);

        world.checkAll(true);
        QCOMPARE(hooks.shown, (QStringList{"Alpha: Alpha,Bravo,Charlie", "left: Bravo,Charlie",
                                           "Bravo: Bravo,Charlie", "left: Charlie",
                                           "Charlie: Charlie", "left: "}));
        QVERIFY(hooks.statusFollowed);
        QVERIFY(hooks.busyWindow() == nullptr);
        QCOMPARE(hooks.tray, (QList<bool>{true, true, true, false}));
        const QString announcement = QString::fromStdString(world.context->check.NotifyText);
        QVERIFY(announcement.contains("Alpha") && announcement.contains("Charlie"));
        QCOMPARE(hooks.alerts, (QList<std::pair<QString, int>>{{announcement, 6000}}));
        QVERIFY(world.boxes.empty());

        // Over the main window, clear of its tree pane, and in one place for the whole run.
        QCOMPARE(hooks.positions.size(), 3);
        QVERIFY(hooks.positions[0].x() >
                WatchedHooks::kMainWindow.left() + WatchedHooks::kOptionsWidth / 2);
        QVERIFY(WatchedHooks::kMainWindow.contains(hooks.positions[0]));
        QCOMPARE(hooks.positions[2], hooks.positions[0]);

        // Nothing new: no announcement at all. A scheduled run shows no busy window.
        hooks.shown.clear();
        hooks.tray.clear();
        world.checkAll(false);
        QVERIFY(hooks.shown.isEmpty());
        QCOMPARE(hooks.tray, (QList<bool>{true, true, true, false}));
        QCOMPARE(hooks.alerts.size(), 1);
    }

    void aBusyWindowTheUserClosedStaysClosedForTheRun() {
        GuiCheckWorld world;
        world.subscribe("Alpha", "alpha", RssDocument(""));
        world.subscribe("Bravo", "bravo", RssDocument(""));
        WatchedHooks hooks(world.appFolder());
        world.context->check.setHooks(&hooks);
        hooks.onShow = [](frmBusy* window) {
            QTest::keyRelease(window, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
        };
        world.checkAll(true);
        QCOMPARE(hooks.shown, (QStringList{"Alpha: Alpha,Bravo", "hidden"}));
        QVERIFY(hooks.alerts.isEmpty());

        // The next run shows it again.
        hooks.shown.clear();
        world.checkAll(true);
        QCOMPARE(hooks.shown.first(), QStringLiteral("Alpha: Alpha,Bravo"));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmBusy)

#include "frm_busy_test.moc"
