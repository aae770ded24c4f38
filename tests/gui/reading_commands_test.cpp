#include <string>

#include "gui/frm_main_client.h"
#include "gui/widget_helpers.h"
#include "inbox/inbox_store.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"
#include "view/ui/message_search_bar.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {
namespace {

// The client, shown and active, over "alpha notes" with a1 "Monday report" (unread, from Jane
// Roe), a2 "Tuesday report" (read), a3 "Sunday note" (unread), and "Zulu News" with z1 "Zulu
// café report" (unread).
struct Reader : Client {
    Reader() {
        write(appFile("view.tpl"), "<html><body>SL DESC</body></html>");
        alpha = subscribe("alpha notes", "http://127.0.0.1:1/alpha");
        zulu = subscribe("Zulu News", "http://127.0.0.1:1/zulu");
        save(alpha, "a1", "Monday report", "Mon, 05 Dec 2026", false,
             "<!-- header start:\nfrom: &quot;Jane Roe&quot; &lt;jane@example.com&gt;<br />\n"
             "header end --> <p>Hello</p>");
        save(alpha, "a2", "Tuesday report", "Tue, 06 Dec 2026", true);
        save(alpha, "a3", "Sunday note", "Sun, 04 Dec 2026", false);
        save(zulu, "z1", "Zulu caf\xC3\xA9 report", "Mon, 05 Dec 2026", false);
        context->subscriptions.LoadSubscriptions(tree());
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    std::string subscribe(const std::string& title, const std::string& link) {
        return Subscribe(*context, title, link);
    }
    void save(const std::string& id, const std::string& guid, const std::string& title,
              const std::string& date, bool read, const std::string& text = "<p>Hi</p>") {
        QVERIFY(Store(*context, id, guid, title, date, "08:00:00", read, text));
    }

    frmOptions& options() const { return *qobject_cast<frmOptions*>(window->treeWindow()); }
    TreeControl& tree() const { return options().tvMessages(); }
    TreeView& view() const { return *options().tvMessagesView(); }
    TreeNode* message(const std::string& guid) const {
        for (TreeNode* n : tree().nodes()) {
            if (n->parent() != nullptr && n->tag() == guid)
                return n;
        }
        return nullptr;
    }
    bool expanded(const std::string& key) const {
        return view().isExpanded(view().treeModel().indexOf(tree().findNode(key)));
    }
    // The rows not hidden: "source:" before its messages, "*" after an unread one.
    QStringList shown() const {
        QStringList out;
        const TreeModel& model = view().treeModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex source = model.index(row, 0);
            if (view().isRowHidden(row, {}))
                continue;
            out << source.data().toString() + ":";
            for (int i = 0; i < model.rowCount(source); ++i) {
                const QModelIndex m = model.index(i, 0, source);
                if (!view().isRowHidden(i, source))
                    out << m.data().toString() +
                               (m.data(TreeModel::ImageRole).toInt() == kImageUnread ? "*" : "");
            }
        }
        return out;
    }
    QString searchPanel() const {
        return window->SearchPanel()->isVisible() ? window->SearchPanel()->text() : QString();
    }

    std::string alpha, zulu;
};

}  // namespace

class TestReadingCommands : public QObject {
    Q_OBJECT

private slots:
    void searchShowsOnlyMatchesAndClearingBringsTheTreeBack() {
        Reader r;
        QLineEdit* field = r.options().searchBar()->txtSearch();
        r.tree().findNode(r.zulu)->setExpanded(true);
        QVERIFY(r.tree().setSelectedNode(r.message("z1")));
        r.view().setFocus();
        QTest::keyClick(&r.view(), Qt::Key_K, Qt::ControlModifier);
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, "jane MONDAY");
        QCOMPARE(r.shown(), QStringList({"alpha notes:", "Monday report*"}));
        QCOMPARE(r.searchPanel(), QStringLiteral("1 message matches"));
        // A message stored while the search is shown is searched as well.
        field->setText(QStringLiteral("report"));
        r.save(r.zulu, "z2", "Late report", "Tue, 06 Dec 2026", false);
        r.context->inbox.CurrentSourceID = r.zulu;
        r.context->inbox.LoadInbox(r.tree());
        QTRY_COMPARE(r.searchPanel(), QStringLiteral("4 messages match"));
        // Esc clears: every node again, the place as it was before the search.
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(r.searchPanel(), QString());
        QCOMPARE(r.shown().size(), 7);
        QVERIFY(!r.expanded(r.alpha) && r.expanded(r.zulu));
        QCOMPARE(r.tree().selectedNode(), r.message("z1"));
    }

    void nextUnreadOpensTheNextOneAcrossSourcesAndWraps() {
        Reader r;
        QCOMPARE(r.window->menus().mnuMsgSourceNextUnread->text() + "|" +
                     r.window->menus().mnuMsgSourceNextUnread->shortcut().toString(),
                 QStringLiteral("Next &Unread Message|F8"));
        QVERIFY(r.tree().setSelectedNode(r.message("a1")));
        r.view().setFocus();
        // Alpha: a2, a1*, a3*; Zulu: z1*; then round to a1, and none is left.
        for (const char* guid : {"a3", "z1", "a1", "a1"}) {
            QTest::keyClick(&r.view(), Qt::Key_F8);
            QCOMPARE(r.tree().selectedNode(), r.message(guid));
            QCOMPARE(r.message(guid)->image(), kImageRead);
        }
        QVERIFY(r.window->mdiArea()->subWindowList().size() >= 3);
        // Mark All Sources as Read has its shortcut (the menus' commands are the whole program's).
        r.save(r.zulu, "z2", "Late report", "Tue, 06 Dec 2026", false);
        r.context->inbox.CurrentSourceID = r.zulu;
        r.context->inbox.LoadInbox(r.tree());
        QVERIFY(r.shown().join(',').contains('*'));
        r.view().setFocus();
        QTest::keyClick(&r.view(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!r.shown().join(',').contains('*'));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(ReadingCommands)

#include "reading_commands_test.moc"
