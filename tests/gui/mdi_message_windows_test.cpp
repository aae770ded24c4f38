#include <QWebEngineView>

#include <string>

#include "gui/gui_check_world.h"
#include "gui/gui_tests.h"
#include "support/recording_seam.h"
#include "view/show_message.h"
#include "view/ui/frm_doc.h"
#include "view/ui/mdi_message_windows.h"

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
        QCOMPARE(windows.oDoc()->findChild<QWebEngineView*>("ucBrowser"),
                 qobject_cast<QWebEngineView*>(windows.oDoc()->ucBrowser()));
        QVERIFY(windows.oDoc()->ucBrowser() != nullptr);

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
