#include <functional>
#include <utility>
#include <vector>

#include "gui/gui_tests.h"
#include "gui/widget_helpers.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_model.h"

namespace vellorin::test {

namespace {

const QColor kColors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// Four pictures of one colour each, so that a test can tell which one an icon draws.
ImageList Pictures() {
    std::vector<QIcon> icons;
    for (const QColor& color : kColors) {
        QPixmap pixmap(16, 16);
        pixmap.fill(color);
        icons.emplace_back(pixmap);
    }
    return ImageList(std::move(icons));
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
    // model shows exactly the control's nodes, and persistent indexes follow their nodes through
    // sorting, renames and removals of siblings, and are lost with their nodes.
    void followsEveryChangeOfTheControl() {
        TreeControl tree("tvMessages");
        Shown shown(tree);
        const TreeModel& model = shown.model;
        QPersistentModelIndex zulu, child;
        const TreeNode* message = nullptr;
        // "zulu's row parent's row/message's row", "-" for an index lost or on another node.
        auto where = [&] {
            const bool z = zulu.isValid() && model.nodeOf(zulu) == tree.findNode("k3");
            const bool c = child.isValid() && model.nodeOf(child) == message;
            return (z ? QString::number(zulu.row()) : "-") + " " +
                   (c ? QString("%1/%2").arg(child.parent().row()).arg(child.row()) : "-");
        };
        auto addMessages = [&](const char* key, int count) {
            for (int i = 0; i < count; ++i) {
                TreeNode* node = tree.addChild(key, "", "message " + std::to_string(i), 2);
                node->setTag("guid" + std::to_string(i));
                node->setBold(true);
            }
        };
        const struct {
            const char* name;
            std::function<void()> step;
            QString where;
        } steps[] = {
            {"roots unsorted",
             [&] {
                 tree.addRoot("k3", "Zulu", 1);
                 tree.addRoot("k1", "alpha", 1);
                 tree.addRoot("k2", "Mike", 1);
                 zulu = model.index(0, 0);
             },
             "0 -"},
            {"children",
             [&] {
                 addMessages("k1", 3);
                 child = model.index(1, 0, model.index(1, 0));
                 message = tree.findNode("k1")->child(1);
             },
             "0 1/1"},
            {"sorting on", [&] { tree.setSorted(true); }, "2 0/1"},
            {"sorted insert", [&] { tree.addRoot("k4", "beta", 1); }, "3 0/1"},
            {"fields",
             [&] {
                 TreeNode* node = tree.findNode("k1")->child(1);
                 node->setImage(3);
                 node->setBold(false);
                 node->setTag("changed");
             },
             "3 0/1"},
            {"rename moves", [&] { tree.findNode("k1")->setText("zz last"); }, "2 3/1"},
            {"remove child", [&] { tree.remove(tree.findNode("k1")->child(0)); }, "2 3/0"},
            {"remove root with children", [&] { tree.remove(tree.findNode("k1")); }, "2 -"},
            {"clear", [&] { tree.clear(); }, "- -"},
            {"refill",
             [&] {
                 tree.addRoot("k5", "again", 1);
                 addMessages("k5", 2);
             },
             "- -"}};
        for (const auto& [name, step, expected] : steps) {
            step();
            QVERIFY2(DumpModel(model) == DumpTree(tree), name);
            QCOMPARE(where(), expected);
        }
        QCOMPARE(DumpModel(model),
                 QStringList({"again|1|||k5", ".message 0|2|b|guid0|", ".message 1|2|b|guid1|"}));
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
        // The tip holds the whole title, however long, and follows a rename.
        const std::string title = "A title far too long for the pane " + std::string(200, 'x');
        node->setText(title);
        QCOMPARE(model.data(index, Qt::ToolTipRole).toString(), QString::fromStdString(title));
        QVERIFY(changed.last()[2].value<QList<int>>().contains(Qt::ToolTipRole));
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
        model.setLabelEditHandler([&](LabelEdit& edit) {
            asked.push_back(edit.node->text() + ">" + edit.newText);
            edit.cancel = edit.newText == "refused";
        });
        QPersistentModelIndex alpha = model.index(0, 0);
        QSignalSpy changed(&model, &TreeModel::dataChanged);
        QVERIFY(!model.setData(alpha, "refused"));
        QCOMPARE(model.data(alpha).toString(), QStringLiteral("alpha"));
        QCOMPARE(changed.size(), 1);
        QVERIFY(model.setData(alpha, "gamma"));
        QCOMPARE(RowTexts(&model), QStringList({"beta", "gamma"}));
        QCOMPARE(alpha.row(), 1);
        QCOMPARE(asked, (std::vector<std::string>{"alpha>refused", "alpha>gamma"}));
        QVERIFY(!model.setData(alpha, "x", Qt::DisplayRole + 100));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(TreeModel)

#include "tree_model_test.moc"
