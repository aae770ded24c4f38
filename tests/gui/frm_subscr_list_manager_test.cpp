#include <string>
#include <vector>

#include "gui/subscription_world.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "view/ui/tree_model.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {
namespace {

// Opens the manager as the main menu does (modal, no owner) and waits until it is active.
frmSubscrListManager* OpenActive(SubscriptionWorld& world) {
    frmSubscrListManager* window = frmSubscrListManager::Open(
        world.context(), world.tvMessages, DialogOpenMode::ModalUnowned, nullptr);
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

// The root, then "text|link" of each source.
QStringList SourceRows(const frmSubscrListManager& window) {
    const QAbstractItemModel* model = window.tvSources()->model();
    const QModelIndex root = model->index(0, 0);
    QStringList rows{root.data().toString()};
    for (int i = 0; i < model->rowCount(root); ++i) {
        const QModelIndex source = model->index(i, 0, root);
        rows << source.data().toString() + "|" + source.data(TreeModel::TagRole).toString();
    }
    return rows;
}

// "Add New" with empty fields, or "Save Changes!" with the fields of the source edited.
QString Mode(const frmSubscrListManager& window) {
    return window.btnAdd()->text() + "|" + window.txtTitle()->text() + "|" +
           window.txtLink()->text();
}

}  // namespace

class TestFrmSubscrListManager : public QObject {
    Q_OBJECT

private slots:
    void everyControlWithItsCaptionAndTheSourcesInTheTree() {
        SubscriptionWorld world;
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Subscription List Manager"));
        QStringList captions;
        for (const char* name : {"lblTitle", "lblSourceLink", "lblQuickHelpHeading"})
            captions << window->findChild<QLabel*>(name)->text();
        for (const char* name : {"btnAdd", "btnDel", "btnCancel"})
            captions << window->findChild<QPushButton*>(name)->text();
        QCOMPARE(captions, QStringList({"Title:", "Source Link:", "Quick Help:", "Add New",
                                        "Delete", "Clear Fields"}));
        QVERIFY(window->lblQuickHelp()->text().startsWith("Using Subscription List Manager"));
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->buddy(), window->txtTitle());
        QCOMPARE(QApplication::focusWidget(), window->txtTitle());
        QCOMPARE(TabChain(5),
                 (QList<QWidget*>{window->txtLink(), window->btnAdd(), window->btnDel(),
                                  window->btnCancel(), window->tvSources()}));
        // A double-click edits the root too; "Clear Fields" goes back to adding.
        Click(*window, "main", true);
        QCOMPARE(Mode(*window), QStringLiteral("Save Changes!|Sources|"));
        QTest::mouseClick(window->btnCancel(), Qt::LeftButton);
        QCOMPARE(Mode(*window), QStringLiteral("Add New||"));
        QVERIFY(world.seam.boxes.empty());
    }

    // One refusal of each mode (the refusals are the core's): box, focus, selection, nothing
    // stored, mode kept.
    void refusalsShowTheirBoxAndSendTheFocusBack() {
        for (const bool edit : {false, true}) {
            SubscriptionWorld world;
            const QByteArray before = world.list();
            frmSubscrListManager* window = OpenActive(world);
            QVERIFY(window);
            if (edit)
                Click(*window, world.zulu, true);
            window->txtTitle()->setText("New");
            window->txtLink()->setText(edit ? kLinkAlpha : "http://example.com/x");
            QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
            QCOMPARE(world.captions(), Strings{edit ? "Already Subscribed!" : "Invalid Link!"});
            QCOMPARE(QApplication::focusWidget(), window->txtLink());
            QVERIFY(window->txtLink()->hasSelectedText());
            QCOMPARE(window->editState().editMode, edit);
            QCOMPARE(world.list(), before);
        }
    }

    // Enter adds and shows the source in the manager at once, in the main tree on closing;
    // Delete asks nothing without a selection and keeps the folder on No (the rename and the
    // unsubscription that go through are the whole-program test's).
    void addingAndRefusedDeletion() {
        SubscriptionWorld world;
        QPointer<frmSubscrListManager> window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "Mike ");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/mike");
        QTest::keyClick(window->txtLink(), Qt::Key_Return);
        QCOMPARE(SourceRows(*window).last(),
                 QStringLiteral("Mike |http://www.vellorin.net/feeds/mike"));
        QCOMPARE(Mode(*window), QStringLiteral("Add New||"));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));
        QTest::keyClick(window->tvSources(), Qt::Key_Escape);
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Mike ", "Zulu News"}));
        DeleteClosedWindows();
        QVERIFY(window.isNull());
        window = OpenActive(world);
        world.seam.answers = {MsgAnswer::No};
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);  // nothing selected: no question
        Click(*window, world.alpha);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.captions(), (Strings{"Done!", "Unsubscribe alpha notes??"}));
        QVERIFY(QDir(world.folder.dataFile(QString::fromStdString(world.alpha))).exists());
    }

    // Modal without owner from the main menu, modeless and owned from the popup; one window.
    void openModesShareTheOneWindow() {
        SubscriptionWorld world;
        QWidget owner;
        owner.show();
        frmSubscrListManager* unowned = OpenActive(world);
        QVERIFY(unowned);
        QCOMPARE(unowned->parentWidget(), nullptr);
        QCOMPARE(unowned->windowModality(), Qt::ApplicationModal);
        QCOMPARE(frmSubscrListManager::Open(world.context(), world.tvMessages,
                                            DialogOpenMode::ModelessOwned, &owner),
                 unowned);
        QVERIFY(unowned->close());
        DeleteClosedWindows();
        frmSubscrListManager* owned = frmSubscrListManager::Open(
            world.context(), world.tvMessages, DialogOpenMode::ModelessOwned, &owner);
        QCOMPARE(owned->parentWidget(), &owner);
        QCOMPARE(owned->windowModality(), Qt::NonModal);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSubscrListManager)

#include "frm_subscr_list_manager_test.moc"
