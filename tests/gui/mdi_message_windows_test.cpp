#include <QWebEngineView>

#include <string>

#include "gui/gui_check_world.h"
#include "gui/gui_tests.h"
#include "support/recording_seam.h"
#include "view/show_message.h"
#include "view/ui/built_in_view_factory.h"
#include "view/ui/frm_doc.h"
#include "view/ui/mdi_message_windows.h"
#include "view/ui/message_view_plugin.h"

namespace vellorin::test {

namespace {

QStringList TabTexts(const QMdiArea& area) {
    QStringList texts;
    if (const QTabBar* tabs = area.findChild<QTabBar*>()) {
        for (int i = 0; i < tabs->count(); ++i)
            texts.append(tabs->tabText(i));
    }
    return texts;
}

QStringList ItemIds(const MdiMessageWindows& windows) {
    QStringList ids;
    for (const frmDoc* window : windows.messageWindows())
        ids.append(window->ItemID());
    return ids;
}

// Whether the window's view is one the program makes itself (not the web engine's).
bool ShowsBuiltInView(const frmDoc& window) {
    QWidget parent;
    QWidget* reference = BuiltInMessageViewFactory()
                             .createMessageView(
                                 QUrl(), QString(), [](bool) {}, [](bool) {}, &parent)
                             ->widget();
    return window.ucBrowser() != nullptr && window.ucBrowser()->objectName() == "ucBrowser" &&
           window.ucBrowser()->metaObject() == reference->metaObject();
}

bool ShowsWebEngine(const frmDoc& window) {
    return qobject_cast<QWebEngineView*>(window.ucBrowser()) != nullptr;
}

// A shown MDI area with its message windows, whose view choice `engine` holds, and a page.
class ChoiceWorld {
public:
    ChoiceWorld() {
        AppFolders::write(page, "<html><body>message</body></html>");
        area.resize(800, 600);
        area.show();
    }
    // Opens a window of the page and waits for its view to load it.
    frmDoc* open(const std::string& guid) {
        windows.OpenMessageWindow("S", guid, guid, page.toStdString());
        frmDoc* window = windows.oDoc();
        QSignalSpy loaded(window, &frmDoc::pageLoaded);
        return loaded.wait(20000) && loaded.first().first().toBool() ? window : nullptr;
    }

    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("item.htm"));
    RecordingSeam seam;
    QMdiArea area;
    bool engine = false;
    MdiMessageWindows windows{&area, seam, [this] { return engine; }};
};

}  // namespace

class TestMdiMessageWindows : public QObject {
    Q_OBJECT

private slots:
    void opensBringsForwardAndClosesMessageWindows() {
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("item.htm"));
        AppFolders::write(page, "<html><body>message</body></html>");
        RecordingSeam seam;
        QMdiArea area;
        area.resize(800, 600);
        area.show();
        MdiMessageWindows windows(&area, seam);
        QCOMPARE(area.viewMode(), QMdiArea::TabbedView);
        QVERIFY(area.tabsClosable());

        QVERIFY(!windows.FindOpenMessage("A", "g1"));
        windows.OpenMessageWindow("A", "g1", "First one", page.toStdString());
        windows.OpenMessageWindow("A", "g2", "Second one", page.toStdString());
        windows.OpenMessageWindow("A", "g3", "Third one", page.toStdString());
        QCOMPARE(ItemIds(windows), (QStringList{"g1", "g2", "g3"}));
        QCOMPARE(TabTexts(area), (QStringList{"First one", "Second one", "Third one"}));
        QCOMPARE(windows.oDoc()->ItemID(), QStringLiteral("g3"));
        QCOMPARE(windows.activeMessageWindow(), windows.oDoc());
        // Without a choice the windows show the built-in view.
        QCOMPARE(windows.oDoc()->findChild<QWidget*>("ucBrowser"), windows.oDoc()->ucBrowser());
        QVERIFY(ShowsBuiltInView(*windows.oDoc()));

        // An open message comes to the front, its tab with it.
        QVERIFY(windows.FindOpenMessage("A", "g1"));
        QCOMPARE(windows.activeMessageWindow()->ItemID(), QStringLiteral("g1"));
        QCOMPARE(area.findChild<QTabBar*>()->currentIndex(), 0);
        QVERIFY(!windows.FindOpenMessage("A", "G1"));

        // Another source's message with the same guid is another window.
        QVERIFY(!windows.FindOpenMessage("B", "g1"));
        windows.OpenMessageWindow("B", "g1", "Other source", page.toStdString());
        QVERIFY(windows.FindOpenMessage("A", "g1"));
        QCOMPARE(windows.activeMessageWindow()->windowTitle(), QStringLiteral("First one"));
        QVERIFY(windows.CloseMessageWindow("B", "g1"));
        QTRY_COMPARE(TabTexts(area).size(), 3);

        QVERIFY(windows.CloseMessageWindow("A", "g1"));
        QCOMPARE(ItemIds(windows), (QStringList{"g2", "g3"}));
        QTRY_COMPARE(TabTexts(area), (QStringList{"Second one", "Third one"}));
        QVERIFY(!windows.FindOpenMessage("A", "g1"));
        QVERIFY(!windows.CloseMessageWindow("A", "g1"));

        // The close button of a tab closes that window and removes its tab.
        QTabBar* tabs = area.findChild<QTabBar*>();
        QWidget* closeButton = tabs->tabButton(1, QTabBar::RightSide);
        QVERIFY(closeButton != nullptr);
        QTest::mouseClick(closeButton, Qt::LeftButton);
        QTRY_COMPARE(ItemIds(windows), QStringList{"g2"});
        QTRY_COMPARE(TabTexts(area), QStringList{"Second one"});
        // The most recent window has gone with its tab.
        QVERIFY(windows.oDoc() == nullptr);
    }

    // A one-word title of 200 characters: its tab takes at most a third of the window, now and
    // after a resize, and the other tabs keep their whole text.
    void aLongTitleMakesNoTabWiderThanAThirdOfTheWindow() {
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("item.htm"));
        AppFolders::write(page, "<html><body>message</body></html>");
        RecordingSeam seam;
        QMdiArea area;
        area.resize(900, 600);
        area.show();
        MdiMessageWindows windows(&area, seam);
        const std::string word(200, 'W');
        windows.OpenMessageWindow("A", "g1", "Short", page.toStdString());
        windows.OpenMessageWindow("A", "g2", word, page.toStdString());
        QTabBar* tabs = area.findChild<QTabBar*>();
        for (const int width : {900, 1500, 600}) {
            area.resize(width, 600);
            QTRY_COMPARE(tabs->count(), 2);
            QVERIFY2(
                tabs->tabRect(1).width() <= width / 3,
                qPrintable(QString::number(tabs->tabRect(1).width()) + " " + tabs->tabText(1)));
            QVERIFY(tabs->tabText(1).endsWith(QChar(0x2026)));
        }
        QCOMPARE(tabs->tabText(0), QStringLiteral("Short"));
        QCOMPARE(windows.oDoc()->windowTitle(), QString::fromStdString(word));
    }

    // Each window gets the view chosen when it opens; the engine's plugin is found beside the
    // program.
    void eachWindowShowsTheViewChosenWhenItOpens() {
        ChoiceWorld world;
        for (bool engine : {false, true, false, true}) {
            world.engine = engine;
            frmDoc* window = world.open(engine ? "engine" : "built-in");
            QVERIFY(window != nullptr);
            QCOMPARE(ShowsWebEngine(*window), engine);
            QCOMPARE(ShowsBuiltInView(*window), !engine);
        }
        QCOMPARE(world.windows.messageWindows().size(), 4);
        QVERIFY(world.seam.boxes.empty());
    }

    // The engine chosen but its plugin missing or broken: one box for the session, and every
    // window shows its page in the built-in view; a plugin that turns up is used.
    void aMissingEnginePluginIsToldOnceAndTheBuiltInViewShows() {
        ChoiceWorld world;
        world.engine = true;
        QTemporaryDir empty, broken;
        AppFolders::write(broken.filePath(QString::fromLatin1(kMessageViewPluginFile)),
                          "not a shared library");
        for (const QString& folder : {empty.path(), broken.path(), empty.path()}) {
            SetMessageViewFolders({folder});
            frmDoc* window = world.open("g");
            SetMessageViewFolders({});
            QVERIFY(window != nullptr);
            QVERIFY(ShowsBuiltInView(*window));
        }
        QCOMPARE(world.seam.captions(), std::vector<std::string>{"Web Engine Not Available"});
        const MessageBoxRequest& box = world.seam.boxes.front();
        QCOMPARE(box.icon, MsgIcon::Exclamation);
        QVERIFY(box.text.find(kMessageViewPluginFile) != std::string::npos);
        QVERIFY(box.text.find("vellorin-webview") != std::string::npos);

        frmDoc* window = world.open("found");
        QVERIFY(window != nullptr && ShowsWebEngine(*window));
        QCOMPARE(world.seam.boxes.size(), std::size_t{1});
    }

    void showMessageOpensAStoredMessageOnceWithItsRenderedPage() {
        GuiCheckWorld world;
        const std::string id = world.subscribe(
            "Office", "office",
            RssDocument(
                "<item><title>Quarterly figures are in for the team</title><guid>q1</guid>"
                "<pubDate>Mon, 05 Dec 2026 08:00:00 GMT</pubDate><description><![CDATA["
                "<!-- header start:\nfrom: &quot;Jane Roe&quot; &lt;jane@example.org&gt;<br />\n"
                "subject: Quarterly figures<br />\ndate: Mon, 05 Dec 2026 08:00:00 GMT<br />\n"
                "reply-to: &quot;Desk&quot; &lt;desk@example.org&gt;<br />\nheader end -->"
                "<style>p { margin: 0; }</style><p>The figures look good.</p>]]></description>"
                "</item>"));
        world.checkAll(false);
        QMdiArea area;
        area.resize(900, 600);
        area.show();
        MdiMessageWindows windows(&area, world.seam);

        ShowMessageResult first = ShowMessage(*world.context, windows, id, "q1");
        QCOMPARE(first.outcome, ShowOutcome::Opened);
        frmDoc* window = windows.oDoc();
        QVERIFY(window != nullptr);
        QCOMPARE(window->ItemID(), QStringLiteral("q1"));
        QCOMPARE(TabTexts(area), QStringList{"Quarterly figures are in ..."});
        QSignalSpy loaded(window, &frmDoc::pageLoaded);
        QVERIFY(loaded.wait(20000));
        // The page is view.tpl filled with the message's header and body.
        const QByteArray content = window->pageContent();
        QVERIFY(content.contains("Jane Roe"));
        QVERIFY(content.contains("desk@example.org"));
        QVERIFY(content.contains("<p>The figures look good.</p>"));

        ShowMessageResult again = ShowMessage(*world.context, windows, id, "q1");
        QCOMPARE(again.outcome, ShowOutcome::AlreadyOpen);
        QCOMPARE(windows.messageWindows().size(), 1);
        QVERIFY(world.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MdiMessageWindows)

#include "mdi_message_windows_test.moc"
