#include <optional>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "base/clock.h"
#include "gui/drop_box_world.h"
#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "subscriptions/drop_box_geometry.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "support/recording_seam.h"

namespace vellorin::test {
namespace {

const char* const kNoTextCaption = "Drag-n-Drop Vellorin Link ...";
const char* const kInvalidCaption = "Invalid Vellorin Source Link.";
const QString kServiceLink = QStringLiteral("https://www.vellorin.net/feeds/billing.xml");

double ScreenTwipsPerPixel() {
    return TwipsPerPixel(QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

// The window side of size `index` in pixels on this screen.
int WindowSide(int index) {
    return TwipsToPixels(DropBoxSizeFor(index).windowTwips, ScreenTwipsPerPixel());
}

QStringList Captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions())
        out.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

int CheckedCount(const QMenu* menu) {
    int count = 0;
    for (const QAction* action : menu->actions())
        count += action->isChecked() ? 1 : 0;
    return count;
}

double Alpha(const QWidget* window) {
    return window->windowOpacity() * 255.0;
}

}  // namespace

class TestFrmDropBox : public QObject {
    Q_OBJECT

private slots:
    void opensAsAFramelessTopMostBoxAtTheDefaultsAndTheMenuChangesIt() {
        DropBoxWorld world;
        QPointer<frmDropBox> box = world.open();
        QVERIFY(box->isVisible());
        QCOMPARE(box->objectName(), QStringLiteral("frmDropBox"));
        QVERIFY(box->windowTitle().isEmpty());
        for (Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                    Qt::WindowDoesNotAcceptFocus})
            QVERIFY(box->windowFlags().testFlag(flag));
        QVERIFY(box->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(box->acceptDrops());

        // Top left of the screen, "Large", "Low".
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->size(), QSize(WindowSide(2), WindowSide(2)));
        QCOMPARE(box->CheckedSize(), 2);
        QCOMPARE(box->CheckedTrans(), 1);
        QVERIFY(qAbs(Alpha(box) - 230) <= 1);
        // The whole picture box shows, with the margin on the right and at the bottom.
        QVERIFY(!box->picture().isNull());
        QVERIFY(box->picture().width() + 4 < box->width());

        QMenu* popup = box->findChild<QMenu*>("mnuPopup");
        QVERIFY(popup != nullptr && popup == box->mnuPopup());
        QCOMPARE(popup->title(), QStringLiteral("PopupMenu"));
        QCOMPARE(Captions(popup), (QStringList{"Window Size", "-", "Transperancy", "-", "Close"}));
        QMenu* sizes = box->findChild<QMenu*>("mnuPopupSize");
        QMenu* levels = box->findChild<QMenu*>("mnuPopupTrans");
        QVERIFY(sizes && levels);
        QCOMPARE(Captions(sizes), (QStringList{"Small", "Normal", "Large"}));
        QCOMPARE(Captions(levels), (QStringList{"None", "Low", "Normal", "High"}));
        QCOMPARE(box->findChildren<QAction*>("mnuPopupSizeOpt").size(), 3);
        QCOMPARE(box->findChildren<QAction*>("mnuPopupTransOpt").size(), 4);
        QCOMPARE(box->findChild<QAction*>("mnuPopupClose"), box->mnuPopupClose());
        QCOMPARE(CheckedCount(sizes), 1);
        QCOMPARE(CheckedCount(levels), 1);

        // The menu checks one size and one level and changes the box.
        const int alphas[] = {255, 230, 204, 178};
        for (int level : {3, 0, 2, 2, 1}) {
            box->mnuPopupTransOpt(level)->trigger();
            QCOMPARE(box->CheckedTrans(), level);
            QCOMPARE(CheckedCount(levels), 1);
            QVERIFY2(qAbs(Alpha(box) - alphas[level]) <= 1, qPrintable(QString::number(level)));
        }
        for (int size : {0, 1, 1, 2, 0}) {
            box->mnuPopupSizeOpt(size)->trigger();
            QCOMPARE(box->CheckedSize(), size);
            QCOMPARE(CheckedCount(sizes), 1);
            QCOMPARE(box->size(), QSize(WindowSide(size), WindowSide(size)));
        }
        QVERIFY(box->size().width() < WindowSide(1));
        // Nothing is stored until the box closes, opening included.
        QVERIFY(!QFile::exists(world.appFile("settings.cfg")));

        // A right-click opens the menu; a left click does not.
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
        QVERIFY(!box->mnuPopup()->isVisible());
        QTest::mouseClick(box, Qt::RightButton, Qt::NoModifier, box->rect().center());
        QVERIFY(box->mnuPopup()->isVisible());
        box->mnuPopup()->hide();

        QSignalSpy unloaded(box, &frmDropBox::unloaded);
        box->mnuPopupClose()->trigger();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(QFile::exists(world.appFile("settings.cfg")));
        QVERIFY(!box->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());
        QVERIFY(world.seam.boxes.empty());
    }

    void placeSizeAndLevelGoThroughSettingsCfg() {
        DropBoxWorld world("[app]\r\nschedule=1\r\nfreq=2\r\n");
        frmDropBox* box = world.open();
        box->move(100, 200);
        box->mnuPopupSizeOpt(0)->trigger();
        box->mnuPopupTransOpt(3)->trigger();
        box->close();
        const double tpp = ScreenTwipsPerPixel();
        const QByteArray expected = "[app]\r\nschedule=1\r\nfreq=2\r\n[dropbox]\r\nleft=" +
                                    QByteArray::number(qRound(100 * tpp)) +
                                    "\r\ntop=" + QByteArray::number(qRound(200 * tpp)) +
                                    "\r\ntrans=3\r\nsize=0\r\n";
        QCOMPARE(world.settings(), expected);

        box = world.open();
        QCOMPARE(box->pos(), QPoint(100, 200));
        QCOMPARE(box->size(), QSize(WindowSide(0), WindowSide(0)));
        QCOMPARE(box->CheckedSize(), 0);
        QCOMPARE(box->CheckedTrans(), 3);
        QVERIFY(qAbs(Alpha(box) - 178) <= 1);
        box->close();
        QCOMPARE(world.settings(), expected);
        QVERIFY(world.seam.boxes.empty());
    }

    void damagedOrFarAwaySettingsOpenAtTheDefaultsOnTheScreen() {
        // A place beyond every screen (a monitor since unplugged), a level and a size that
        // choose no item.
        DropBoxWorld world("[dropbox]\r\nleft=32767\r\ntop=15\r\ntrans=9\r\nsize=abc\r\n");
        frmDropBox* box = world.open();
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->CheckedSize(), 2);
        QCOMPARE(box->CheckedTrans(), 1);
        QCOMPARE(box->size(), QSize(WindowSide(2), WindowSide(2)));

        // Moved far out on a large desktop: stored as it is, neither wrapped nor cut to 32,767
        // twips; where no screen is there any more it opens on the primary screen.
        box->move(5000, -5000);
        box->close();
        const double tpp = ScreenTwipsPerPixel();
        QVERIFY2(world.settings().contains(
                     "[dropbox]\r\nleft=" + QByteArray::number(qRound(5000 * tpp)) + "\r\ntop=" +
                     QByteArray::number(qRound(-5000 * tpp)) + "\r\ntrans=1\r\nsize=2\r\n"),
                 world.settings().constData());
        box = world.open();
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        box->close();
        QVERIFY(world.seam.boxes.empty());
    }

    void eachKindOfDropGetsItsBoxOrOpensTheSubscription() {
        QTemporaryDir files;
        const QString file = QDir(files.path()).filePath("report.pdf");
        struct Case {
            const char* what;
            std::function<void(QMimeData&)> fill;
            const char* box;  // caption, nullptr for none
            std::optional<QString> link;
        };
        const Case cases[] = {
            {"a link as text/uri-list", [](QMimeData& m) { m.setUrls({QUrl(kServiceLink)}); },
             nullptr, kServiceLink},
            {"a link as text/plain", [](QMimeData& m) { m.setText(kServiceLink); }, nullptr,
             kServiceLink},
            {"a link from a browser, both formats",
             [](QMimeData& m) {
                 m.setUrls({QUrl(kServiceLink)});
                 m.setText(kServiceLink);
             },
             nullptr, kServiceLink},
            {"a plain word", [](QMimeData& m) { m.setText(QStringLiteral("hello")); },
             kInvalidCaption, std::nullopt},
            {"another site's link",
             [](QMimeData& m) { m.setUrls({QUrl(QStringLiteral("https://example.org/feed"))}); },
             kInvalidCaption, std::nullopt},
            {"a file from the desktop",
             [&](QMimeData& m) {
                 m.setUrls({QUrl::fromLocalFile(file)});
                 m.setText(file);
             },
             kNoTextCaption, std::nullopt},
            {"no text at all",
             [](QMimeData& m) { m.setData(QStringLiteral("image/png"), QByteArray("\x89PNG")); },
             kNoTextCaption, std::nullopt},
        };
        DropBoxWorld world;
        frmDropBox* box = world.open();
        for (const Case& c : cases) {
            world.seam.clear();
            world.links.clear();
            QMimeData mime;
            c.fill(mime);
            QVERIFY2(Drop(box, mime), c.what);
            if (c.box == nullptr) {
                QVERIFY2(world.seam.boxes.empty(), c.what);
            } else {
                QCOMPARE(world.seam.captions(), std::vector<std::string>{c.box});
            }
            QCOMPARE(world.links.size(), c.link ? 1u : 0u);
            if (c.link)
                QCOMPARE(QString::fromStdString(world.links.front()), *c.link);
        }
        box->close();
    }

    void toolsMenuAndTrayToggleTheBoxAndFollowItsClose() {
        Client client;
        QStringList dropped;
        client.window->setDroppedLinkHandler([&](const QString& link) { dropped << link; });
        QAction* item = client.item("mnuToolsDropBox");

        item->trigger();
        QVERIFY(item->isChecked());
        QPointer<frmDropBox> box = client.window->dropBox();
        QVERIFY(box && box->isVisible());
        QMimeData mime;
        mime.setUrls({QUrl(kServiceLink)});
        QVERIFY(Drop(box, mime));
        QCOMPARE(dropped, QStringList{kServiceLink});

        // The tray item closes it, which stores its settings.
        client.choose("dropbox");
        QVERIFY(!item->isChecked());
        QVERIFY(client.window->dropBox() == nullptr);
        QVERIFY(QFile::exists(client.appFile("settings.cfg")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());

        // The tray opens it again; its own "Close" unchecks the Tools item.
        client.choose("dropbox");
        QVERIFY(item->isChecked());
        client.window->dropBox()->mnuPopupSizeOpt(1)->trigger();
        client.window->dropBox()->mnuPopupClose()->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(client.window->dropBox() == nullptr);
        QVERIFY(client.settings().contains("size=1\r\n"));

        // Open at the program's exit: the unload closes it and stores it.
        item->trigger();
        client.window->dropBox()->mnuPopupSizeOpt(0)->trigger();
        client.answer = MsgAnswer::Yes;
        client.item("mnuFileExit")->trigger();
        QVERIFY(client.window->dropBox() == nullptr);
        QVERIFY(!item->isChecked());
        QVERIFY(client.settings().contains("size=0\r\n"));
        QCOMPARE(client.captions(), std::vector<std::string>{"Close Vellorin Application Now?"});
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmDropBox)

#include "frm_drop_box_test.moc"
