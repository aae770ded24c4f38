#include <string>
#include <vector>

#include "gui/app_folders.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {
namespace {

constexpr const char* kLinkAlpha = "http://www.vellorin.net/feeds/alpha";

// "Zulu News" (first in the file) and "alpha notes" (with a message) in the main tree shown by
// a view; a subscription window still open goes with the world.
struct SubscriptionWorld : MessageFolder {
    SubscriptionWorld() {
        zulu = Subscribe(*context, "Zulu News", "http://www.vellorin.net/feeds/zulu");
        alpha = Subscribe(*context, "alpha notes", kLinkAlpha);
        Store(*context, alpha, "a1", "Monday report", "Mon, 05 Dec 2026", "08:56:31", false);
        context->subscriptions.LoadSubscriptions(tvMessages);
        seam.clear();
    }
    ~SubscriptionWorld() {
        delete frmSubscribe::Instance();
        delete frmSubscrListManager::Instance();
    }
    QByteArray list() const { return read(dataFile("subscriptions.dat")); }
    QStringList mainRows() const { return RowTexts(view.model()); }

    TreeControl tvMessages{"tvMessages"};
    TreeView view{tvMessages, ImageList()};
    std::string zulu, alpha;
};

// Opens the window as the main menu does and waits until it is active.
template <class Window>
Window* OpenActive(SubscriptionWorld& world) {
    Window* window =
        Window::Open(*world.context, world.tvMessages, DialogOpenMode::ModalUnowned, nullptr);
    return QTest::qWaitForWindowActive(window) ? window : nullptr;
}

void Click(const frmSubscrListManager& window, const std::string& key, bool twice = false) {
    TreeView* view = window.tvSources();
    const QPoint at =
        view->visualRect(view->treeModel().indexOf(view->tree().findNode(key))).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// "Add New" with empty fields, or "Save Changes!" with the fields of the source edited.
QString Mode(const frmSubscrListManager& window) {
    return window.btnAdd()->text() + "|" + window.txtTitle()->text() + "|" +
           window.txtLink()->text();
}

}  // namespace

// The subscribe dialog and the subscription list manager (how the main window opens them is
// the main window's test; subscribing, renaming and unsubscribing the whole-program test's).
class TestSubscriptionWindows : public QObject {
    Q_OBJECT

private slots:
    // A refusal (the refusals are the core's) sends the focus back with the link selected and
    // stores nothing; Escape closes without storing; opening again before the deferred deletion
    // ran gives a fresh window.
    void subscribeRefusalsAndClosing() {
        SubscriptionWorld world;
        const QByteArray before = world.list();
        QPointer<frmSubscribe> window = OpenActive<frmSubscribe>(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "New");
        QTest::keyClicks(window->txtLink(), "http://example.com/feed");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(world.seam.captions(), Strings{"Invalid Vellorin Source Link."});
        QCOMPARE(QApplication::focusWidget(), window->txtLink());
        QCOMPARE(window->txtLink()->selectedText(), QStringLiteral("http://example.com/feed"));
        QTest::keyClick(window->txtLink(), Qt::Key_Escape);
        QVERIFY(window->isHidden());
        QCOMPARE(world.list(), before);
        frmSubscribe* again = OpenActive<frmSubscribe>(world);
        QVERIFY(again && again != window.data() && again->txtTitle()->text().isEmpty());
    }

    // Enter subscribes with the fields as typed; the main tree shows the source once "Done!" was
    // answered, and the window closes. A second drop replaces the link and keeps the title.
    void subscribingShowsTheSourceInTheMainTree() {
        SubscriptionWorld world;
        QStringList rowsDuringDone;
        world.seam.duringBox = [&] { rowsDuringDone = world.mainRows(); };
        QPointer<frmSubscribe> window = OpenActive<frmSubscribe>(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), " mike ");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/MIKE/ ");
        QTest::keyClick(window->txtLink(), Qt::Key_Return);
        QCOMPARE(world.seam.captions(), Strings{"Done!"});
        QCOMPARE(rowsDuringDone, QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(world.mainRows(), QStringList({" mike ", "alpha notes", "Zulu News"}));
        DeleteClosedWindows();
        QVERIFY(window.isNull());
        frmSubscribe* dropped = frmSubscribe::OpenWithLink(*world.context, world.tvMessages,
                                                           "http://www.vellorin.net/feeds/one");
        QTest::keyClicks(dropped->txtTitle(), "One");
        QCOMPARE(frmSubscribe::OpenWithLink(*world.context, world.tvMessages,
                                            "http://www.vellorin.net/feeds/two"),
                 dropped);
        QCOMPARE(dropped->txtTitle()->text() + "|" + dropped->txtLink()->text(),
                 QStringLiteral("One|http://www.vellorin.net/feeds/two"));
    }

    // One refusal of each mode: box, focus, selection, nothing stored, mode kept.
    void managerRefusalsShowTheirBoxAndSendTheFocusBack() {
        for (const bool edit : {false, true}) {
            SubscriptionWorld world;
            const QByteArray before = world.list();
            frmSubscrListManager* window = OpenActive<frmSubscrListManager>(world);
            QVERIFY(window);
            if (edit)
                Click(*window, world.zulu, true);
            window->txtTitle()->setText("New");
            window->txtLink()->setText(edit ? kLinkAlpha : "http://example.com/x");
            QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
            QCOMPARE(world.seam.captions(),
                     Strings{edit ? "Already Subscribed!" : "Invalid Link!"});
            QCOMPARE(QApplication::focusWidget(), window->txtLink());
            QVERIFY(window->txtLink()->hasSelectedText());
            QCOMPARE(window->editState().editMode, edit);
            QCOMPARE(world.list(), before);
        }
    }

    // Enter adds and shows the source in the manager at once, in the main tree on closing; Delete
    // asks nothing without a selection and keeps the folder on No; a double-click edits the root
    // too, and "Clear Fields" goes back to adding.
    void managerAddingAndRefusedDeletion() {
        SubscriptionWorld world;
        QPointer<frmSubscrListManager> window = OpenActive<frmSubscrListManager>(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "Mike ");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/mike");
        QTest::keyClick(window->txtLink(), Qt::Key_Return);
        const QAbstractItemModel* model = window->tvSources()->model();
        const QModelIndex added = model->index(2, 0, model->index(0, 0));
        QCOMPARE(added.data().toString() + "|" + added.data(TreeModel::TagRole).toString(),
                 QStringLiteral("Mike |http://www.vellorin.net/feeds/mike"));
        QCOMPARE(Mode(*window), QStringLiteral("Add New||"));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));
        QTest::keyClick(window->tvSources(), Qt::Key_Escape);
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Mike ", "Zulu News"}));
        DeleteClosedWindows();
        QVERIFY(window.isNull());
        window = OpenActive<frmSubscrListManager>(world);
        world.seam.answers = {MsgAnswer::No};
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);  // nothing selected: no question
        Click(*window, world.alpha);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.seam.captions(), (Strings{"Done!", "Unsubscribe alpha notes??"}));
        QVERIFY(QDir(world.dataFile(QString::fromStdString(world.alpha))).exists());
        Click(*window, "main", true);
        QCOMPARE(Mode(*window), QStringLiteral("Save Changes!|Sources|"));
        QTest::mouseClick(window->btnCancel(), Qt::LeftButton);
        QCOMPARE(Mode(*window), QStringLiteral("Add New||"));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(SubscriptionWindows)

#include "subscription_windows_test.moc"
