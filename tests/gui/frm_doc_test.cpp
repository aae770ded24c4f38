#include <QPrinter>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <optional>

#include "gui/app_folders.h"
#include "gui/gui_tests.h"
#include "inbox/check_feed_server.h"
#include "support/recording_seam.h"
#include "view/ui/frm_doc.h"
#include "view/ui/message_view_plugin.h"
#include "view/ui/webview/lean_engine_switches.h"

namespace vellorin::test {
namespace {

// The web engine's view inside the window (from the message view plugin beside the program).
QWebEngineView* WebView(const frmDoc& doc) {
    return qobject_cast<QWebEngineView*>(doc.ucBrowser());
}

// Runs `script` in the program's own script world of the window's page (the page's own scripts
// stay off) and gives its result.
QVariant Evaluate(const frmDoc& doc, const QString& script) {
    std::optional<QVariant> result;
    WebView(doc)->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                        [&result](const QVariant& value) { result = value; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 10000);
    return result.value_or(QVariant());
}

// A message page written to item.htm in a temporary folder and opened in a shown frmDoc, whose
// clicked links are kept instead of being opened.
class OpenPage {
public:
    explicit OpenPage(const QByteArray& html) {
        AppFolders::write(pagePath(), html);
        doc = std::make_unique<frmDoc>(seam, QStringLiteral("A message"), pagePath(), nullptr,
                                       LoadMessageViewFactory());
        doc->setUrlOpener([this](const QUrl& url) { opened.append(url); });
        QSignalSpy loaded(doc.get(), &frmDoc::pageLoaded);
        doc->resize(640, 480);
        doc->show();
        ok = loaded.wait(20000) && loaded.first().first().toBool();
    }

    QString pagePath() const { return dir.filePath(QStringLiteral("item.htm")); }
    QWebEngineView* view() const { return WebView(*doc); }

    QVariant evaluate(const QString& script) const { return Evaluate(*doc, script); }

    // Clicks at `pos` of the page, once the page is laid out.
    void click(QPoint pos) const {
        (void)QTest::qWaitFor([this] { return !view()->page()->contentsSize().isEmpty(); }, 10000);
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, Qt::NoModifier, pos);
    }

    QTemporaryDir dir;
    RecordingSeam seam;
    std::unique_ptr<frmDoc> doc;
    QList<QUrl> opened;
    bool ok = false;
};

// A link covering a 200 by 30 box at the left of row `row`.
QByteArray LinkAt(int row, const QByteArray& href, const QByteArray& extra = QByteArray()) {
    return "<a href=\"" + href + "\" " + extra +
           " style=\"position:absolute;left:0;width:200px;height:30px;display:block;top:" +
           QByteArray::number(row * 40) + "px\">link</a>";
}
QPoint RowPoint(int row) {
    return QPoint(100, row * 40 + 15);
}

QByteArray PngBytes() {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

class TestFrmDoc : public QObject {
    Q_OBJECT

private slots:
    void clickedLinksOpenOnTheDesktopAndTheViewStaysOnThePage() {
        // The web links point at a server on this machine, which would see the view go there.
        PrepareLocalHttp();
        FeedServer server;
        server.serve("/read", "<html><title>Gone</title></html>", "text/html");
        server.serve("/new", "<html><title>Gone</title></html>", "text/html");
        const QByteArray read = QByteArray::fromStdString(server.url("/read?id=1"));
        const QByteArray fresh = QByteArray::fromStdString(server.url("/new"));
        const QByteArray html =
            "<html><head><title>Links</title></head><body>" + LinkAt(0, "file:///etc/hostname") +
            LinkAt(1, read) + LinkAt(2, fresh, "target=\"_blank\"") +
            LinkAt(3, "mailto:someone@example.org?subject=Hi") + LinkAt(4, "#below") +
            "<p id=below style=\"margin-top:2000px\">"
            "end</p></body></html>";
        OpenPage page(html);
        QVERIFY(page.ok);
        const QUrl pageUrl = page.view()->url();
        QVERIFY(pageUrl.isLocalFile());

        // Each click in the page ends with the view refusing to go there.
        QSignalSpy finished(page.view(), &QWebEngineView::loadFinished);
        const auto clickAndSettle = [&](int row) {
            finished.clear();
            page.click(RowPoint(row));
            return finished.wait(10000) && !finished.first().first().toBool() &&
                   page.view()->url() == pageUrl;
        };
        // A local file is not opened at all.
        QVERIFY(clickAndSettle(0));
        QVERIFY(page.opened.isEmpty());
        QVERIFY(clickAndSettle(1));
        QCOMPARE(page.opened, QList<QUrl>{QUrl(QString::fromUtf8(read))});
        // A link asking for a new window leaves the view alone.
        page.click(RowPoint(2));
        QTRY_COMPARE(page.opened.size(), 2);
        QCOMPARE(page.opened[1], QUrl(QString::fromUtf8(fresh)));
        QVERIFY(clickAndSettle(3));
        QCOMPARE(page.opened.size(), 3);
        QCOMPARE(page.opened[2], QUrl("mailto:someone@example.org?subject=Hi"));

        // A mark within the page scrolls the view there.
        page.click(RowPoint(4));
        QTRY_VERIFY(page.evaluate("window.scrollY").toInt() > 0);
        QCOMPARE(page.opened.size(), 3);

        QCOMPARE(page.evaluate("document.title").toString(), QStringLiteral("Links"));
        QVERIFY(server.events().empty());
    }

    void thePageRunsNoScript() {
        OpenPage page(
            "<html><head><title>Quiet</title><script>document.title = 'ran';</script></head>"
            "<body onload=\"document.body.setAttribute('data-loaded', '1')\">"
            "<script>document.write('<p id=written>x</p>');</script></body></html>");
        QVERIFY(page.ok);
        QCOMPARE(page.evaluate("document.title").toString(), QStringLiteral("Quiet"));
        QCOMPARE(page.evaluate("document.getElementById('written') === null").toBool(), true);
        QCOMPARE(page.evaluate("document.body.hasAttribute('data-loaded')").toBool(), false);
        QCOMPARE(page.view()->title(), QStringLiteral("Quiet"));
    }

    void thePageReachesNoOtherFileAndNoRemoteAddress() {
        PrepareLocalHttp();
        QTemporaryDir other;
        const QString imagePath = other.filePath(QStringLiteral("other.png"));
        AppFolders::write(imagePath, PngBytes());
        // The document's remote parts on `server`, its other local file at imagePath.
        const auto document = [&imagePath](const FeedServer& server) {
            const QByteArray http = QByteArray::fromStdString(server.url(""));
            const QByteArray file = QUrl::fromLocalFile(imagePath).toEncoded();
            const QByteArray inlined = "data:image/png;base64," + PngBytes().toBase64();
            return "<html><head><title>Pictures</title><link rel=stylesheet href=\"" + http +
                   "/style.css\"><style>@font-face { font-family: f; src: url(" + http +
                   "/font.woff); } body { font-family: f; }</style></head><body>"
                   "<img id=remote src=\"" +
                   http + "/image.png\"><img id=file src=\"" + file + "\"><img id=inline src=\"" +
                   inlined + "\"><iframe src=\"" + http + "/frame.html\"></iframe><iframe src=\"" +
                   file + "\"></iframe>text</body></html>";
        };

        // An ordinary page of the web showing the same document loads its remote parts: a
        // server on this machine can be reached from the web engine.
        {
            FeedServer reachable;
            reachable.serve("/image.png", PngBytes().toStdString(), "image/png");
            QWebEngineView ordinary;
            QSignalSpy loaded(&ordinary, &QWebEngineView::loadFinished);
            ordinary.setHtml(QString::fromUtf8(document(reachable)),
                             QUrl(QString::fromStdString(reachable.url("/"))));
            QVERIFY(loaded.wait(20000));
            QTRY_VERIFY(reachable.hits("/image.png") > 0);
        }

        FeedServer server;
        for (const char* path : {"/image.png", "/style.css", "/frame.html", "/font.woff"})
            server.serve(path, PngBytes().toStdString(), "image/png");
        OpenPage page(document(server));
        QVERIFY(page.ok);
        const QString complete = "Array.from(document.images).every(i => i.complete)";
        QTRY_VERIFY(page.evaluate(complete).toBool());
        // The picture written into the page shows; the others never arrived.
        QCOMPARE(page.evaluate("document.getElementById('inline').naturalWidth").toInt(), 8);
        QCOMPARE(page.evaluate("document.getElementById('file').naturalWidth").toInt(), 0);
        QCOMPARE(page.evaluate("document.getElementById('remote').naturalWidth").toInt(), 0);
        QVERIFY(server.events().empty());
    }

    void eachWindowKeepsThePageItWasOpenedWith() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("item.htm"));
        RecordingSeam seam;
        // The next message is written over the page file while the first window still loads.
        AppFolders::write(path, "<html><head><title>First</title></head><body>1</body></html>");
        frmDoc first(seam, QStringLiteral("First"), path, nullptr, LoadMessageViewFactory());
        QSignalSpy firstLoaded(&first, &frmDoc::pageLoaded);
        AppFolders::write(path, "<html><head><title>Second</title></head><body>2</body></html>");
        frmDoc second(seam, QStringLiteral("Second"), path, nullptr, LoadMessageViewFactory());
        QSignalSpy secondLoaded(&second, &frmDoc::pageLoaded);
        QTRY_VERIFY_WITH_TIMEOUT(!firstLoaded.isEmpty() && !secondLoaded.isEmpty(), 20000);
        QCOMPARE(Evaluate(first, "document.title").toString(), QStringLiteral("First"));
        QCOMPARE(Evaluate(second, "document.title").toString(), QStringLiteral("Second"));
        QVERIFY(first.pageContent().contains("<title>First</title>"));

        // Neither a reload nor a new load of the page file brings the newer message in.
        firstLoaded.clear();
        WebView(first)->reload();
        WebView(first)->load(QUrl::fromLocalFile(path));
        // The refusal ends in a failed load.
        QTRY_VERIFY_WITH_TIMEOUT(!firstLoaded.isEmpty(), 10000);
        QCOMPARE(firstLoaded.first().first().toBool(), false);
        QCOMPARE(Evaluate(first, "document.title").toString(), QStringLiteral("First"));
        QVERIFY(seam.boxes.empty());
    }

    void saveAsWritesThePageAndReportsWhatFails() {
        const QByteArray html =
            "<html><head><title>Kept</title></head><body>kept</body></html>\r\n";
        OpenPage page(html);
        QVERIFY(page.ok);
        page.doc->setWindowTitle(QStringLiteral("News: 3/4 done"));
        QTemporaryDir out;
        QString proposed;
        QString answer = out.filePath(QStringLiteral("saved.html"));
        page.doc->setSavePathChooser([&](QWidget* parent, const QString& proposedPath) {
            proposed = proposedPath;
            return parent == page.doc.get() ? answer : QString();
        });

        QVERIFY(QMetaObject::invokeMethod(page.doc.get(), "savePageAs"));
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("News: 3_4 done.html"));
        QCOMPARE(AppFolders::read(answer), html);
        // The file exists now: the name given without its extension, or with a dot that starts
        // none, gets ".html", and replacing is asked about that name, whatever the chooser did.
        AppFolders::write(answer, "mine");
        page.doc->setWindowTitle(QStringLiteral("One two three four ..."));
        answer = out.filePath(QStringLiteral("saved"));
        page.doc->savePageAs();
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("One two three four.html"));
        QCOMPARE(page.seam.captions(), std::vector<std::string>{"Confirm Save As"});
        QVERIFY(page.seam.boxes[0].text.starts_with(answer.toStdString() + ".html already exists"));
        QCOMPARE(page.seam.boxes[0].defaultButton, MsgDefault::Second);
        QCOMPARE(AppFolders::read(answer + ".html"), QByteArray("mine"));
        page.seam.answers = {MsgAnswer::Yes};
        page.doc->savePageAs();
        QCOMPARE(AppFolders::read(answer + ".html"), html);
        answer = out.filePath(QStringLiteral("Release 1.2 notes"));
        page.doc->savePageAs();
        QCOMPARE(AppFolders::read(answer + ".html"), html);
        page.seam.clear();

        // Cancelled: nothing written, nothing shown.
        answer.clear();
        page.doc->savePageAs();
        QVERIFY(page.seam.boxes.empty());
        // A folder that does not exist: the error box, no file.
        answer = out.filePath(QStringLiteral("missing/saved.html"));
        page.doc->savePageAs();
        QCOMPARE(page.seam.captions(), std::vector<std::string>{"Error !"});
        QVERIFY(!QFile::exists(answer));
    }

    void printPrintsThePageOnTheChosenPrinter() {
        OpenPage page("<html><body><h1>Printed</h1></body></html>");
        QVERIFY(page.ok);
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("page.pdf"));
        bool accept = false;
        int asked = 0;
        page.doc->setPrintSetup([&](QPrinter& printer, QWidget*) {
            ++asked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return accept;
        });
        QSignalSpy finished(page.doc.get(), &frmDoc::printFinished);

        QVERIFY(QMetaObject::invokeMethod(page.doc.get(), "printPage"));
        QCOMPARE(asked, 1);
        QVERIFY(!QFile::exists(pdf));

        accept = true;
        page.doc->printPage();
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(AppFolders::read(pdf).startsWith("%PDF-"));
    }

    void theWebEngineStartsLeanUnlessTheUserChoseItsSwitches() {
        const char* variable = kChromiumFlagsVariable;
        const QByteArray before = qgetenv(variable);
        const bool wasSet = qEnvironmentVariableIsSet(variable);
        const struct {
            std::optional<QByteArray> set;  // the user's value, or unset
            QByteArray expected;
        } cases[] = {
            {std::nullopt, LeanEngineSwitches()},
            {QByteArray("--disable-gpu"), QByteArray("--disable-gpu")},
            {QByteArray(""), QByteArray("")},
        };
        for (const auto& testCase : cases) {
            if (testCase.set)
                qputenv(variable, *testCase.set);
            else
                qunsetenv(variable);
            PreferLeanEngine();
            QCOMPARE(qgetenv(variable), testCase.expected);
            QVERIFY(qEnvironmentVariableIsSet(variable));
        }
        if (wasSet)
            qputenv(variable, before);
        else
            qunsetenv(variable);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmDoc)

#include "frm_doc_test.moc"
