#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/message_folder.h"
#include "gui/widget_helpers.h"
#include "shell/ui/qt_user_seam.h"
#include "support/recording_windows.h"
#include "view/message_export.h"
#include "view/message_windows.h"
#include "view/tree_control.h"
#include "view/tree_handlers.h"
#include "view/ui/frm_options.h"
#include "view/ui/popup_source_menu.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {

namespace {

using Strings = std::vector<std::string>;

const char* const kHeaderBlock =
    "<!-- header start:\nfrom: &quot;Jane Roe&quot; &lt;jane@example.com&gt;<br />\n"
    "subject: Weekly report<br />\ndate: Mon, 05 Dec 2026 08:56:31<br />\n"
    "reply-to: &quot;Desk&quot; &lt;desk@example.com&gt;\nheader end --> <p>Hello</p>";

// Two subscribed sources, "Zulu News" (one message) and "alpha notes" (an unread message with a
// header block, a newer read one and an older unread one), and the tree window over them, shown
// and checked by QAbstractItemModelTester. The hooks log their calls.
struct Fixture {
    explicit Fixture(UserSeam* boxes = nullptr) : folder(boxes) {
        folder.write(folder.appFile("view.tpl"), "<html><body>SL DESC</body></html>");
        zulu = folder.subscribe("Zulu News", "http://127.0.0.1:1/zulu");
        alpha = folder.subscribe("alpha notes", "http://127.0.0.1:1/alpha");
        folder.save(alpha, "a1", "Monday report", "Mon, 05 Dec 2026", "08:56:31", false,
                    kHeaderBlock);
        folder.save(alpha, "a2", "Tuesday report", "Tue, 06 Dec 2026", "08:00:00", true);
        folder.save(alpha, "a3", "Sunday note", "Sun, 04 Dec 2026", "08:00:00", false);
        folder.save(zulu, "z1", "Zulu one", "Mon, 05 Dec 2026", "09:00:00", false);

        TreeHandlerHooks hooks;
        hooks.queueSelectedSource = [this] { calls.push_back(logged("queue")); };
        hooks.processQueue = [this] { calls.push_back(logged("process")); };
        hooks.openSettings = [this] { calls.push_back("settings"); };
        hooks.openPlugIns = [this] { calls.push_back("plugins"); };
        hooks.shellOpen = [this](const std::string& target) { calls.push_back(target); };
        window = std::make_unique<frmOptions>(*folder.context, windows, hooks);
        window->resize(320, 480);
        window->show();
        tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    std::string logged(const std::string& call) const {
        return call + (view().isEnabled() ? " on" : " off");
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
    bool bold(const QModelIndex& index) const {
        const QVariant font = model().data(index, Qt::FontRole);
        return font.isValid() && font.value<QFont>().bold();
    }
    int image(const QModelIndex& index) const {
        return model().data(index, TreeModel::ImageRole).toInt();
    }

    // Mouse input on an item (or, for an invalid index, on the empty space below the items).
    QPoint at(const QModelIndex& index) const {
        return index.isValid() ? view().visualRect(index).center()
                               : QPoint(10, view().viewport()->height() - 5);
    }
    void click(const QModelIndex& index, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mouseClick(view().viewport(), button, {}, at(index));
    }
    void doubleClick(const QModelIndex& index) const {
        QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, at(index));
    }
    // Selects "alpha notes" and opens it with the Right key, as a user would.
    void expandAlpha() const {
        click(source(0));
        QTest::keyClick(&view(), Qt::Key_Right);
    }
    // Clicks `action` in the open menu `menu`.
    static void choose(QMenu& menu, QAction* action) {
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
    }
    // Right-clicks `index` and clicks the export sub-item `index` of the menu.
    void exportAs(const QModelIndex& item, int format) const {
        click(item, Qt::RightButton);
        QTRY_VERIFY(menu().isVisible());
        choose(menu(), menu().mnuPopupSourceExport()->menuAction());
        QTRY_VERIFY(menu().mnuPopupSourceExport()->isVisible());
        choose(*menu().mnuPopupSourceExport(), menu().mnuPopupSourceExportOpt(format));
    }
    // The editor that F2 opened, null when none is open.
    QLineEdit* editor() const {
        for (QLineEdit* edit : view().findChildren<QLineEdit*>()) {
            if (edit->isVisible())
                return edit;
        }
        return nullptr;
    }

    QByteArray inbox(const std::string& id) const {
        return folder.read(folder.dataFile(QString::fromStdString(id) + "/inbox.dat"));
    }
    // The stored read flag of a message of "alpha notes", empty when it is not stored.
    QByteArray storedRead(const QByteArray& guid) const {
        const QByteArray text = inbox(alpha);
        qsizetype at = text.indexOf("[" + guid + "]\r\n");
        if (at < 0)
            return {};
        at = text.indexOf("read=", at) + 5;
        return text.mid(at, text.indexOf("\r\n", at) - at);
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
        QCOMPARE(f.window->objectName(), QStringLiteral("frmOptions"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Messages Sources"));
        QCOMPARE(f.view().objectName(), QStringLiteral("tvMessages"));
        QCOMPARE(f.view().parentWidget()->objectName(), QStringLiteral("picMsgContainer"));
        QCOMPARE(&f.view().tree(), &f.tree());

        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(f.texts(f.source(0)),
                 QStringList({"Tuesday report", "Monday report", "Sunday note"}));
        const bool bolds[] = {false, true, true};
        const int images[] = {3, 2, 2};
        const char* guids[] = {"a2", "a1", "a3"};
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(f.bold(f.message(0, row)), bolds[row]);
            QCOMPARE(f.image(f.message(0, row)), images[row]);
            QCOMPARE(f.model().data(f.message(0, row), TreeModel::TagRole).toString(),
                     QString::fromLatin1(guids[row]));
        }
        QCOMPARE(f.image(f.source(0)), 1);
        QVERIFY(!f.bold(f.source(0)));
        QCOMPARE(f.model().data(f.source(0), TreeModel::TagRole).toString(),
                 QStringLiteral("http://127.0.0.1:1/alpha"));
        QCOMPARE(f.model().data(f.source(0), TreeModel::KeyRole).toString(),
                 QString::fromStdString(f.alpha));
        QVERIFY(!f.model().data(f.message(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
    }

    void optionBarHoldsTheGroupsAndRunsTheItems() {
        Fixture f;
        QToolBox* bar = f.window->ucOptionbar();
        QCOMPARE(bar->objectName(), QStringLiteral("ucOptionbar"));
        QCOMPARE(bar->count(), 3);
        const QStringList groups = {"Messages", "Options", "Help"};
        const QStringList items[] = {
            {},
            {"opt_plugin/Configure Plug-Ins", "opt_settings/Settings"},
            {"help_file/Help File", "help_email/Contact Us", "help_website/Visit our Website"}};
        for (int i = 0; i < bar->count(); ++i) {
            QCOMPARE(bar->itemText(i), groups[i]);
            QStringList found;
            for (QToolButton* b : bar->widget(i)->findChildren<QToolButton*>()) {
                found << b->objectName() + "/" + b->text();
                QCOMPARE(b->font().family(), QStringLiteral("verdana"));
                QCOMPARE(b->font().pointSizeF(), 8.25);
                QVERIFY(!b->icon().isNull());
            }
            QCOMPARE(found, items[i]);
        }
        QCOMPARE(bar->currentWidget()->objectName(), QStringLiteral("picMsgContainer"));

        // The user opens a group by its header, then clicks an item.
        auto run = [&](const QString& group, const char* key) {
            for (QAbstractButton* header : bar->findChildren<QAbstractButton*>()) {
                if (header->text() == group)
                    QTest::mouseClick(header, Qt::LeftButton);
            }
            auto* item = bar->findChild<QToolButton*>(key);
            QVERIFY(item && item->isVisible());
            QTest::mouseClick(item, Qt::LeftButton);
        };
        run("Options", "opt_plugin");
        run("Options", "opt_settings");
        run("Help", "help_email");
        run("Help", "help_website");
        run("Help", "help_file");
        QCOMPARE(f.calls, (Strings{"plugins", "settings", "mailto:support@vellorin.net",
                                   "https://www.vellorin.net/help/"}));
        QCOMPARE(f.folder.seam.captions(), Strings{"Help File not found!"});
    }

    void doubleClickOpensAMessageAndMarksItRead() {
        Fixture f;
        f.expandAlpha();
        QVERIFY(f.tree().findNode(f.alpha)->expanded());
        const QModelIndex monday = f.message(0, 1);
        f.doubleClick(monday);
        QCOMPARE(f.windows.opened.size(), std::size_t(1));
        QCOMPARE(f.windows.opened[0].guid + "|" + f.windows.opened[0].caption,
                 std::string("a1|Monday report"));
        QVERIFY(f.windows.opened[0].pagePath.ends_with("/item.htm"));
        QCOMPARE(f.tree().selectedNode(), f.model().nodeOf(monday));
        QVERIFY(!f.bold(monday));
        QCOMPARE(f.image(monday), 3);
        QCOMPARE(f.storedRead("a1"), QByteArray("1"));

        // Open already: brought forward, nothing new.
        f.doubleClick(monday);
        QCOMPARE(f.windows.opened.size(), std::size_t(1));

        // A source is checked, the tree disabled while the queue runs.
        f.doubleClick(f.source(1));
        QCOMPARE(f.calls, (Strings{"queue on", "process off"}));
        QVERIFY(f.view().isEnabled());
        QVERIFY(f.folder.seam.boxes.empty());
    }

    // A check run disables the tree, and Qt then hands the keyboard focus on to the next control;
    // the keyboard user finds it back on the tree after the run, unless they moved it meanwhile.
    void theTreeHasTheKeyboardFocusBackAfterACheckRun() {
        Fixture f;
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.view().setFocus();
        QVERIFY(f.view().hasFocus());

        f.tree().setEnabled(false);
        QVERIFY(!f.view().hasFocus());
        f.tree().setEnabled(true);
        QVERIFY(f.view().hasFocus());

        // Focus put elsewhere during the run stays there.
        f.tree().setEnabled(false);
        auto* options = f.window->findChild<QToolButton*>(QStringLiteral("opt_settings"));
        QVERIFY(options != nullptr);
        options->setFocus();
        f.tree().setEnabled(true);
        QVERIFY(options->hasFocus());
    }

    void rightClickOpensTheMenuForAMessageOnly() {
        Fixture f;
        PopupSourceMenu& menu = f.menu();
        QCOMPARE(menu.objectName(), QStringLiteral("mnuPopupSource"));
        QCOMPARE(menu.title(), QStringLiteral("PopupTreeview"));
        QStringList items;
        for (QAction* a : menu.actions())
            items << (a->isSeparator() ? "-" : a->objectName() + "/" + a->text());
        QCOMPARE(items,
                 QStringList({"mnuPopupSourceShow/Show", "-", "mnuPopupSourceDel/Delete", "-",
                              "mnuPopupSourceRead/Mark as Read",
                              "mnuPopupSourceUnread/Mark as Unread", "-", "/Export to File"}));
        QStringList formats;
        for (QAction* a : menu.mnuPopupSourceExport()->actions())
            formats << a->objectName() + "/" + a->data().toString() + "/" + a->text();
        QCOMPARE(formats, QStringList({"mnuPopupSourceExportOpt/0/HTML File (*.html)",
                                       "mnuPopupSourceExportOpt/1/Text File (*.txt)",
                                       "mnuPopupSourceExportOpt/2/Email File (*.eml)"}));

        f.expandAlpha();
        f.click(f.message(0, 0));
        // The node under the pointer becomes the selection, then the menu opens.
        f.click(f.message(0, 2), Qt::RightButton);
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(f.tree().selectedNode(), f.model().nodeOf(f.message(0, 2)));
        QCOMPARE(f.view().currentIndex(), f.message(0, 2));
        menu.close();
        // Below the items: the menu is for the selected message.
        f.click(QModelIndex(), Qt::RightButton);
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(f.tree().selectedNode(), f.model().nodeOf(f.message(0, 2)));
        menu.close();
        // A source right-clicked while a message is selected: it is selected, and no menu opens
        // (its items would act on nothing).
        f.click(f.source(1), Qt::RightButton);
        QTest::qWait(50);
        QVERIFY(!menu.isVisible());
        QCOMPARE(f.tree().selectedNode(), f.tree().findNode(f.zulu));
        // With a source selected nothing happens, and the right press selects nothing.
        f.click(f.source(1));
        f.click(f.message(0, 1), Qt::RightButton);
        QTest::qWait(50);
        QVERIFY(!menu.isVisible());
        QCOMPARE(f.tree().selectedNode(), f.tree().findNode(f.zulu));
    }

    // The menu key and Shift+F10 open the menu at the selected message, Enter opens it, Delete
    // deletes it after the question.
    void theKeyboardReachesEveryMessageAction() {
        Fixture f;
        PopupSourceMenu& menu = f.menu();
        f.expandAlpha();
        const QModelIndex monday = f.message(0, 1);
        f.click(monday);
        const QRect row(f.view().viewport()->mapToGlobal(f.view().visualRect(monday).topLeft()),
                        f.view().visualRect(monday).size());
        for (const QKeyCombination key :
             {QKeyCombination(Qt::Key_Menu), QKeyCombination(Qt::ShiftModifier, Qt::Key_F10)}) {
            QTest::keyClick(&f.view(), key.key(), key.keyboardModifiers());
            QTRY_VERIFY(menu.isVisible());
            QVERIFY(qAbs(menu.pos().y() - row.bottom()) <= 2);
            QVERIFY(menu.pos().x() >= row.left() && menu.pos().x() < row.right());
            menu.close();
        }
        QTest::keyClick(&f.view(), Qt::Key_Return);
        QCOMPARE(f.windows.opened.size(), std::size_t(1));
        QCOMPARE(f.windows.opened[0].guid, std::string("a1"));
        QCOMPARE(f.storedRead("a1"), QByteArray("1"));
        f.folder.seam.answers = {MsgAnswer::Yes};
        QTest::keyClick(&f.view(), Qt::Key_Delete);
        QCOMPARE(f.folder.seam.captions(), Strings{"Delete selected Item?"});
        QVERIFY(!f.inbox(f.alpha).contains("[a1]"));
        QVERIFY(f.windows.open.empty());
        // On a source the keys do nothing.
        f.click(f.source(1));
        QTest::keyClick(&f.view(), Qt::Key_Menu);
        QTest::keyClick(&f.view(), Qt::Key_Delete);
        QTest::qWait(50);
        QVERIFY(!menu.isVisible());
        QCOMPARE(f.folder.seam.boxes.size(), std::size_t(1));
    }

    void menuCommandsChangeTheInboxAndTheTree() {
        Fixture f;
        PopupSourceMenu& menu = f.menu();
        f.expandAlpha();
        auto command = [&](const QModelIndex& item, QAction* action) {
            f.click(item, Qt::RightButton);
            QTRY_VERIFY(menu.isVisible());
            Fixture::choose(menu, action);
            QVERIFY(!menu.isVisible());
        };
        f.click(f.message(0, 0));
        const QModelIndex tuesday = f.message(0, 0);
        command(tuesday, menu.mnuPopupSourceUnread());
        QCOMPARE(f.storedRead("a2"), QByteArray("0"));
        QVERIFY(f.bold(tuesday));
        QCOMPARE(f.image(tuesday), 2);
        command(tuesday, menu.mnuPopupSourceRead());
        QCOMPARE(f.storedRead("a2"), QByteArray("1"));
        QVERIFY(!f.bold(tuesday));
        QCOMPARE(f.image(tuesday), 3);
        command(tuesday, menu.mnuPopupSourceShow());
        QCOMPARE(f.windows.open, (std::set<RecordingWindows::Key>{{f.alpha, "a2"}}));

        f.folder.seam.answers = {MsgAnswer::No};
        command(tuesday, menu.mnuPopupSourceDel());
        QCOMPARE(f.storedRead("a2"), QByteArray("1"));
        f.folder.seam.answers = {MsgAnswer::Yes};
        command(tuesday, menu.mnuPopupSourceDel());
        QCOMPARE(f.folder.seam.captions(),
                 (Strings{"Delete selected Item?", "Delete selected Item?"}));
        QVERIFY(!f.inbox(f.alpha).contains("[a2]"));
        QCOMPARE(f.texts(f.source(0)), QStringList({"Monday report", "Sunday note"}));
        QCOMPARE(f.windows.closed, Strings{"a2"});
        // The deleted node took the selection with it, in the view too.
        QCOMPARE(f.tree().selectedNode(), nullptr);
        QVERIFY(!f.view().currentIndex().isValid());
        QVERIFY(!f.view().selectionModel()->hasSelection());
    }

    void f2RenamesASourceAfterTheQuestion() {
        Fixture f;
        RecordingSeam& seam = f.folder.seam;
        auto rename = [&](const QString& text, Qt::Key end) {
            f.click(f.model().indexOf(f.tree().findNode(f.alpha)));
            QTest::keyClick(&f.view(), Qt::Key_F2);
            QLineEdit* edit = f.editor();
            QVERIFY(edit != nullptr);
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, end);
            QTRY_VERIFY(f.editor() == nullptr);
        };
        const QByteArray oldList = f.subscriptions();

        seam.answers = {MsgAnswer::No};
        rename("Beta", Qt::Key_Return);
        QTRY_COMPARE(seam.boxes.size(), std::size_t(1));
        QCOMPARE(seam.boxes[0].caption, std::string("Change Title?"));
        QCOMPARE(seam.boxes[0].text,
                 std::string("Do you want to change the title \"alpha notes\" to \"Beta\"?"));
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));

        // Blank titles are refused without a question; Esc abandons the edit.
        rename("   ", Qt::Key_Return);
        rename("Gamma", Qt::Key_Escape);
        QTest::qWait(20);
        QCOMPARE(seam.boxes.size(), std::size_t(1));
        QCOMPARE(f.tree().labelEditNode(), nullptr);
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(f.subscriptions(), oldList);

        seam.answers = {MsgAnswer::Yes};
        rename("zz Top", Qt::Key_Return);
        QTRY_COMPARE(seam.boxes.size(), std::size_t(2));
        QTRY_COMPARE(f.texts(), QStringList({"Zulu News", "zz Top"}));
        QVERIFY(f.subscriptions().contains("title=\"zz Top\""));
        QVERIFY(!f.subscriptions().contains("alpha notes"));

        // F2 on a message opens no editor.
        QTest::keyClick(&f.view(), Qt::Key_Right);
        f.click(f.message(1, 0));
        QTest::keyClick(&f.view(), Qt::Key_F2);
        QVERIFY(f.editor() == nullptr);
        QCOMPARE(f.tree().labelEditNode(), nullptr);
    }

    // The real box takes the focus from the editor while it asks; its delegate must not commit
    // the edit a second time.
    void renameAsksOnceWithARealBox() {
        QtUserSeam boxes;
        Fixture f(&boxes);
        boxes.setOwner(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        int asked = 0;
        auto* answer = new QTimer(f.window.get());
        answer->setInterval(10);
        QObject::connect(answer, &QTimer::timeout, f.window.get(), [&asked] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            ++asked;
            box->button(QMessageBox::Yes)->click();
        });
        answer->start();
        f.click(f.source(0));
        QTest::keyClick(&f.view(), Qt::Key_F2);
        QLineEdit* edit = f.editor();
        QVERIFY(edit != nullptr);
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, "zz Top");
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(f.texts(), QStringList({"Zulu News", "zz Top"}));
        QCOMPARE(asked, 1);
        QVERIFY(f.subscriptions().contains("title=\"zz Top\""));
    }

    void exportWritesTheThreeFormatsToTheChosenFiles() {
        Fixture f;
        QTemporaryDir out;
        std::vector<SaveFileRequest> requests;
        f.window->ucCommonDialog().setAutoAnswer([&](const SaveFileRequest& request) {
            requests.push_back(request);
            return std::optional<std::string>(
                QDir(out.path())
                    .filePath("export." + QString::number(requests.size()) + "." +
                              QString::fromStdString(request.defaultExtension))
                    .toStdString());
        });
        f.expandAlpha();
        const QModelIndex monday = f.message(0, 1);
        f.click(monday);
        for (int format = 0; format < 3; ++format)
            f.exportAs(monday, format);
        QCOMPARE(requests.size(), std::size_t(3));
        const char* extensions[] = {"htm", "txt", "eml"};
        const char* proposed[] = {"Monday report.htm", "Monday report.txt", ""};
        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(requests[i].title, std::string("Save Article Description as ..."));
            QCOMPARE(requests[i].defaultExtension, std::string(extensions[i]));
            QCOMPARE(requests[i].fileName, std::string(proposed[i]));
        }
        const QString base = QDir(out.path()).filePath("export.");
        QCOMPARE(f.folder.read(base + "1.htm"),
                 QByteArray("<html><head><title>Monday report</title></head><body>") +
                     QByteArray(kHeaderBlock).replace("\n", "\r\n") + "</body></html>\r\n");
        // The text keeps the blanks and line breaks that end the values in the block; the
        // draft's headers stay on one line each.
        const QByteArray text("From       :   Jane Roe  (jane@example.com\r\n)\r\n");
        QCOMPARE(f.folder.read(base + "2.txt").left(text.size()), text);
        const QByteArray draft("Envelope-to: \r\nFrom: \"Jane Roe\"<jane@example.com>\r\n");
        QCOMPARE(f.folder.read(base + "3.eml").left(draft.size()), draft);
        // The chosen names had their extension already: none is added.
        QVERIFY(!QFile::exists(base + "1.htm.htm"));
    }

    void theSaveDialogProposesTheTitleAndAddsTheExtension() {
        Fixture f;
        QTemporaryDir out;
        f.expandAlpha();
        const QModelIndex monday = f.message(0, 1);
        f.click(monday);
        const QString chosen = QDir(out.path()).filePath("chosen");
        bool inspected = false;
        WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
            inspected = true;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Save Article Description as ..."));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->nameFilters(), QStringList{"HTML Files (*.htm *.html)"});
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("htm"));
            // The export asks about the name it writes, once the extension is added.
            QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name != nullptr);
            QCOMPARE(name->text(), QStringLiteral("Monday report.htm"));
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        f.exportAs(monday, 0);
        QVERIFY(inspected);
        QVERIFY(f.folder.read(chosen + ".htm").startsWith("<html><head><title>Monday report"));
        QVERIFY(f.folder.seam.boxes.empty());

        // A second export to that name asks first; No (the default) keeps the file.
        f.folder.write(chosen + ".htm", "mine");
        WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        f.exportAs(monday, 0);
        QCOMPARE(f.folder.seam.captions(), std::vector<std::string>{"Confirm Save As"});
        QCOMPARE(f.folder.read(chosen + ".htm"), QByteArray("mine"));

        // Cancelling writes nothing.
        inspected = false;
        WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
            inspected = true;
            QCOMPARE(dialog->nameFilters(), QStringList{"Email Draft Files (*.eml)"});
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("eml"));
            dialog->selectFile(chosen);
            dialog->reject();
        });
        f.exportAs(monday, 2);
        QVERIFY(inspected);
        QVERIFY(!QFile::exists(chosen + ".eml"));
    }

    // A check run rebuilds a source's messages, ResetSourceNode empties a source, and a reload
    // by the subscribe dialog rebuilds all; the other sources' indexes stay on their nodes.
    void followsTheCoresReloads() {
        Fixture f;
        f.expandAlpha();
        f.click(f.message(0, 0));
        QPersistentModelIndex zulu = f.source(1);
        QVERIFY(f.folder.save(f.alpha, "a4", "Wednesday", "Wed, 07 Dec 2026", "08:00:00", false));
        f.folder.context->inbox.CurrentSourceID = f.alpha;
        f.folder.context->inbox.LoadInbox(f.tree());
        QCOMPARE(f.texts(f.source(0)),
                 QStringList({"Wednesday", "Tuesday report", "Monday report", "Sunday note"}));
        QVERIFY(f.bold(f.message(0, 0)));
        QCOMPARE(f.tree().selectedNode(), nullptr);
        QVERIFY(!f.view().currentIndex().isValid());
        QCOMPARE(f.model().nodeOf(zulu), f.tree().findNode(f.zulu));

        f.folder.context->inbox.CurrentSourceID = f.zulu;
        QVERIFY(f.folder.context->inbox.ResetSourceNode(f.tree()) != nullptr);
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(f.model().rowCount(f.source(1)), 0);
        QVERIFY(!zulu.isValid());

        QVERIFY(!f.folder.subscribe("Mike Daily", "http://127.0.0.1:1/mike").empty());
        f.folder.context->subscriptions.LoadSubscriptions(f.tree());
        QCOMPARE(f.texts(), QStringList({"alpha notes", "Mike Daily", "Zulu News"}));
        QCOMPARE(f.model().rowCount(f.source(0)), 4);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmOptions)

#include "frm_options_test.moc"
