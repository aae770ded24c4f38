#include <string>
#include <tuple>

#include "gui/frm_main_client.h"
#include "inbox/inbox_store.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {

// The keyboard's reading commands in the shown main window (searching and the menus' commands
// are the whole-program test's).
class TestReadingCommands : public QObject {
    Q_OBJECT

private slots:
    // Alpha: a2 (read), a1, a3; Zulu: z1. F8 opens the next unread one across the sources, round
    // to the first, until none is left; Ctrl+Shift+R marks every source read.
    void nextUnreadOpensTheNextOneAcrossSourcesAndWraps() {
        Client r;
        r.write(r.appFile("view.tpl"), "<html><body>SL DESC</body></html>");
        const std::string alpha = Subscribe(*r.context, "alpha notes", "http://127.0.0.1:1/a");
        const std::string zulu = Subscribe(*r.context, "Zulu News", "http://127.0.0.1:1/z");
        for (const auto& [id, guid, date, read] :
             {std::tuple{alpha, "a1", "Mon, 05 Dec 2026", false},
              {alpha, "a2", "Tue, 06 Dec 2026", true},
              {alpha, "a3", "Sun, 04 Dec 2026", false},
              {zulu, "z1", "Mon, 05 Dec 2026", false}})
            QVERIFY(Store(*r.context, id, guid, guid, date, "08:00:00", read));
        auto& options = *qobject_cast<frmOptions*>(r.window->treeWindow());
        TreeControl& tree = options.tvMessages();
        r.context->subscriptions.LoadSubscriptions(tree);
        r.window->show();
        r.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(r.window.get()));
        const auto message = [&](const std::string& guid) {
            for (TreeNode* n : tree.nodes()) {
                if (n->parent() != nullptr && n->tag() == guid)
                    return n;
            }
            return static_cast<TreeNode*>(nullptr);
        };
        QVERIFY(tree.setSelectedNode(message("a1")));
        options.tvMessagesView()->setFocus();
        for (const char* guid : {"a3", "z1", "a1", "a1"}) {
            QTest::keyClick(options.tvMessagesView(), Qt::Key_F8);
            QCOMPARE(tree.selectedNode(), message(guid));
            QCOMPARE(message(guid)->image(), kImageRead);
        }
        QVERIFY(r.window->mdiArea()->subWindowList().size() >= 3);
        QVERIFY(
            Store(*r.context, zulu, "z2", "Late report", "Tue, 06 Dec 2026", "08:00:00", false));
        r.context->inbox.CurrentSourceID = zulu;
        r.context->inbox.LoadInbox(tree);
        QCOMPARE(message("z2")->image(), kImageUnread);
        options.tvMessagesView()->setFocus();
        QTest::keyClick(options.tvMessagesView(), Qt::Key_R,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(message("z2")->image(), kImageRead);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(ReadingCommands)

#include "reading_commands_test.moc"
