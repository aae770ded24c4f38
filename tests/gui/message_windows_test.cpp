#include <QPrinter>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <optional>
#include <string>

#include "gui/app_folders.h"
#include "inbox/check_feed_server.h"
#include "support/recording_seam.h"
#include "view/ui/frm_doc.h"
#include "view/ui/mdi_message_windows.h"
#include "view/ui/message_view_plugin.h"
#include "view/ui/text_message_view.h"

namespace vellorin::test {
namespace {

QWebEngineView* WebView(const frmDoc& doc) {
    return qobject_cast<QWebEngineView*>(doc.ucBrowser());
}

// Runs `script` in the program's own script world of the page (the page's scripts stay off).
QVariant Evaluate(const frmDoc& doc, const QString& script) {
    std::optional<QVariant> result;
    WebView(doc)->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                        [&result](const QVariant& value) { result = value; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 10000);
    return result.value_or(QVariant());
}

// A message page in item.htm of a temporary folder, opened in a shown frmDoc with the web
// engine's view; clicked links are kept instead of being opened.
struct OpenPage {
    explicit OpenPage(const QByteArray& html) {
        AppFolders::write(path, html);
        doc = std::make_unique<frmDoc>(seam, QStringLiteral("A message"), path, nullptr,
                                       LoadMessageViewFactory());
        doc->setUrlOpener([this](const QUrl& url) { opened.append(url); });
        QSignalSpy loaded(doc.get(), &frmDoc::pageLoaded);
        doc->resize(640, 480);
        doc->show();
        ok = loaded.wait(20000) && loaded.first().first().toBool();
    }
    QVariant evaluate(const QString& script) const { return Evaluate(*doc, script); }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("item.htm"));
    RecordingSeam seam;
    std::unique_ptr<frmDoc> doc;
    QList<QUrl> opened;
    bool ok = false;
};

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

bool ShowsBuiltInView(const frmDoc* window) {
    return qobject_cast<TextMessageView*>(window->ucBrowser()) != nullptr;
}

}  // namespace

// A message window (frmDoc) with the web engine's view, and the MDI area's message windows.
class TestMessageWindows : public QObject {
    Q_OBJECT

private slots:
    // Links go to the desktop (a local file nowhere) and the view stays on its page.
    void clickedLinksOpenOnTheDesktop() {
        const QByteArray hrefs[] = {"file:///etc/hostname", "https://example.org/a",
                                    "https://example.org/b\" target=\"_blank",
                                    "mailto:someone@example.org", "#below"};
        QByteArray html = "<html><body>";
        for (int row = 0; row < 5; ++row)
            html += "<a href=\"" + hrefs[row] +
                    "\" style=\"position:absolute;left:0;width:200px;height:30px;top:" +
                    QByteArray::number(row * 40) + "px\">link</a>";
        OpenPage page(html + "<p id=below style=\"margin-top:2000px\">end</p></body></html>");
        QVERIFY(page.ok);
        const QUrl pageUrl = WebView(*page.doc)->url();
        (void)QTest::qWaitFor(
            [&] { return !WebView(*page.doc)->page()->contentsSize().isEmpty(); });
        const int opened[] = {0, 1, 2, 3, 3};
        for (int row = 0; row < 5; ++row) {
            QTest::mouseClick(WebView(*page.doc)->focusProxy(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(100, row * 40 + 15));
            QTRY_COMPARE(page.opened.size(), opened[row]);
            QTest::qWait(100);
            QCOMPARE(WebView(*page.doc)->url().adjusted(QUrl::RemoveFragment), pageUrl);
        }
        QCOMPARE(page.opened.last(), QUrl("mailto:someone@example.org"));
        QTRY_VERIFY(page.evaluate("window.scrollY").toInt() > 0);
    }

    // The page reaches neither a server nor another file, and its script does not run; only its
    // inline picture shows.
    void thePageReachesNoOtherFileAndNoRemoteAddress() {
        PrepareLocalHttp();
        QTemporaryDir other;
        AppFolders::write(other.filePath("other.png"), PngBytes());
        FeedServer server;
        OpenPage page(
            HostilePage(QByteArray::fromStdString(server.url("")), other.filePath("other.png")));
        QVERIFY(page.ok);
        QTRY_VERIFY(page.evaluate("Array.from(document.images).every(i => i.complete)").toBool());
        QCOMPARE(page.evaluate("document.title + ['remote', 'file', 'inline'].map(id => "
                               "document.getElementById(id).naturalWidth).join()"),
                 QVariant("Kept0,0,8"));
        QVERIFY(server.events().empty());
    }

    // A newer message written over the page file reaches neither a reload nor a new load.
    void eachWindowKeepsThePageItWasOpenedWith() {
        OpenPage first("<html><head><title>First</title></head></html>");
        QVERIFY(first.ok);
        AppFolders::write(first.path, "<html><head><title>Second</title></head></html>");
        QSignalSpy loaded(first.doc.get(), &frmDoc::pageLoaded);
        WebView(*first.doc)->reload();
        WebView(*first.doc)->load(QUrl::fromLocalFile(first.path));
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 10000);
        QCOMPARE(first.evaluate("document.title").toString(), QStringLiteral("First"));
        QVERIFY(first.doc->pageContent().contains("<title>First</title>"));
    }

    // Save As proposes the title as a file name, adds ".html", asks before replacing (No by
    // default), shows the error box where it cannot write; Print prints on the chosen printer.
    void saveAsAndPrint() {
        OpenPage page("<html><body>kept</body></html>");
        QVERIFY(page.ok);
        page.doc->setWindowTitle(QStringLiteral("News: 3/4 done"));
        QTemporaryDir out;
        QString proposed, answer = out.filePath(QStringLiteral("saved"));
        page.doc->setSavePathChooser([&](QWidget*, const QString& proposedPath) {
            proposed = proposedPath;
            return answer;
        });
        for (int i = 0; i < 2; ++i)
            QVERIFY(QMetaObject::invokeMethod(page.doc.get(), "savePageAs"));
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("News: 3_4 done.html"));
        QCOMPARE(AppFolders::read(answer + ".html"), AppFolders::read(page.path));
        answer = out.filePath(QStringLiteral("missing/saved.html"));
        page.doc->savePageAs();
        QCOMPARE(page.seam.captions(), (std::vector<std::string>{"Confirm Save As", "Error !"}));
        QCOMPARE(page.seam.boxes[0].defaultButton, MsgDefault::Second);
        const QString pdf = out.filePath(QStringLiteral("page.pdf"));
        page.doc->setPrintSetup([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        QSignalSpy printed(page.doc.get(), &frmDoc::printFinished);
        QVERIFY(QMetaObject::invokeMethod(page.doc.get(), "printPage"));
        QVERIFY(printed.wait(20000));
        QVERIFY(AppFolders::read(pdf).startsWith("%PDF-"));
    }

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
            QCOMPARE(WebView(*window) != nullptr, engine);
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
        QVERIFY(WebView(*a.open("S", "found", "t", true)) != nullptr);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MessageWindows)

#include "message_windows_test.moc"
