#include <functional>
#include <string>
#include <vector>

#include "gui/frm_main_client.h"
#include "subscriptions/drop_box_geometry.h"

namespace vellorin::test {
namespace {

const QString kServiceLink = QStringLiteral("https://www.vellorin.net/feeds/billing.xml");

// The window side of size `index` in pixels on this screen, and what is stored for `pixels`.
int WindowSide(int index) {
    return TwipsToPixels(DropBoxSizeFor(index).windowTwips,
                         TwipsPerPixel(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
}
QByteArray Twips(int pixels) {
    return QByteArray::number(
        qRound(pixels * TwipsPerPixel(QGuiApplication::primaryScreen()->logicalDotsPerInch())));
}

}  // namespace

class TestFrmDropBox : public QObject {
    Q_OBJECT

private slots:
    void opensAsAFramelessTopMostBoxAndTheMenuChangesIt() {
        DropBoxWorld world;
        QPointer<frmDropBox> box = world.open();
        QVERIFY(box->isVisible() && box->acceptDrops());
        const auto flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus;
        QVERIFY((box->windowFlags() & flags) == flags);
        QVERIFY(box->testAttribute(Qt::WA_ShowWithoutActivating));
        // Top left of the screen, "Large", "Low"; the whole picture shows.
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->size(), QSize(WindowSide(2), WindowSide(2)));
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 21);
        QVERIFY(box->picture().width() + 4 < box->width());
        box->mnuPopupTransOpt(3)->trigger();
        box->mnuPopupSizeOpt(0)->trigger();
        QVERIFY(qAbs(box->windowOpacity() * 255 - 178) <= 1);
        QCOMPARE(box->size(), QSize(WindowSide(0), WindowSide(0)));
        // Nothing is stored until the box closes; the next one opens as it was left.
        QVERIFY(!QFile::exists(world.appFile("settings.cfg")));
        box->move(100, 200);
        box->mnuPopupClose()->trigger();
        QCOMPARE(world.settings(), "[dropbox]\r\nleft=" + Twips(100) + "\r\ntop=" + Twips(200) +
                                       "\r\ntrans=3\r\nsize=0\r\n");
        DeleteClosedWindows();
        QVERIFY(box.isNull());
        box = world.open();
        QCOMPARE(box->pos(), QPoint(100, 200));
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 3);
        QVERIFY(world.seam.boxes.empty());
    }

    // Stored far out of every screen, with values that choose no item: the defaults.
    void damagedOrFarAwaySettingsOpenAtTheDefaultsOnTheScreen() {
        DropBoxWorld world("[dropbox]\r\nleft=32767\r\ntop=15\r\ntrans=9\r\nsize=abc\r\n");
        frmDropBox* box = world.open();
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 21);
        // Moved far out on a large desktop: stored as it is, not cut to 32,767 twips.
        box->move(5000, -5000);
        box->close();
        QVERIFY(world.settings().contains("left=" + Twips(5000) + "\r\ntop=" + Twips(-5000)));
    }

    // What a drop carries reaches the core's rules (their table is the core's): a link as text
    // opens the subscription (as a URL: the whole-program test's), the rest gets its box.
    void eachKindOfDropGetsItsBoxOrOpensTheSubscription() {
        QTemporaryDir files;
        const QString file = QDir(files.path()).filePath("report.pdf");
        const struct {
            std::function<void(QMimeData&)> fill;
            const char* box;  // caption, nullptr when the link is passed on
        } cases[] = {
            {[](QMimeData& m) { m.setText(kServiceLink); }, nullptr},
            {[](QMimeData& m) { m.setText(QStringLiteral("hello")); },
             "Invalid Vellorin Source Link."},
            {[&](QMimeData& m) {
                 m.setUrls({QUrl::fromLocalFile(file)});
                 m.setText(file);
             },
             "Drag-n-Drop Vellorin Link ..."},
        };
        DropBoxWorld world;
        frmDropBox* box = world.open();
        for (const auto& c : cases) {
            world.seam.clear();
            world.links.clear();
            QMimeData mime;
            c.fill(mime);
            QVERIFY(Drop(box, mime));
            QCOMPARE(world.seam.captions(),
                     c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
            QCOMPARE(world.links, c.box ? std::vector<std::string>{}
                                        : std::vector<std::string>{kServiceLink.toStdString()});
        }
        box->close();
    }

    void toolsMenuAndTrayToggleTheBoxAndFollowItsClose() {
        Client client;
        QAction* item = client.item("mnuToolsDropBox");
        item->trigger();
        QVERIFY(item->isChecked());
        // The tray item closes it, which stores its settings; its own "Close" unchecks the item.
        client.choose("dropbox");
        QVERIFY(!item->isChecked() && client.window->dropBox() == nullptr);
        QVERIFY(QFile::exists(client.appFile("settings.cfg")));
        client.choose("dropbox");
        client.window->dropBox()->mnuPopupSizeOpt(1)->trigger();
        client.window->dropBox()->mnuPopupClose()->trigger();
        QVERIFY(!item->isChecked() && client.window->dropBox() == nullptr);
        QVERIFY(client.settings().contains("size=1\r\n"));
        // Open at the program's exit (or a termination signal): closed and stored.
        item->trigger();
        client.window->dropBox()->mnuPopupSizeOpt(0)->trigger();
        client.window->UnloadWithoutQuestion();
        QVERIFY(client.window->dropBox() == nullptr);
        QVERIFY(client.settings().contains("size=0\r\n"));
        QVERIFY(client.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmDropBox)

#include "frm_drop_box_test.moc"
