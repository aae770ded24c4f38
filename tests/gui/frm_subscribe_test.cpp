#include <string>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/subscription_world.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "subscriptions/ui/frm_subscribe.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {

namespace {

// Opens the window as the main menu does (modal, owned by `owner`) and waits until it is active.
frmSubscribe* OpenActive(SubscriptionWorld& world, QWidget* owner = nullptr) {
    frmSubscribe* window =
        frmSubscribe::Open(world.context(), world.tvMessages, DialogOpenMode::ModalOwned, owner);
    if (!QTest::qWaitForWindowActive(window))
        return nullptr;
    return window;
}

}  // namespace

class TestFrmSubscribe : public QObject {
    Q_OBJECT

private slots:
    void everyControlWithItsCaptionFontAndTabOrder() {
        SubscriptionWorld world;
        frmSubscribe* window = OpenActive(world);
        QVERIFY(window);
        QCOMPARE(window->objectName(), QStringLiteral("frmSubscribe"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Subscribe to New Message Source"));
        QCOMPARE(window->findChild<QLineEdit*>("txtTitle"), window->txtTitle());
        QCOMPARE(window->findChild<QLineEdit*>("txtLink"), window->txtLink());
        QCOMPARE(window->findChild<QPushButton*>("btnSubscribe"), window->btnSubscribe());
        QCOMPARE(window->findChild<QPushButton*>("btnCancel"), window->btnCancel());
        QCOMPARE(window->btnSubscribe()->text(), QStringLiteral("   Subscribe Now!"));
        QCOMPARE(window->btnCancel()->text(), QStringLiteral("No Thanks!"));
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Title:"));
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->buddy(), window->txtTitle());
        QCOMPARE(window->findChild<QLabel*>("lblSourceLink")->text(),
                 QStringLiteral("Source Link:"));
        QCOMPARE(window->findChild<QLabel*>("lblSourceLink")->buddy(), window->txtLink());
        // The title field above the link field, the buttons below both.
        QVERIFY(window->txtTitle()->y() < window->txtLink()->y());
        QVERIFY(window->txtLink()->y() < window->btnSubscribe()->y());
        QCOMPARE(window->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(window->font().pointSizeF(), 8.25);
        QVERIFY(window->txtTitle()->text().isEmpty() && window->txtLink()->text().isEmpty());

        // At least the client area of 5640 x 2040 twips, centred on the screen.
        const QSize client = TwipsToPixels(window, 5640, 2040);
        QVERIFY(window->width() >= client.width() && window->height() >= client.height());
        const QPoint centre = window->screen()->availableGeometry().center();
        QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 2);

        // The title field first, then the link, the two buttons, and round again.
        QCOMPARE(QApplication::focusWidget(), window->txtTitle());
        const QList<QWidget*> chain = TabChain(4);
        QCOMPARE(chain, (QList<QWidget*>{window->txtLink(), window->btnSubscribe(),
                                         window->btnCancel(), window->txtTitle()}));
    }

    // Every refusal (its box's texts are the core's): the box, the field that gets the focus, the
    // link text selected or not, the list file unchanged and the window open with the fields as
    // typed.
    void refusalsShowTheirBoxAndSendTheFocusBack_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("selected");
        QTest::newRow("blank title") << "   "
                                     << "http://www.vellorin.net/feeds/new"
                                     << "Title?"
                                     << "txtTitle" << false;
        QTest::newRow("blank link") << "New"
                                    << "  "
                                    << "Link?"
                                    << "txtLink" << false;
        QTest::newRow("not the service's link") << "New"
                                                << "http://example.com/feed"
                                                << "Invalid Vellorin Source Link."
                                                << "txtLink" << true;
        QTest::newRow("already subscribed") << "Zulu again" << kLinkZulu << "Already Subscribed!"
                                            << "btnSubscribe" << false;
    }
    void refusalsShowTheirBoxAndSendTheFocusBack() {
        QFETCH(QString, title);
        QFETCH(QString, link);
        QFETCH(QString, caption);
        QFETCH(QString, focus);
        QFETCH(bool, selected);
        SubscriptionWorld world;
        const QByteArray before = world.list();
        frmSubscribe* window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), title);
        QTest::keyClicks(window->txtLink(), link);
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);

        QCOMPARE(world.captions(), Strings{caption.toStdString()});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(window->txtLink()->hasSelectedText(), selected);
        if (selected)
            QCOMPARE(window->txtLink()->selectedText(), link);
        QCOMPARE(window->txtTitle()->text(), title);
        QCOMPARE(window->txtLink()->text(), link);
        QVERIFY(window->isVisible());
        QCOMPARE(world.list(), before);
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));
    }

    // Enter in the link field subscribes; the title and link are stored with their blanks, the
    // main tree shows the new source (in title order, without messages) right after "Done!" was
    // answered, and the window closes.
    void subscribingStoresTheFieldsAsTypedAndShowsTheSourceInTheMainTree() {
        SubscriptionWorld world;
        QStringList rowsDuringDone;
        world.seam.duringBox = [&] { rowsDuringDone = world.mainRows(); };
        QPointer<frmSubscribe> window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), " mike ");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/MIKE/ ");
        QTest::keyClick(window->txtLink(), Qt::Key_Return);

        QCOMPARE(world.captions(), Strings{"Done!"});
        QCOMPARE(rowsDuringDone, QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(world.mainRows(), QStringList({" mike ", "alpha notes", "Zulu News"}));
        QCOMPARE(world.view.model()->rowCount(world.view.model()->index(0, 0)), 0);
        QVERIFY(world.list().contains(
            "title=\" mike \">http://www.vellorin.net/feeds/MIKE/ </source>"));
        QVERIFY(window.isNull() || window->isHidden());
        DeleteClosedWindows();
        QVERIFY(window.isNull());
        QCOMPARE(frmSubscribe::Instance(), nullptr);
    }

    // A list file that went missing: SourceExists and AddSource report it, then "Error!" (its
    // texts are the core's); the window stays with its fields.
    void aMissingListEndsInTheErrorBoxAndKeepsTheWindow() {
        SubscriptionWorld world;
        QVERIFY(QFile::remove(world.folder.dataFile("subscriptions.dat")));
        frmSubscribe* window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "New");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/new");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(world.captions(), (Strings{"Subscription Data File not found!",
                                            "Subscription Data File not found!", "Error!"}));
        QVERIFY(window->isVisible());
        QCOMPARE(window->txtTitle()->text(), QStringLiteral("New"));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));
    }

    // "No Thanks!", Escape and the close box close the window and store nothing; the next
    // opening starts with empty fields.
    void closingStoresNothingAndDiscardsTheFields_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("No Thanks!") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void closingStoresNothingAndDiscardsTheFields() {
        QFETCH(int, how);
        SubscriptionWorld world;
        const QByteArray before = world.list();
        QPointer<frmSubscribe> window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "New");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/new");
        if (how == 0)
            QTest::mouseClick(window->btnCancel(), Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(window->txtLink(), Qt::Key_Escape);
        else
            QVERIFY(window->close());
        QVERIFY(window->isHidden());
        QVERIFY(world.seam.boxes.empty());
        QCOMPARE(world.list(), before);

        // Opening again before the deferred deletion ran still gives a fresh window.
        frmSubscribe* again = OpenActive(world);
        QVERIFY(again);
        QVERIFY(again != window.data());
        QVERIFY(again->txtTitle()->text().isEmpty() && again->txtLink()->text().isEmpty());
    }

    // The open modes, one window at a time: modal and owned, modal without owner, modeless from
    // the drop box with the link put in. Opening while it is open brings the same window forward
    // as it is; a second drop replaces the link and keeps the title.
    void openModesShareTheOneWindow() {
        SubscriptionWorld world;
        QWidget owner;
        owner.show();
        frmSubscribe* owned = OpenActive(world, &owner);
        QVERIFY(owned);
        QCOMPARE(owned->parentWidget(), &owner);
        QCOMPARE(owned->windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), owned);
        QTest::keyClicks(owned->txtTitle(), "kept");
        QCOMPARE(frmSubscribe::Open(world.context(), world.tvMessages, DialogOpenMode::ModalUnowned,
                                    nullptr),
                 owned);
        QCOMPARE(owned->txtTitle()->text(), QStringLiteral("kept"));
        QVERIFY(owned->close());
        DeleteClosedWindows();

        frmSubscribe* unowned = frmSubscribe::Open(world.context(), world.tvMessages,
                                                   DialogOpenMode::ModalUnowned, &owner);
        QCOMPARE(unowned->parentWidget(), nullptr);
        QCOMPARE(unowned->windowModality(), Qt::ApplicationModal);
        QVERIFY(unowned->close());
        DeleteClosedWindows();

        frmSubscribe* dropped = frmSubscribe::OpenWithLink(world.context(), world.tvMessages,
                                                           "http://www.vellorin.net/feeds/one");
        QCOMPARE(dropped->parentWidget(), nullptr);
        QCOMPARE(dropped->windowModality(), Qt::NonModal);
        QVERIFY(dropped->isVisible());
        QCOMPARE(dropped->txtLink()->text(), QStringLiteral("http://www.vellorin.net/feeds/one"));
        QVERIFY(dropped->txtTitle()->text().isEmpty());
        QTest::keyClicks(dropped->txtTitle(), "One");
        QCOMPARE(frmSubscribe::OpenWithLink(world.context(), world.tvMessages,
                                            "http://www.vellorin.net/feeds/two"),
                 dropped);
        QCOMPARE(dropped->txtTitle()->text(), QStringLiteral("One"));
        QCOMPARE(dropped->txtLink()->text(), QStringLiteral("http://www.vellorin.net/feeds/two"));
        QTest::mouseClick(dropped->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(world.captions(), Strings{"Done!"});
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "One", "Zulu News"}));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSubscribe)

#include "frm_subscribe_test.moc"
