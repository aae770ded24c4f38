#include <string>
#include <vector>

#include "gui/subscription_world.h"
#include "subscriptions/ui/dialog_open_mode.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {
namespace {

// Opens the window as the main menu does (modal, owned by `owner`) and waits until it is active.
frmSubscribe* OpenActive(SubscriptionWorld& world, QWidget* owner = nullptr) {
    frmSubscribe* window =
        frmSubscribe::Open(world.context(), world.tvMessages, DialogOpenMode::ModalOwned, owner);
    return QTest::qWaitForWindowActive(window) ? window : nullptr;
}

}  // namespace

class TestFrmSubscribe : public QObject {
    Q_OBJECT

private slots:
    // Captions and tab order; a refusal (the refusals are the core's) sends the focus back with
    // the link selected and stores nothing; Escape closes without storing.
    void captionsRefusalsAndClosing() {
        SubscriptionWorld world;
        const QByteArray before = world.list();
        QPointer<frmSubscribe> window = OpenActive(world);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Subscribe to New Message Source"));
        QCOMPARE(window->btnSubscribe()->text() + "|" + window->btnCancel()->text() + "|" +
                     window->findChild<QLabel*>("lblTitle")->text() + "|" +
                     window->findChild<QLabel*>("lblSourceLink")->text(),
                 QStringLiteral("   Subscribe Now!|No Thanks!|Title:|Source Link:"));
        QCOMPARE(window->findChild<QLabel*>("lblSourceLink")->buddy(), window->txtLink());
        QCOMPARE(QApplication::focusWidget(), window->txtTitle());
        QCOMPARE(TabChain(4), (QList<QWidget*>{window->txtLink(), window->btnSubscribe(),
                                               window->btnCancel(), window->txtTitle()}));
        QTest::keyClicks(window->txtTitle(), "New");
        QTest::keyClicks(window->txtLink(), "http://example.com/feed");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(world.captions(), Strings{"Invalid Vellorin Source Link."});
        QCOMPARE(QApplication::focusWidget(), window->txtLink());
        QCOMPARE(window->txtLink()->selectedText(), QStringLiteral("http://example.com/feed"));
        QVERIFY(window->isVisible());
        QTest::keyClick(window->txtLink(), Qt::Key_Escape);
        QVERIFY(window->isHidden());
        QCOMPARE(world.list(), before);
        // Opening again before the deferred deletion ran gives a fresh window.
        frmSubscribe* again = OpenActive(world);
        QVERIFY(again && again != window.data() && again->txtTitle()->text().isEmpty());
    }

    // Enter subscribes with the fields as typed; the main tree shows the source once "Done!" was
    // answered, and the window closes.
    void subscribingShowsTheSourceInTheMainTree() {
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
        DeleteClosedWindows();
        QVERIFY(window.isNull());
    }

    // One window at a time: modal and owned, modal without owner, modeless from the drop box
    // with the link put in; a second drop replaces the link and keeps the title.
    void openModesShareTheOneWindow() {
        SubscriptionWorld world;
        QWidget owner;
        owner.show();
        frmSubscribe* owned = OpenActive(world, &owner);
        QVERIFY(owned);
        QCOMPARE(owned->parentWidget(), &owner);
        QCOMPARE(owned->windowModality(), Qt::ApplicationModal);
        QCOMPARE(frmSubscribe::Open(world.context(), world.tvMessages, DialogOpenMode::ModalUnowned,
                                    nullptr),
                 owned);
        QVERIFY(owned->close());
        DeleteClosedWindows();
        frmSubscribe* unowned = frmSubscribe::Open(world.context(), world.tvMessages,
                                                   DialogOpenMode::ModalUnowned, &owner);
        QCOMPARE(unowned->parentWidget(), nullptr);
        QVERIFY(unowned->close());
        DeleteClosedWindows();
        frmSubscribe* dropped = frmSubscribe::OpenWithLink(world.context(), world.tvMessages,
                                                           "http://www.vellorin.net/feeds/one");
        QCOMPARE(dropped->windowModality(), Qt::NonModal);
        QTest::keyClicks(dropped->txtTitle(), "One");
        QCOMPARE(frmSubscribe::OpenWithLink(world.context(), world.tvMessages,
                                            "http://www.vellorin.net/feeds/two"),
                 dropped);
        QCOMPARE(dropped->txtTitle()->text() + "|" + dropped->txtLink()->text(),
                 QStringLiteral("One|http://www.vellorin.net/feeds/two"));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSubscribe)

#include "frm_subscribe_test.moc"
