#include <QWebEngineView>

#include <string>

#include "gui/app_folders.h"
#include "support/recording_seam.h"
#include "view/ui/frm_doc.h"
#include "view/ui/mdi_message_windows.h"
#include "view/ui/message_view_plugin.h"
#include "view/ui/text_message_view.h"

namespace vellorin::test {
namespace {

// A shown MDI area with its message windows, whose view choice `engine` holds, and a page.
struct Area {
    Area() {
        AppFolders::write(page, "<html><body>message</body></html>");
        area.resize(900, 600);
        area.show();
    }
    // Opens a window of the page; with `wait`, waits for its view to load it.
    frmDoc* open(const std::string& source, const std::string& guid, const std::string& title,
                 bool wait = false) {
        windows.OpenMessageWindow(source, guid, title, page.toStdString());
        frmDoc* window = windows.oDoc();
        QSignalSpy loaded(window, &frmDoc::pageLoaded);
        return !wait || (loaded.wait(20000) && loaded.first().first().toBool()) ? window : nullptr;
    }
    QStringList tabs() const {
        QStringList texts;
        for (int i = 0; bar() && i < bar()->count(); ++i)
            texts.append(bar()->tabText(i));
        return texts;
    }
    QTabBar* bar() const { return area.findChild<QTabBar*>(); }

    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("item.htm"));
    RecordingSeam seam;
    QMdiArea area;
    bool engine = false;
    MdiMessageWindows windows{&area, seam, [this] { return engine; }};
};

bool ShowsWebEngine(const frmDoc* window) {
    return qobject_cast<QWebEngineView*>(window->ucBrowser()) != nullptr;
}
bool ShowsBuiltInView(const frmDoc* window) {
    return qobject_cast<TextMessageView*>(window->ucBrowser()) != nullptr;
}

}  // namespace

class TestMdiMessageWindows : public QObject {
    Q_OBJECT

private slots:
    void opensBringsForwardAndClosesMessageWindows() {
        Area a;
        for (const char* guid : {"g1", "g2", "g3"})
            a.open("A", guid, std::string("Title ") + guid);
        // Another source's message with the same guid is another window.
        a.open("B", "g1", std::string(200, 'W'));
        QVERIFY(ShowsBuiltInView(a.windows.oDoc()));
        QVERIFY(a.windows.FindOpenMessage("A", "g1"));
        QCOMPARE(a.windows.activeMessageWindow()->ItemID(), QStringLiteral("g1"));
        QCOMPARE(a.bar()->currentIndex(), 0);
        QVERIFY(!a.windows.FindOpenMessage("A", "G1"));
        // A long title's tab takes at most a third of the window, at every width.
        for (const int width : {900, 1500, 600}) {
            a.area.resize(width, 600);
            QTRY_VERIFY(a.bar()->tabRect(3).width() <= width / 3);
            QVERIFY(a.bar()->tabText(3).endsWith(QChar(0x2026)));
        }
        QVERIFY(a.windows.CloseMessageWindow("B", "g1"));
        QVERIFY(a.windows.CloseMessageWindow("A", "g1"));
        QVERIFY(!a.windows.CloseMessageWindow("A", "g1"));
        QTRY_COMPARE(a.tabs(), (QStringList{"Title g2", "Title g3"}));
        QTest::mouseClick(a.bar()->tabButton(1, QTabBar::RightSide), Qt::LeftButton);
        QTRY_COMPARE(a.tabs(), QStringList{"Title g2"});
        QVERIFY(a.windows.oDoc() == nullptr);
    }

    // Each window gets the view chosen when it opens. The engine's plugin missing or broken:
    // one box for the session and the built-in view; a plugin that turns up is used.
    void eachWindowShowsTheViewChosenWhenItOpens() {
        Area a;
        for (bool engine : {false, true, false}) {
            a.engine = engine;
            frmDoc* window = a.open("S", engine ? "engine" : "built-in", "t", true);
            QVERIFY(window != nullptr);
            QCOMPARE(ShowsWebEngine(window), engine);
            QCOMPARE(ShowsBuiltInView(window), !engine);
        }
        a.engine = true;
        QTemporaryDir empty, broken;
        AppFolders::write(broken.filePath(QString::fromLatin1(kMessageViewPluginFile)), "junk");
        for (const QString& folder : {empty.path(), broken.path()}) {
            SetMessageViewFolders({folder});
            frmDoc* window = a.open("S", "g", "t", true);
            SetMessageViewFolders({});
            QVERIFY(window != nullptr && ShowsBuiltInView(window));
        }
        QCOMPARE(a.seam.captions(), std::vector<std::string>{"Web Engine Not Available"});
        QVERIFY(a.seam.boxes[0].text.find("vellorin-webview") != std::string::npos);
        QVERIFY(ShowsWebEngine(a.open("S", "found", "t", true)));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MdiMessageWindows)

#include "mdi_message_windows_test.moc"
