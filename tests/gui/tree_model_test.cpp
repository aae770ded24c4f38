#include <QAbstractItemModelTester>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <utility>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/message_folder.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_model.h"

using vellorin::TreeControl;
using vellorin::TreeModel;
using vellorin::TreeNode;

namespace {

const QColor kColors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// Four pictures of one colour each, so that a test can tell which one an icon draws.
vellorin::ImageList Pictures() {
    std::vector<QIcon> icons;
    for (const QColor& color : kColors) {
        QPixmap pixmap(16, 16);
        pixmap.fill(color);
        icons.emplace_back(pixmap);
    }
    return vellorin::ImageList(std::move(icons));
}

QColor Colour(const QIcon& icon, QIcon::Mode mode) {
    return icon.pixmap(16, 16, mode).toImage().pixelColor(8, 8);
}

QString Line(int depth, const QString& text, int image, bool bold, const QString& tag,
             const QString& key) {
    return QString(depth, '.') + text + '|' + QString::number(image) + (bold ? "|b|" : "||") + tag +
           '|' + key;
}

// The items as the model shows them, in tree order: depth, text, image, bold, tag, key.
void DumpModel(const TreeModel& model, const QModelIndex& parent, int depth, QStringList& out) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        const QVariant font = model.data(index, Qt::FontRole);
        out << Line(depth, model.data(index).toString(),
                    model.data(index, TreeModel::ImageRole).toInt(),
                    font.isValid() && font.value<QFont>().bold(),
                    model.data(index, TreeModel::TagRole).toString(),
                    model.data(index, TreeModel::KeyRole).toString());
        DumpModel(model, index, depth + 1, out);
    }
}

QStringList DumpModel(const TreeModel& model) {
    QStringList out;
    DumpModel(model, {}, 0, out);
    return out;
}

// The same for the control's own nodes.
QStringList DumpTree(const TreeControl& tree) {
    QStringList out;
    for (const TreeNode* node : tree.nodes()) {
        int depth = 0;
        for (const TreeNode* p = node->parent(); p; p = p->parent())
            ++depth;
        out << Line(depth, QString::fromStdString(node->text()), node->image(), node->bold(),
                    QString::fromStdString(node->tag()), QString::fromStdString(node->key()));
    }
    return out;
}

QStringList Texts(const TreeModel& model, const QModelIndex& parent = {}) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(parent); ++row)
        texts << model.data(model.index(row, 0, parent)).toString();
    return texts;
}

// A tree with its model, the model checked by QAbstractItemModelTester and shown in a view, which
// would trip over a wrong signal as well.
struct Shown {
    explicit Shown(TreeControl& tree) : model(tree, Pictures()) {
        view.setModel(&model);
        view.show();
    }
    TreeModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QTreeView view;
};

}  // namespace

class TestTreeModel : public QObject {
    Q_OBJECT

private slots:
    // Each change of the control reaches the model with the right signals: after every step the
    // model shows exactly the control's nodes, and persistent indexes stay on their nodes.
    void followsEveryChangeOfTheControl() {
        TreeControl tree("tvMessages");
        Shown shown(tree);
        const TreeModel& model = shown.model;
        QPersistentModelIndex zulu, child;
        auto addMessages = [&](const char* key, int count) {
            for (int i = 0; i < count; ++i) {
                TreeNode* node = tree.addChild(key, "", "message " + std::to_string(i), 2);
                node->setTag("guid" + std::to_string(i));
                node->setBold(true);
            }
        };
        const std::vector<std::pair<const char*, std::function<void()>>> steps = {
            {"roots unsorted",
             [&] {
                 tree.addRoot("k3", "Zulu", 1);
                 tree.addRoot("k1", "alpha", 1);
                 tree.addRoot("k2", "Mike", 1);
                 zulu = model.index(0, 0);
             }},
            {"children",
             [&] {
                 addMessages("k1", 3);
                 child = model.index(1, 0, model.index(1, 0));
             }},
            {"sorting on", [&] { tree.setSorted(true); }},
            {"sorted insert", [&] { tree.addRoot("k4", "beta", 1); }},
            {"fields",
             [&] {
                 TreeNode* node = tree.findNode("k1")->child(1);
                 node->setImage(3);
                 node->setBold(false);
                 node->setTag("changed");
             }},
            {"rename moves", [&] { tree.findNode("k1")->setText("zz last"); }},
            {"remove child", [&] { tree.remove(tree.findNode("k1")->child(0)); }},
            {"remove root with children", [&] { tree.remove(tree.findNode("k1")); }},
            {"clear", [&] { tree.clear(); }},
            {"refill", [&] {
                 tree.addRoot("k5", "again", 1);
                 addMessages("k5", 2);
             }}};
        for (const auto& [name, step] : steps) {
            step();
            QVERIFY2(DumpModel(model) == DumpTree(tree), name);
        }
        QCOMPARE(DumpModel(model),
                 QStringList({"again|1|||k5", ".message 0|2|b|guid0|", ".message 1|2|b|guid1|"}));
        QVERIFY(!zulu.isValid());
        QVERIFY(!child.isValid());
    }

    void persistentIndexesFollowSortingAndRemovals() {
        TreeControl tree("tvMessages");
        Shown shown(tree);
        const TreeModel& model = shown.model;
        tree.addRoot("z", "Zulu", 1);
        tree.addRoot("a", "alpha", 1);
        tree.addChild("a", "m", "message", 2);
        QPersistentModelIndex zulu = model.index(0, 0);
        QPersistentModelIndex message = model.index(0, 0, model.index(1, 0));
        tree.setSorted(true);
        QCOMPARE(Texts(model), QStringList({"alpha", "Zulu"}));
        QCOMPARE(zulu.row(), 1);
        QCOMPARE(model.nodeOf(zulu), tree.findNode("z"));
        QCOMPARE(message.parent().row(), 0);
        QCOMPARE(model.nodeOf(message), tree.findNode("m"));
        tree.findNode("a")->setText("zz");
        QCOMPARE(zulu.row(), 0);
        QCOMPARE(message.parent().row(), 1);
        tree.remove(tree.findNode("a"));
        QVERIFY(!message.isValid());
        QCOMPARE(zulu.row(), 0);
    }

    void showsTheNodeFieldsInTheirRoles() {
        TreeControl tree("tvMessages");
        Shown shown(tree);
        const TreeModel& model = shown.model;
        TreeNode* node = tree.addRoot("key", "text", 2, 3);
        node->setTag("tag");
        const QModelIndex index = model.index(0, 0);
        QCOMPARE(model.data(index, Qt::EditRole).toString(), QStringLiteral("text"));
        QCOMPARE(model.data(index, TreeModel::KeyRole).toString(), QStringLiteral("key"));
        QVERIFY(!model.data(index, Qt::FontRole).isValid());
        QVERIFY(model.flags(index) & Qt::ItemIsEditable);
        // The selected image shows while the item is selected.
        auto icon = model.data(index, Qt::DecorationRole).value<QIcon>();
        QCOMPARE(Colour(icon, QIcon::Normal), kColors[1]);
        QCOMPARE(Colour(icon, QIcon::Selected), kColors[2]);

        QSignalSpy changed(&shown.model, &TreeModel::dataChanged);
        node->setSelectedImage(0);
        node->setBold(true);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed[1][2].value<QList<int>>(), QList<int>{Qt::FontRole});
        icon = model.data(index, Qt::DecorationRole).value<QIcon>();
        QCOMPARE(Colour(icon, QIcon::Normal), kColors[1]);
        QVERIFY(Colour(icon, QIcon::Selected) != kColors[2]);
        QVERIFY(model.data(index, Qt::FontRole).value<QFont>().bold());
        // An image outside the list shows no picture.
        node->setImage(9);
        QVERIFY(!model.data(index, Qt::DecorationRole).isValid());
    }

    // setData ends a text edit through the handler: a cancel keeps the old text and still tells
    // the views, which showed the edited text; an accepted title moves to its sorted place.
    void labelEditGoesThroughTheHandler() {
        TreeControl tree("tvMessages");
        tree.setSorted(true);
        tree.addRoot("a", "alpha", 1);
        tree.addRoot("b", "beta", 1);
        Shown shown(tree);
        TreeModel& model = shown.model;
        std::vector<std::string> asked;
        model.setLabelEditHandler([&](vellorin::LabelEdit& edit) {
            asked.push_back(edit.node->text() + ">" + edit.newText);
            edit.cancel = edit.newText == "refused";
        });
        QPersistentModelIndex alpha = model.index(0, 0);
        QSignalSpy changed(&model, &TreeModel::dataChanged);
        QVERIFY(!model.setData(alpha, "refused"));
        QCOMPARE(model.data(alpha).toString(), QStringLiteral("alpha"));
        QCOMPARE(changed.size(), 1);
        QVERIFY(model.setData(alpha, "gamma"));
        QCOMPARE(Texts(model), QStringList({"beta", "gamma"}));
        QCOMPARE(alpha.row(), 1);
        QCOMPARE(asked, (std::vector<std::string>{"alpha>refused", "alpha>gamma"}));
        QVERIFY(!model.setData(alpha, "x", Qt::DisplayRole + 100));
    }

    // The core's own loads drive the model: the whole list, then one source rebuilt from its
    // inbox after a new message arrived, then emptied by ResetSourceNode.
    void rebuildsSourcesFromTheStoredFiles() {
        vellorin::test::MessageFolder folder;
        const std::string zulu = folder.subscribe("Zulu News", "http://127.0.0.1:1/zulu");
        const std::string alpha = folder.subscribe("alpha notes", "http://127.0.0.1:1/alpha");
        QVERIFY(!zulu.empty() && !alpha.empty());
        QVERIFY(folder.save(alpha, "a1", "Monday", "Mon, 05 Dec 2026", "08:00:00", false));
        QVERIFY(folder.save(alpha, "a2", "Tuesday", "Tue, 06 Dec 2026", "08:00:00", true));
        QVERIFY(folder.save(zulu, "z1", "Zulu one", "Mon, 05 Dec 2026", "09:00:00", false));

        TreeControl tree("tvMessages");
        Shown shown(tree);
        const TreeModel& model = shown.model;
        folder.context->subscriptions.LoadSubscriptions(tree);
        QCOMPARE(DumpModel(model), DumpTree(tree));
        QCOMPARE(Texts(model), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(Texts(model, model.index(0, 0)), QStringList({"Tuesday", "Monday"}));
        QPersistentModelIndex zuluIndex = model.index(1, 0);

        QVERIFY(folder.save(alpha, "a3", "Wednesday", "Wed, 07 Dec 2026", "08:00:00", false));
        folder.context->inbox.CurrentSourceID = alpha;
        folder.context->inbox.LoadInbox(tree);
        QCOMPARE(DumpModel(model), DumpTree(tree));
        QCOMPARE(Texts(model), QStringList({"alpha notes", "Zulu News"}));
        QCOMPARE(Texts(model, model.index(0, 0)), QStringList({"Wednesday", "Tuesday", "Monday"}));
        QCOMPARE(model.nodeOf(zuluIndex), tree.findNode(zulu));

        folder.context->inbox.CurrentSourceID = zulu;
        QVERIFY(folder.context->inbox.ResetSourceNode(tree) != nullptr);
        QCOMPARE(DumpModel(model), DumpTree(tree));
        QCOMPARE(model.rowCount(model.index(1, 0)), 0);
        QVERIFY(!zuluIndex.isValid());
    }
};

int RunTreeModelTests(int argc, char** argv) {
    TestTreeModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tree_model_test.moc"
