#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QPrinter>

#include <memory>

#include "gui/gui_tests.h"
#include "inbox/check_feed_server.h"
#include "view/ui/built_in_view_factory.h"
#include "view/ui/find_bar.h"
#include "view/ui/message_view_plugin.h"
#include "view/ui/page_resource_loader.h"
#include "view/ui/text_message_view.h"

namespace vellorin::test {
namespace {

QByteArray PngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray AppFoldersRead(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A page in a temporary folder (its own file outside the view's folders, as the window's copy
// is), shown in a built-in view made by the program's factory; the view may show the files of
// the folder data/ only. Clicked links are kept instead of being opened.
class ShownPage {
public:
    explicit ShownPage(const QByteArray& html) {
        Write(path("page.htm"), html);
        SetBuiltInViewFolders({path("data")});
        MessageView* made = BuiltInMessageViewFactory().createMessageView(
            QUrl::fromLocalFile(path("page.htm")), QStringLiteral("A message"),
            [this](bool ok) { loaded.append(ok); }, [this](bool ok) { printed.append(ok); },
            nullptr);
        SetBuiltInViewFolders({});
        view.reset(qobject_cast<TextMessageView*>(made->widget()));
        view->setLinkOpener([this](const QUrl& url) { opened.append(url); });
        view->resize(500, 300);
        view->show();
        view->activateWindow();
        (void)QTest::qWaitForWindowActive(view.get());
        view->setFocus();
        view->loadPage();
        QTRY_COMPARE(loaded, QList<bool>{true});
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString text() const { return view->toPlainText(); }
    void keys(const QKeySequence& keys) const {
        for (int i = 0; i < keys.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), keys[i].key(),
                            keys[i].keyboardModifiers());
    }

    QTemporaryDir dir;
    std::unique_ptr<TextMessageView> view;
    QList<bool> loaded, printed;
    QList<QUrl> opened;
};

}  // namespace

class TestTextMessageView : public QObject {
    Q_OBJECT

private slots:
    void loadsOnlyDataPicturesAndFilesInsideItsFolders() {
        ShownPage page("<p>x</p>");
        Write(page.path("data/pic.png"), PngBytes(8, 6));
        Write(page.path("data/look.css"), "p { color: red }");
        Write(page.path("outside.png"), PngBytes(8, 6));
        const QImage placeholder = RefusedPicturePlaceholder();
        const QString data =
            QString::fromLatin1("data:image/png;base64," + PngBytes(8, 6).toBase64());
        struct Case {
            int type;
            QString url;
            QVariant expected;  // invalid: left to the document (a data: address)
        };
        const Case cases[] = {
            {QTextDocument::ImageResource, data, QVariant()},
            {QTextDocument::ImageResource, "data/pic.png", PngBytes(8, 6)},
            {QTextDocument::StyleSheetResource, page.path("data/look.css"),
             QByteArray("p { color: red }")},
            {QTextDocument::ImageResource, "outside.png", placeholder},
            {QTextDocument::ImageResource, "data/../outside.png", placeholder},
            {QTextDocument::ImageResource, "/etc/passwd", placeholder},
            {QTextDocument::ImageResource, "http://127.0.0.1:1/x.png", placeholder},
            {QTextDocument::ImageResource, "ftp://example.org/x.png", placeholder},
            {QTextDocument::StyleSheetResource, "https://example.org/x.css", QString()},
            {QTextDocument::StyleSheetResource, "outside.png", QString()},
            {QTextDocument::HtmlResource, "data/pic.png", QString()},
        };
        for (const Case& c : cases) {
            const QUrl url = c.url.startsWith('/') ? QUrl::fromLocalFile(c.url) : QUrl(c.url);
            QCOMPARE(page.view->loadResource(c.type, url), c.expected);
        }
    }

    void aHostilePageMakesNoRequestAndShowsAltTexts() {
        PrepareLocalHttp();
        FeedServer server;
        const QByteArray remote = QByteArray::fromStdString(server.url(""));
        const QByteArray png = PngBytes(8, 6).toBase64();
        ShownPage page("<html><head><link rel=stylesheet href=\"" + remote +
                       "/a.css\">"
                       "<style>@import url(" +
                       remote + "/b.css); body { background: url(" + remote +
                       "/c.png) }</style><meta http-equiv=refresh content=\"0; url=" + remote +
                       "/d\">"
                       "<script>document.write('ran')</script></head><body>"
                       "<p>Start <img src=\"" +
                       remote +
                       "/e.png\" alt=\"Company logo\"> "
                       "<img src=\"" +
                       remote +
                       "/f.png\" width=600 height=300> "
                       "<img src=\"data:image/png;base64," +
                       png +
                       "\" alt=inline></p>"
                       "<iframe src=\"" +
                       remote + "/g\"></iframe><object data=\"" + remote +
                       "/h\"></object>"
                       "<embed src=\"" +
                       remote + "/i\"><form action=\"" + remote +
                       "/j\"><input></form>"
                       "<table background=\"" +
                       remote +
                       "/k.png\"><tr><td>cell</td></tr></table>"
                       "<p style=\"background-image: url(" +
                       remote + "/l.png)\">End</p></body></html>");
        QTest::qWait(200);
        QVERIFY(page.text().contains("Start [Company logo]"));
        QVERIFY(!page.text().contains("ran"));
        QVERIFY(page.text().contains("End"));
        // The remote picture without a text is the small placeholder, not a 600 by 300 box.
        QVERIFY(page.view->document()->size().height() < 300);
        QCOMPARE(server.events(), std::vector<std::string>{});
    }

    void hugeDeepAndBrokenPagesShowWithoutACrash() {
        const struct {
            QByteArray html;
            QString shown;
        } cases[] = {
            {QByteArray("<p>" + QByteArray("words ").repeated(170) + "</p>").repeated(5000) + "END",
             "words \nEND"},
            {QByteArray("<div><span><b>").repeated(3334) + "DEEP", "DEEP"},
            {QByteArray("<table><tr><td>").repeated(1000) + "CELL", "CELL"},
            {"<p><b>BROKEN<i></p></b><table><td><tr>&#xffffffff;&bogus<a href=\"<<\"", "BROKEN"},
        };
        for (const auto& c : cases) {
            ShownPage page(c.html);
            QVERIFY2(page.text().contains(c.shown), qPrintable(c.shown));
        }
    }

    void linksGoToTheOpenerByTabAndEnterOthersAreDropped() {
        ShownPage page(
            "<p><a href=\"file:///etc/hostname\">file</a> <a "
            "href=\"https://example.org/a\">web</a> "
            "<a href=\"javascript:alert(1)\">script</a> <a href=\"mailto:me@example.org\">mail</a> "
            "<a href=\"ftp://example.org/f\">ftp</a> <a href=\"#below\">jump</a></p>"
            "<p style=\"margin-top: 3000px\"><a name=below>below</a></p>");
        const QList<QUrl> expected{QUrl("https://example.org/a"), QUrl("mailto:me@example.org")};
        for (int link = 0; link < 6; ++link) {
            QTest::keyClick(page.view.get(), Qt::Key_Tab);
            QTest::keyClick(page.view.get(), Qt::Key_Return);
        }
        QCOMPARE(page.opened, expected);
        QVERIFY(page.view->verticalScrollBar()->value() > 0);
        QCOMPARE(page.view->source(), QUrl::fromLocalFile(page.path("page.htm")));
        // A click with the mouse on a link opens it the same way.
        page.view->verticalScrollBar()->setValue(0);
        QTextCursor web = page.view->document()->find("web");
        const QPoint at = page.view->cursorRect(web).center() - QPoint(4, 0);
        QTest::mouseClick(page.view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(page.opened.size(), 3);
        QCOMPARE(page.opened.last(), QUrl("https://example.org/a"));
    }

    void selectCopyFindAndZoomFromTheKeyboard() {
        ShownPage page(
            "<p style=\"font-size: 13px\">An apple, a pear, an apple tree.</p>"
            "<p>Apple pie</p>");
        page.keys(QKeySequence::SelectAll);
        page.keys(QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), page.text());

        page.keys(QKeySequence::Find);
        FindBar* bar = page.view->findBar();
        auto* field = bar->findChild<QLineEdit*>("txtFind");
        QVERIFY(bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, "apple");
        QCOMPARE(page.view->extraSelections().size(), 3);
        QCOMPARE(bar->findChild<QLabel*>("lblMatches")->text(), "3 matches");
        const auto selectedAt = [&] { return page.view->textCursor().selectionStart(); };
        QCOMPARE(selectedAt(), 3);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(page.view->textCursor().selectedText(), "Apple");
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(selectedAt(), 21);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(page.view->extraSelections().isEmpty());
        QCOMPARE(QApplication::focusWidget(), page.view.get());

        // The paragraph with a size of its own, and the default font the other one follows.
        const auto sizes = [&] {
            QTextCursor first(page.view->document());
            first.setPosition(1);
            return std::pair(first.charFormat().font().pixelSize(),
                             page.view->document()->defaultFont().pointSizeF());
        };
        const auto [pixels, points] = sizes();
        QCOMPARE(pixels, 13);
        page.keys(QKeySequence::ZoomIn);
        QCOMPARE(page.view->zoomStep(), 1);
        QCOMPARE(sizes().first, 14);
        QVERIFY(sizes().second > points);
        page.keys(QKeySequence::ZoomOut);
        page.keys(QKeySequence::ZoomOut);
        QCOMPARE(page.view->zoomStep(), -1);
        QCOMPARE(sizes().first, 12);
        page.keys(QKeySequence(Qt::CTRL | Qt::Key_0));
        QCOMPARE(page.view->zoomStep(), 0);
        QCOMPARE(sizes(), std::pair(13, points));
    }

    // The sample messages of tests/data/messages show whole. With VELLORIN_GALLERY_SHOTS set to
    // a folder (under an X server), each is also shown beside the web engine's view and the
    // screen is saved there as NAME.png, to look at the two side by side.
    void everyGalleryMessageShows() {
        const QString shots = qEnvironmentVariable("VELLORIN_GALLERY_SHOTS");
        MessageViewFactory* engine = shots.isEmpty() ? nullptr : LoadMessageViewFactory();
        const QFileInfoList files =
            QDir(VELLORIN_TEST_DATA "/messages").entryInfoList({"*.htm"}, QDir::Files);
        QVERIFY(files.size() >= 4);
        for (const QFileInfo& file : files) {
            ShownPage page(AppFoldersRead(file.filePath()));
            QVERIFY(page.text().contains("From:"));
            QVERIFY(page.text().contains("Subject:"));
            if (engine == nullptr)
                continue;
            QWidget pair;
            auto* row = new QHBoxLayout(&pair);
            QList<bool> engineLoaded;
            MessageView* web = engine->createMessageView(
                QUrl::fromLocalFile(file.filePath()), file.baseName(),
                [&engineLoaded](bool ok) { engineLoaded.append(ok); }, {}, &pair);
            page.view->setParent(&pair);
            row->addWidget(page.view.get());
            row->addWidget(web->widget());
            pair.setGeometry(0, 0, 1200, 700);
            pair.show();
            web->loadPage();
            QTRY_VERIFY_WITH_TIMEOUT(!engineLoaded.isEmpty(), 20000);
            QTest::qWait(1000);
            QGuiApplication::primaryScreen()
                ->grabWindow(0, pair.x(), pair.y(), pair.width(), pair.height())
                .save(QDir(shots).filePath(file.baseName() + ".png"));
            page.view->setParent(nullptr);
        }
    }

    void scrollsPrintsAndIsReadableByAssistiveTools() {
        ShownPage page("<h1>Readable</h1>" + QByteArray("<p>line</p>").repeated(200));
        QScrollBar* bar = page.view->verticalScrollBar();
        QTest::keyClick(page.view.get(), Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
        const int pageDown = bar->value();
        QTest::keyClick(page.view.get(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(bar->value() > pageDown);
        QVERIFY(page.view->textCursor().atEnd());

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(page.view.get());
        QVERIFY(accessible && accessible->textInterface());
        QCOMPARE(accessible->text(QAccessible::Name), "A message");
        const QAccessibleTextInterface* text = accessible->textInterface();
        QVERIFY(text->text(0, text->characterCount()).startsWith("Readable\nline\nline"));

        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(page.path("out.pdf"));
        page.view->print(&printer);
        QTRY_COMPARE(page.printed, QList<bool>{true});
        QVERIFY(QFileInfo(page.path("out.pdf")).size() > 1000);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(TextMessageView)
#include "text_message_view_test.moc"
