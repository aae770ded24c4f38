#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/app_folders.h"
#include "shell/ui/qt_user_seam.h"
#include "support/recording_windows.h"
#include "view/tree_control.h"
#include "view/tree_handlers.h"
#include "view/ui/frm_options.h"
#include "view/ui/popup_source_menu.h"
#include "view/ui/source_node_menu.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {
namespace {

using Strings = std::vector<std::string>;

// "Zulu News" (z1) and "alpha notes" (a1 unread, a2 newer and read, a3 older and unread), the tree
// window over them checked by QAbstractItemModelTester; hooks log calls.
struct Fixture {
    explicit Fixture(UserSeam* boxes = nullptr) : folder(boxes) {
        folder.write(folder.appFile("view.tpl"), "<html><body>SL DESC</body></html>");
        zulu = Subscribe(*folder.context, "Zulu News", "http://127.0.0.1:1/zulu");
        alpha = Subscribe(*folder.context, "alpha notes", "http://127.0.0.1:1/alpha");
        Store(*folder.context, alpha, "a1", "Monday report", "Mon, 05 Dec 2026", "08:56:31", false);
        Store(*folder.context, alpha, "a2", "Tuesday report", "Tue, 06 Dec 2026", "08:00:00", true);
        Store(*folder.context, alpha, "a3", "Sunday note", "Sun, 04 Dec 2026", "08:00:00", false);
        Store(*folder.context, zulu, "z1", "Zulu one", "Mon, 05 Dec 2026", "09:00:00", false);
        TreeHandlerHooks hooks;
        auto log = [this](const char* call) {
            return [this, call] {
                calls.push_back(std::string(call) + (view().isEnabled() ? " on" : " off"));
            };
        };
        hooks.queueSelectedSource = log("queue");
        hooks.processQueue = log("process");
        hooks.shellOpen = [this](const std::string& target) { calls.push_back(target); };
        window = std::make_unique<frmOptions>(*folder.context, windows, hooks);
        window->resize(320, 480);
        window->show();
        tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    TreeView& view() const { return *window->tvMessagesView(); }
    TreeModel& model() const { return view().treeModel(); }
    PopupSourceMenu& menu() const { return *window->mnuPopupSource(); }
    TreeControl& tree() const { return window->tvMessages(); }
    QModelIndex source(int row) const { return model().index(row, 0); }
    QModelIndex message(int sourceRow, int row) const {
        return model().index(row, 0, source(sourceRow));
    }
    QStringList texts(const QModelIndex& parent = {}) const { return RowTexts(&model(), parent); }
    // "text/image" and "*" when bold.
    QString look(const QModelIndex& index) const {
        const QVariant font = model().data(index, Qt::FontRole);
        return index.data().toString() + "/" +
               model().data(index, TreeModel::ImageRole).toString() +
               (font.isValid() && font.value<QFont>().bold() ? "*" : "");
    }
    // Mouse input on an item, or for an invalid index below the items.
    void click(const QModelIndex& index, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mouseClick(view().viewport(), button, {},
                          index.isValid() ? view().visualRect(index).center()
                                          : QPoint(10, view().viewport()->height() - 5));
    }
    // Selects "alpha notes" and opens it with the Right key, then selects its message `row`.
    QModelIndex openAlpha(int row) const {
        click(source(0));
        QTest::keyClick(&view(), Qt::Key_Right);
        click(message(0, row));
        return message(0, row);
    }
    static void choose(QMenu& menu, QAction* action) {
        QTRY_VERIFY(menu.isVisible());
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
    }
    void exportAs(const QModelIndex& item, int format) const {
        click(item, Qt::RightButton);
        choose(menu(), menu().mnuPopupSourceExport()->menuAction());
        choose(*menu().mnuPopupSourceExport(), menu().mnuPopupSourceExportOpt(format));
    }
    QLineEdit* editor() const {
        for (QLineEdit* edit : view().findChildren<QLineEdit*>()) {
            if (edit->isVisible())
                return edit;
        }
        return nullptr;
    }
    QByteArray subscriptions() const { return folder.read(folder.dataFile("subscriptions.dat")); }

    MessageFolder folder;
    std::string zulu, alpha;
    RecordingWindows windows;
    Strings calls;
    std::unique_ptr<frmOptions> window;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

}  // namespace

class TestFrmOptions : public QObject {
    Q_OBJECT

private slots:
    void showsSourcesSortedAndMessagesNewestFirstWithUnreadBold() {
        Fixture f;
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(QStringList({f.look(f.source(0)), f.look(f.message(0, 0)), f.look(f.message(0, 1)),
                              f.look(f.message(0, 2))}),
                 QStringList(
                     {"alpha notes/1", "Tuesday report/3", "Monday report/2*", "Sunday note/2*"}));
        QVERIFY(!f.model().data(f.message(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
        // The tip holds the whole title, however narrow the pane.
        QCOMPARE(f.model().data(f.message(0, 0), Qt::ToolTipRole), QVariant("Tuesday report"));
    }

    // The user opens a group by its header and clicks an item; a missing help file has its box.
    void optionBarRunsTheItems() {
        Fixture f;
        QToolBox* bar = f.window->ucOptionbar();
        for (QAbstractButton* header : bar->findChildren<QAbstractButton*>()) {
            if (header->text() == "Help")
                QTest::mouseClick(header, Qt::LeftButton);
        }
        auto* item = bar->findChild<QToolButton*>("help_file");
        QVERIFY(item && item->isVisible());
        QTest::mouseClick(item, Qt::LeftButton);
        QCOMPARE(f.folder.seam.captions(), Strings{"Help File not found!"});
    }

    // A second double-click brings the window forward; on a source it checks it, the tree
    // disabled while the queue runs.
    void doubleClickOpensOnceAndChecksASource() {
        Fixture f;
        const QModelIndex monday = f.openAlpha(1);
        for (const QModelIndex& at : {monday, monday, f.source(1)})
            QTest::mouseDClick(f.view().viewport(), Qt::LeftButton, {},
                               f.view().visualRect(at).center());
        QCOMPARE(f.windows.opened.size(), std::size_t(1));
        QCOMPARE(f.calls, (Strings{"queue on", "process off"}));
        QVERIFY(f.view().isEnabled());
    }

    // Below the items the menu is for the selected message; a source right-clicked is selected
    // and opens no menu, its menu key opens its own, Delete does nothing (the rest is the
    // whole-program test's).
    void rightClickOpensTheMenuForAMessageOnly() {
        Fixture f;
        PopupSourceMenu& menu = f.menu();
        f.openAlpha(2);
        f.click(QModelIndex(), Qt::RightButton);
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(f.tree().selectedNode(), f.model().nodeOf(f.message(0, 2)));
        menu.close();
        f.click(f.source(1), Qt::RightButton);
        QTest::keyClick(&f.view(), Qt::Key_Menu);  // a source's menu key: the source's own menu
        QTRY_VERIFY(f.window->mnuPopupSourceNode()->isVisible());
        f.window->mnuPopupSourceNode()->close();
        f.folder.seam.answers = {MsgAnswer::Yes};
        QTest::keyClick(&f.view(), Qt::Key_Delete);
        QTest::qWait(50);
        QCOMPARE(f.tree().selectedNode(), f.tree().findNode(f.zulu));
        QVERIFY(!menu.isVisible() && f.folder.seam.boxes.empty() && f.windows.opened.empty());
    }

    // F2 renames a source after the question, which a real box asks once (it takes the focus
    // from the editor); No, a blank title and Esc leave the title and the file alone.
    void f2RenamesASourceAfterTheQuestion() {
        QtUserSeam boxes;
        Fixture f(&boxes);
        boxes.setOwner(f.window.get());
        int asked = 0;
        auto* answer = new QTimer(f.window.get());
        QObject::connect(answer, &QTimer::timeout, f.window.get(), [&asked] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(++asked == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
        });
        answer->start(10);
        auto rename = [&](const QString& text, Qt::Key end) {
            f.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
            f.click(f.model().indexOf(f.tree().findNode(f.alpha)));
            QTest::keyClick(&f.view(), Qt::Key_F2);
            QVERIFY(f.editor() != nullptr);
            QTRY_VERIFY(f.editor()->hasFocus());
            f.editor()->selectAll();
            QTest::keyClicks(f.editor(), text);
            QTest::keyClick(f.editor(), end);
            QTRY_VERIFY(f.editor() == nullptr);
        };
        const QByteArray oldList = f.subscriptions();
        rename("Beta", Qt::Key_Return);
        rename("   ", Qt::Key_Return);
        rename("Gamma", Qt::Key_Escape);
        QTest::qWait(20);
        QCOMPARE(asked, 1);
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(f.subscriptions(), oldList);
        rename("zz Top", Qt::Key_Return);
        QTRY_COMPARE(f.texts(), QStringList({"Zulu News", "zz Top"}));
        QCOMPARE(asked, 2);
        QVERIFY(f.subscriptions().contains("title=\"zz Top\""));
    }

    // The window proposes the name and extension, asks before replacing (No by default), writes
    // nothing when cancelled.
    void exportGoesThroughTheSaveDialog() {
        Fixture f;
        QTemporaryDir out;
        const QModelIndex monday = f.openAlpha(1);
        const QString chosen = QDir(out.path()).filePath("chosen");
        f.folder.write(chosen + ".htm", "mine");
        for (const auto& [format, accept] : {std::pair{0, true}, std::pair{2, false}}) {
            bool inspected = false;
            WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
                inspected = true;
                QCOMPARE(dialog->findChild<QLineEdit*>("fileNameEdit")->text(),
                         accept ? "Monday report.htm" : "");
                dialog->selectFile(chosen);
                accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
            });
            f.exportAs(monday, format);
            QVERIFY(inspected);
        }
        QCOMPARE(f.folder.seam.captions(), Strings{"Confirm Save As"});
        QCOMPARE(f.folder.read(chosen + ".htm"), QByteArray("mine"));
        QVERIFY(!QFile::exists(chosen + ".eml"));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmOptions)

#include "frm_options_test.moc"
