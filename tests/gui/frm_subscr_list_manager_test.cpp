#include <string>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/subscription_world.h"
#include "subscriptions/ui/dialog_open_mode.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {

namespace {

const char* const kQuickHelp =
    "Using Subscription List Manager, you can manage your Subscription Lists with ease! Simply "
    "specify the details in the fields and press \"Add New\" button to subscribe a New Source. "
    "Want to Edit details of existing Source? Just double click the source title in List, make "
    "changes and Save! To Delete a source, select it in List and hit \"Delete button.";

// Opens the manager as the main menu does (modal, no owner) and waits until it is active.
frmSubscrListManager* OpenActive(SubscriptionWorld& world) {
    frmSubscrListManager* window = frmSubscrListManager::Open(
        world.context(), world.tvMessages, DialogOpenMode::ModalUnowned, nullptr);
    if (!QTest::qWaitForWindowActive(window))
        return nullptr;
    return window;
}

QPoint At(const frmSubscrListManager& window, const std::string& key) {
    TreeView* view = window.tvSources();
    const QModelIndex index = view->treeModel().indexOf(view->tree().findNode(key));
    return view->visualRect(index).center();
}
void Click(const frmSubscrListManager& window, const std::string& key) {
    QTest::mouseClick(window.tvSources()->viewport(), Qt::LeftButton, {}, At(window, key));
}
void DoubleClick(const frmSubscrListManager& window, const std::string& key) {
    Click(window, key);
    QTest::mouseDClick(window.tvSources()->viewport(), Qt::LeftButton, {}, At(window, key));
}

// The manager's tree as its view shows it: the root, then "text|link" of each source.
QStringList SourceRows(const frmSubscrListManager& window) {
    const QAbstractItemModel* model = window.tvSources()->model();
    QStringList rows;
    if (model->rowCount() != 1)
        return rows;
    const QModelIndex root = model->index(0, 0);
    rows << root.data().toString();
    for (int i = 0; i < model->rowCount(root); ++i) {
        const QModelIndex source = model->index(i, 0, root);
        rows << source.data().toString() + "|" + source.data(TreeModel::TagRole).toString();
    }
    return rows;
}

bool InEditMode(const frmSubscrListManager& window) {
    return window.editState().editMode && window.btnAdd()->text() == "Save Changes!";
}
bool InAddMode(const frmSubscrListManager& window) {
    return !window.editState().editMode && window.btnAdd()->text() == "Add New" &&
           window.txtTitle()->text().isEmpty() && window.txtLink()->text().isEmpty();
}

}  // namespace

class TestFrmSubscrListManager : public QObject {
    Q_OBJECT

private slots:
    void everyControlWithItsCaptionAndTheSourcesInTheTree() {
        SubscriptionWorld world;
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        QCOMPARE(window->objectName(), QStringLiteral("frmSubscrListManager"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Subscription List Manager"));
        QCOMPARE(window->findChild<TreeView*>("tvSources"), window->tvSources());
        // The message tree's own model class shows the manager's tree control.
        QVERIFY(qobject_cast<TreeModel*>(window->tvSources()->model()));
        QCOMPARE(&window->tvSources()->tree(), &window->sources());
        QCOMPARE(window->findChild<QLineEdit*>("txtTitle"), window->txtTitle());
        QCOMPARE(window->findChild<QLineEdit*>("txtLink"), window->txtLink());
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Title:"));
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->buddy(), window->txtTitle());
        QCOMPARE(window->findChild<QLabel*>("lblSourceLink")->text(),
                 QStringLiteral("Source Link:"));
        QCOMPARE(window->findChild<QLabel*>("lblSourceLink")->buddy(), window->txtLink());
        QCOMPARE(window->findChild<QPushButton*>("btnAdd")->text(), QStringLiteral("Add New"));
        QCOMPARE(window->findChild<QPushButton*>("btnDel")->text(), QStringLiteral("Delete"));
        QCOMPARE(window->findChild<QPushButton*>("btnCancel")->text(),
                 QStringLiteral("Clear Fields"));
        QCOMPARE(window->findChild<QLabel*>("lblQuickHelp")->text(), QString(kQuickHelp));
        QCOMPARE(window->findChild<QLabel*>("lblQuickHelpHeading")->text(),
                 QStringLiteral("Quick Help:"));
        QCOMPARE(window->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(window->font().pointSizeF(), 8.25);
        // The tree on the left, the fields on the right, the help below them.
        QVERIFY(window->tvSources()->x() < window->txtTitle()->x());
        QVERIFY(window->txtTitle()->y() < window->txtLink()->y());
        QVERIFY(window->btnAdd()->y() < window->lblQuickHelp()->y());
        const QSize client = TwipsToPixels(window, 7320, 4815);
        QVERIFY(window->width() >= client.width() && window->height() >= client.height());
        const QPoint centre = window->screen()->availableGeometry().center();
        QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 2);

        // The root "Sources", expanded, with the sources in file order and their pictures.
        QCOMPARE(SourceRows(*window), QStringList({"Sources", QString("Zulu News|") + kLinkZulu,
                                                   QString("alpha notes|") + kLinkAlpha}));
        const TreeNode* root = window->sources().findNode("main");
        QVERIFY(root && root->expanded() && root->image() == 1);
        QCOMPARE(root->child(0)->image(), 4);
        QVERIFY(InAddMode(*window));

        // The title field first.
        QCOMPARE(QApplication::focusWidget(), window->txtTitle());
        QCOMPARE(TabChain(5),
                 (QList<QWidget*>{window->txtLink(), window->btnAdd(), window->btnDel(),
                                  window->btnCancel(), window->tvSources()}));
    }

    void doubleClickEditsAndClearFieldsGoesBackToAddMode() {
        SubscriptionWorld world;
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        DoubleClick(*window, world.alpha);
        QVERIFY(InEditMode(*window));
        QCOMPARE(window->txtTitle()->text(), QStringLiteral("alpha notes"));
        QCOMPARE(window->txtLink()->text(), QString(kLinkAlpha));
        QCOMPARE(window->editState().id, world.alpha);
        QCOMPARE(window->editState().title, std::string("alpha notes"));
        QCOMPARE(window->editState().link, std::string(kLinkAlpha));

        // The root is not excluded.
        DoubleClick(*window, "main");
        QVERIFY(InEditMode(*window));
        QCOMPARE(window->txtTitle()->text(), QStringLiteral("Sources"));
        QVERIFY(window->txtLink()->text().isEmpty());
        QCOMPARE(window->editState().id, std::string("main"));

        QTest::mouseClick(window->btnCancel(), Qt::LeftButton);
        QVERIFY(InAddMode(*window));
        QVERIFY(window->editState().id.empty() && window->editState().title.empty());
        QVERIFY(world.seam.boxes.empty());
    }

    // The input refusals of both modes (their boxes' texts are the core's): box, focus,
    // selection, nothing stored, mode kept.
    void refusalsShowTheirBoxAndSendTheFocusBack_data() {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("selected");
        for (bool edit : {false, true}) {
            const char* mode = edit ? "edit: " : "add: ";
            QTest::addRow("%sblank title", mode) << edit << " "
                                                 << "http://www.vellorin.net/feeds/new"
                                                 << "Title?"
                                                 << "txtTitle" << false;
            QTest::addRow("%sblank link", mode) << edit << "New"
                                                << "   "
                                                << "Message Source Link?"
                                                << "txtLink" << false;
            QTest::addRow("%sinvalid link", mode) << edit << "New"
                                                  << "http://example.com/x"
                                                  << "Invalid Link!"
                                                  << "txtLink" << true;
        }
        QTest::newRow("add: already subscribed")
            << false << "Again" << kLinkAlpha << "Already Subscribed!"
            << "btnAdd" << false;
        // Two sources with one link would be renamed and unsubscribed together.
        QTest::newRow("edit: another source's link")
            << true << "Zulu News" << kLinkAlpha << "Already Subscribed!"
            << "txtLink" << true;
    }
    void refusalsShowTheirBoxAndSendTheFocusBack() {
        QFETCH(bool, edit);
        QFETCH(QString, title);
        QFETCH(QString, link);
        QFETCH(QString, caption);
        QFETCH(QString, focus);
        QFETCH(bool, selected);
        SubscriptionWorld world;
        const QByteArray before = world.list();
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        if (edit)
            DoubleClick(*window, world.zulu);
        window->txtTitle()->setText(title);
        window->txtLink()->setText(link);
        QTest::mouseClick(window->btnAdd(), Qt::LeftButton);

        QCOMPARE(world.captions(), Strings{caption.toStdString()});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(window->txtLink()->hasSelectedText(), selected);
        QCOMPARE(window->txtTitle()->text(), title);
        QCOMPARE(window->txtLink()->text(), link);
        QCOMPARE(InEditMode(*window), edit);
        QCOMPARE(world.list(), before);
    }

    // "Add New": stored as typed, "Done!", fields cleared, the manager's tree reloaded at once,
    // the main tree only when the manager closes.
    void addingShowsInTheManagerAtOnceAndInTheMainTreeOnClosing() {
        SubscriptionWorld world;
        QPointer<frmSubscrListManager> window = OpenActive(world);
        QVERIFY(window);
        QTest::keyClicks(window->txtTitle(), "Mike ");
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/mike");
        QTest::keyClick(window->txtLink(), Qt::Key_Return);
        QCOMPARE(world.captions(), Strings{"Done!"});
        QCOMPARE(world.seam.boxes[0].text,
                 std::string("New Message Source is succcessfully Subscribed!"));
        QCOMPARE(world.seam.boxes[0].icon, MsgIcon::Information);
        QVERIFY(InAddMode(*window));
        QCOMPARE(SourceRows(*window).last(),
                 QStringLiteral("Mike |http://www.vellorin.net/feeds/mike"));
        QVERIFY(world.list().contains("title=\"Mike \">http://www.vellorin.net/feeds/mike<"));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));

        QVERIFY(window->close());
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Mike ", "Zulu News"}));
        DeleteClosedWindows();
        QVERIFY(window.isNull());
    }

    // Renaming keeps the identifier, the link and the stored messages; so does relinking. The
    // main tree follows when the manager closes (Escape).
    void renamingAndRelinkingKeepTheInbox() {
        SubscriptionWorld world;
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        DoubleClick(*window, world.alpha);
        window->txtTitle()->setText("Alpha Notes");
        QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
        QCOMPARE(world.captions(), Strings{"Done!"});
        QCOMPARE(world.seam.boxes[0].text,
                 std::string("Message Source Details are successfully Saved!"));
        QVERIFY(InAddMode(*window));
        const std::string stored = world.list().toStdString();
        QVERIFY(stored.find("id=\"" + world.alpha + "\" title=\"Alpha Notes\">" + kLinkAlpha +
                            "<") != std::string::npos);
        QVERIFY(QFile::exists(
            world.folder.dataFile(QString::fromStdString(world.alpha) + "/inbox.dat")));

        DoubleClick(*window, world.zulu);
        window->txtLink()->setText("http://www.vellorin.net/feeds/zulu2");
        QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
        QCOMPARE(world.captions(), (Strings{"Done!", "Done!"}));
        QCOMPARE(SourceRows(*window),
                 QStringList({"Sources", "Zulu News|http://www.vellorin.net/feeds/zulu2",
                              QString("Alpha Notes|") + kLinkAlpha}));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));

        QTest::keyClick(window->tvSources(), Qt::Key_Escape);
        QCOMPARE(world.mainRows(), QStringList({"Alpha Notes", "Zulu News"}));
        // The renamed source still has its message.
        QCOMPARE(world.view.model()->rowCount(world.view.model()->index(0, 0)), 1);
    }

    // Saving the root with a link finds no source: nothing is shown or stored, edit mode stays.
    // Saving a source that was unsubscribed while it was being edited stores nothing either, and
    // a box says why.
    void savingWhatNoSourceHasDoesNothing() {
        SubscriptionWorld world;
        const QByteArray before = world.list();
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        DoubleClick(*window, "main");
        window->txtLink()->setText("http://www.vellorin.net/feeds/root");
        QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
        QVERIFY(world.seam.boxes.empty());
        QVERIFY(InEditMode(*window));
        QCOMPARE(world.list(), before);

        // The double-click on the root folded it, as a tree does.
        window->tvSources()->expandAll();
        DoubleClick(*window, world.zulu);
        world.seam.answers.push_back(MsgAnswer::Yes);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(window->txtTitle()->text(), QStringLiteral("Zulu News"));
        window->txtTitle()->setText("Zulu renamed");
        QTest::mouseClick(window->btnAdd(), Qt::LeftButton);
        QCOMPARE(world.captions(), (Strings{"Unsubscribe Zulu News??", "Source Not Subscribed!"}));
        QCOMPARE(world.seam.boxes[1].text,
                 std::string("\"Zulu News\" is no longer subscribed: it was removed while you "
                             "were editing it. Nothing was saved."));
        QVERIFY(InEditMode(*window));
        QVERIFY(!world.list().contains("Zulu"));
    }

    // "Delete" with nothing selected or on the root asks nothing. On a source the question comes
    // first (its texts are the core's); No changes nothing; Yes removes the source and its inbox
    // folder, reloads the manager's tree at once and the main tree when the manager closes.
    void unsubscribingRemovesTheSourceAndItsFolder() {
        SubscriptionWorld world;
        const QByteArray before = world.list();
        const QString inbox = world.folder.dataFile(QString::fromStdString(world.alpha));
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        QCOMPARE(window->sources().selectedNode(), nullptr);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        Click(*window, "main");
        QCOMPARE(window->sources().selectedNode(), window->sources().findNode("main"));
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QVERIFY(world.seam.boxes.empty());

        Click(*window, world.alpha);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.captions(), Strings{"Unsubscribe alpha notes??"});
        QCOMPARE(world.list(), before);
        QVERIFY(QDir(inbox).exists());

        world.seam.answers.push_back(MsgAnswer::Yes);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.seam.boxes.size(), std::size_t{2});
        QVERIFY(!QDir(inbox).exists());
        QVERIFY(!world.list().contains("alpha"));
        QCOMPARE(SourceRows(*window), QStringList({"Sources", QString("Zulu News|") + kLinkZulu}));
        QCOMPARE(world.mainRows(), QStringList({"alpha notes", "Zulu News"}));

        QVERIFY(window->close());
        QCOMPARE(world.mainRows(), QStringList({"Zulu News"}));
    }

    // The folder goes only as the core allows: a list that cannot be read removes nothing and
    // deletes no folder (its box once for the removal, once for the reload), and an identifier
    // that names no folder inside the data folder deletes nothing.
    void unsubscribingDeletesOnlyTheSourcesOwnFolder() {
        SubscriptionWorld world;
        const QString inbox = world.folder.dataFile(QString::fromStdString(world.alpha));
        frmSubscrListManager* window = OpenActive(world);
        QVERIFY(window);
        Click(*window, world.alpha);
        const QString listPath = world.folder.dataFile("subscriptions.dat");
        const QByteArray list = world.list();
        QVERIFY(QFile::remove(listPath));
        world.seam.answers.push_back(MsgAnswer::Yes);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.captions(),
                 (Strings{"Unsubscribe alpha notes??", "Subscription Data File not found!",
                          "Subscription Data File not found!"}));
        QVERIFY(QDir(inbox).exists());

        // A source whose identifier climbs out of the data folder.
        QByteArray climbing = list;
        climbing.replace(QByteArray::fromStdString(world.alpha), "..");
        MessageFolder::write(listPath, climbing);
        window->close();
        DeleteClosedWindows();
        window = OpenActive(world);
        QVERIFY(window);
        world.seam.clear();
        Click(*window, "..");
        world.seam.answers.push_back(MsgAnswer::Yes);
        QTest::mouseClick(window->btnDel(), Qt::LeftButton);
        QCOMPARE(world.captions(), Strings{"Unsubscribe alpha notes??"});
        QVERIFY(!world.list().contains("alpha"));
        QVERIFY(QDir(world.folder.dataFile(QString())).exists());
        QVERIFY(QDir(inbox).exists());
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
        QCOMPARE(QApplication::activeModalWidget(), unowned);
        DoubleClick(*unowned, world.zulu);
        QCOMPARE(frmSubscrListManager::Open(world.context(), world.tvMessages,
                                            DialogOpenMode::ModelessOwned, &owner),
                 unowned);
        QVERIFY(InEditMode(*unowned));
        QVERIFY(unowned->close());
        DeleteClosedWindows();

        frmSubscrListManager* owned = frmSubscrListManager::Open(
            world.context(), world.tvMessages, DialogOpenMode::ModelessOwned, &owner);
        QCOMPARE(owned->parentWidget(), &owner);
        QCOMPARE(owned->windowModality(), Qt::NonModal);
        QVERIFY(owned->isVisible());
        QVERIFY(InAddMode(*owned));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSubscrListManager)

#include "frm_subscr_list_manager_test.moc"
