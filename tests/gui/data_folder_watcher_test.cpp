#include <string>
#include <vector>

#include "gui/frm_main_client.h"
#include "inbox/inbox_store.h"
#include "support/recording_seam.h"
#include "support/run_process.h"
#include "view/ui/frm_options.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {

class TestDataFolderWatcher : public QObject {
    Q_OBJECT

private slots:
    // Another process stores messages, marks one read and deletes one while the client runs:
    // each change shows in the main tree by itself, without a box, and the expanded source and
    // the selected message stay as they were (subscribing, renaming and unsubscribing with
    // vellorinctl are the whole-program test's).
    void changesMadeBesideTheClientShowInItsTree() {
        const std::string link = "http://127.0.0.1:1/www.vellorin.net/feeds/live";
        Client client;
        const auto ctl = [&](std::vector<std::string> args) {
            const AppOptions options = client.options();
            args.insert(args.begin(), {"--app-dir", options.appFolder, "--data-dir",
                                       options.dataFolderOverride, "--yes"});
            return RunProcess(BuiltProgram("vellorinctl"), args,
                              {{"XDG_CONFIG_HOME", client.dataFile("../config").toStdString()},
                               {"XDG_DATA_HOME", client.dataHome.path().toStdString()}})
                .exitCode;
        };
        auto* view = client.window->findChild<TreeView*>("tvMessages");
        TreeControl& tree = static_cast<frmOptions*>(client.window->treeWindow())->tvMessages();
        QAbstractItemModel* model = view->model();
        const auto source = [&] { return model->index(0, 0); };
        const auto bold = [&](int row) {
            return model->data(model->index(row, 0, source()), Qt::FontRole).value<QFont>().bold();
        };
        QCOMPARE(ctl({"subscribe", "Live source", link}), 0);
        QTRY_COMPARE(RowTexts(model), QStringList{"Live source"});
        // The core of a second client stores two messages.
        RecordingSeam seam;
        AppContext other(client.options(), seam, client.clock);
        other.inbox.CurrentSourceID = tree.topLevelNode(0)->key();
        other.inbox.LoadLatestStamp();
        const InboxItem items[] = {
            {"First", "<p>1</p>", "Mon, 05 Dec 2026", "08:00:00", "+0000", "g1", 0},
            {"Second", "<p>2</p>", "Tue, 06 Dec 2026", "08:00:00", "+0000", "g2", 0}};
        QCOMPARE(other.inbox.SaveItems(items).stored, 2);
        QTRY_COMPARE(RowTexts(model, source()), QStringList({"Second", "First"}));
        view->expand(source());
        view->setCurrentIndex(model->index(1, 0, source()));
        QCOMPARE(ctl({"read", link, "g1"}), 0);
        QTRY_VERIFY(!bold(1));
        // The client's own write after it, through copies it read before, keeps that change.
        client.context->inbox.CurrentSourceID = other.inbox.CurrentSourceID;
        client.context->inbox.CurrentItem.Guid = "g2";
        QVERIFY(client.context->inbox.InboxItemAction(mInbox::MarkRead));
        QCOMPARE(AppFolders::read(QString::fromStdString(client.context->inbox.InboxPath()))
                     .count("read=1"),
                 2);
        QTRY_VERIFY(!bold(0));
        QVERIFY(view->isExpanded(source()));
        QCOMPARE(tree.selectedNode()->tag(), std::string("g1"));
        QCOMPARE(ctl({"delete", link, "g2"}), 0);
        QTRY_COMPARE(RowTexts(model, source()), QStringList{"First"});
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("First"));
        QVERIFY(client.boxes.empty() && seam.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(DataFolderWatcher)

#include "data_folder_watcher_test.moc"
