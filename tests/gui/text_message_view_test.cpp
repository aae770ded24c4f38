#include <memory>

#include "gui/app_folders.h"
#include "inbox/check_feed_server.h"
#include "view/ui/built_in_view_factory.h"
#include "view/ui/find_bar.h"
#include "view/ui/page_resource_loader.h"
#include "view/ui/text_message_view.h"

namespace vellorin::test {
namespace {

// A page in a temporary folder shown in a built-in view made by the program's factory, which
// may show the files of the folder data/ only; clicked links are kept instead of being opened.
struct ShownPage {
    explicit ShownPage(const QByteArray& html) {
        QDir(dir.path()).mkpath("data");
        AppFolders::write(path("page.htm"), html);
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
        AppFolders::write(page.path("data/pic.png"), PngBytes());
        AppFolders::write(page.path("data/look.css"), "p { color: red }");
        AppFolders::write(page.path("outside.png"), PngBytes());
        const QImage refused = RefusedPicturePlaceholder();
        const int image = QTextDocument::ImageResource, style = QTextDocument::StyleSheetResource;
        const struct {
            int type;
            QString url;
            QVariant expected;  // invalid: left to the document (a data: address)
        } cases[] = {
            {image, "data:image/png;base64," + PngBytes().toBase64(), QVariant()},
            {image, "data/pic.png", PngBytes()},
            {style, page.path("data/look.css"), QByteArray("p { color: red }")},
            {image, "outside.png", refused},
            {image, "data/../outside.png", refused},
            {image, "/etc/passwd", refused},
            {image, "http://127.0.0.1:1/x.png", refused},
            {style, "https://example.org/x.css", QString()},
            {QTextDocument::HtmlResource, "data/pic.png", QString()},
        };
        for (const auto& c : cases) {
            const QUrl url = c.url.startsWith('/') ? QUrl::fromLocalFile(c.url) : QUrl(c.url);
            QCOMPARE(page.view->loadResource(c.type, url), c.expected);
        }
    }

    void aHostilePageMakesNoRequestAndShowsAltTexts() {
        PrepareLocalHttp();
        FeedServer server;
        QTemporaryDir other;
        AppFolders::write(other.filePath("other.png"), PngBytes());
        ShownPage page(
            HostilePage(QByteArray::fromStdString(server.url("")), other.filePath("other.png")));
        QTest::qWait(200);
        QVERIFY(page.text().contains("Start [Company logo]") && page.text().contains("End"));
        QVERIFY(!page.text().contains("ran"));
        // The remote picture without a text is the small placeholder, not a 600 by 300 box.
        QVERIFY(page.view->document()->size().height() < 300);
        QCOMPARE(server.events(), std::vector<std::string>{});
        // Huge, deep and broken pages show without a crash.
        for (const auto& [html, shown] :
             {std::pair{
                  QByteArray("<p>" + QByteArray("words ").repeated(170) + "</p>").repeated(5000) +
                      "END",
                  "END"},
              {QByteArray("<div><span><b>").repeated(3334) + "DEEP", "DEEP"},
              {QByteArray("<table><tr><td>").repeated(1000) + "CELL", "CELL"},
              {"<p><b>BROKEN<i></p></b><table><td><tr>&#xffffffff;&bogus<a href=\"<<\"", "BROKEN"}})
            QVERIFY2(ShownPage(html).text().contains(shown), shown);
    }

    // Tab and Enter reach the links: web and mail links go to the opener, a mark scrolls, the
    // others are dropped.
    void linksGoToTheOpenerByTabAndEnterOthersAreDropped() {
        ShownPage page(
            "<p><a href=\"file:///etc/hostname\">file</a> <a "
            "href=\"https://example.org/a\">web</a> "
            "<a href=\"javascript:alert(1)\">script</a> <a href=\"mailto:me@example.org\">mail</a> "
            "<a href=\"ftp://example.org/f\">ftp</a> <a href=\"#below\">jump</a></p>"
            "<p style=\"margin-top: 3000px\"><a name=below>below</a></p>");
        for (int link = 0; link < 6; ++link) {
            QTest::keyClick(page.view.get(), Qt::Key_Tab);
            QTest::keyClick(page.view.get(), Qt::Key_Return);
        }
        QCOMPARE(page.opened,
                 (QList<QUrl>{QUrl("https://example.org/a"), QUrl("mailto:me@example.org")}));
        QVERIFY(page.view->verticalScrollBar()->value() > 0);
        QCOMPARE(page.view->source(), QUrl::fromLocalFile(page.path("page.htm")));
    }

    // Copy, find and zoom from the keyboard; a paragraph with a size of its own zooms too.
    void copyFindAndZoomFromTheKeyboard() {
        ShownPage page(
            "<p style=\"font-size: 13px\">An apple, a pear, an apple tree.</p><p>Apple</p>");
        page.keys(QKeySequence::SelectAll);
        page.keys(QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), page.text());
        page.keys(QKeySequence::Find);
        FindBar* bar = page.view->findBar();
        auto* field = bar->findChild<QLineEdit*>("txtFind");
        QTest::keyClicks(field, "apple");
        QCOMPARE(bar->findChild<QLabel*>("lblMatches")->text(), "3 matches");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(page.view->textCursor().selectionStart(), 21);
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(page.view->textCursor().selectionStart(), 3);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!bar->isVisible() && page.view->extraSelections().isEmpty());
        QTextCursor first(page.view->document());
        first.setPosition(1);
        for (const auto& [keys, pixels] : {std::pair{QKeySequence(QKeySequence::ZoomIn), 14},
                                           std::pair{QKeySequence(Qt::CTRL | Qt::Key_0), 13}}) {
            page.keys(keys);
            QCOMPARE(first.charFormat().font().pixelSize(), pixels);
        }
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(TextMessageView)

#include "text_message_view_test.moc"
