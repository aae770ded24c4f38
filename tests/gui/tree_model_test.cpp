#include <functional>
#include <utility>

#include "gui/gui_tests.h"
#include "view/tree_control.h"
#include "view/ui/image_list.h"
#include "view/ui/tree_model.h"

namespace vellorin::test {
namespace {

// The items in tree order as "depth dots, text|image|b(old)|tag|key", from the model or from the
// control's own nodes.
void Dump(const TreeModel& model, const QModelIndex& parent, int depth, QStringList& out) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        const QVariant font = model.data(index, Qt::FontRole);
        out << QString(depth, '.') + index.data().toString() + "|" +
                   index.data(TreeModel::ImageRole).toString() +
                   (font.isValid() && font.value<QFont>().bold() ? "|b|" : "||") +
                   index.data(TreeModel::TagRole).toString() + "|" +
                   index.data(TreeModel::KeyRole).toString();
        Dump(model, index, depth + 1, out);
    }
}
QStringList Dump(const TreeModel& model) {
    QStringList out;
    Dump(model, {}, 0, out);
    return out;
}
QStringList Dump(const TreeControl& tree) {
    QStringList out;
    for (const TreeNode* node : tree.nodes()) {
        int depth = 0;
        for (const TreeNode* p = node->parent(); p; p = p->parent())
            ++depth;
        out << QString(depth, '.') + QString::fromStdString(node->text()) + "|" +
                   QString::number(node->image()) + (node->bold() ? "|b|" : "||") +
                   QString::fromStdString(node->tag()) + "|" + QString::fromStdString(node->key());
    }
    return out;
}

// A tree's model checked by QAbstractItemModelTester and shown in a view, which would trip over
// a wrong signal as well.
struct Shown {
    explicit Shown(TreeControl& tree) : model(tree, ImageList()) {
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
    // After every change of the control the model shows exactly its nodes, and persistent
    // indexes follow their nodes through sorting, renames and removals, and go with them.
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
            for (int i = 0; i < count; ++i)
                tree.addChild(key, "", "message " + std::to_string(i), 2)->setBold(true);
        };
        const std::pair<std::function<void()>, QString> steps[] = {
            {[&] {
                 for (const auto& [key, text] :
                      {std::pair{"k3", "Zulu"}, {"k1", "alpha"}, {"k2", "Mike"}})
                     tree.addRoot(key, text, 1);
                 zulu = model.index(0, 0);
             },
             "0 -"},
            {[&] {
                 addMessages("k1", 3);
                 child = model.index(1, 0, model.index(1, 0));
                 message = tree.findNode("k1")->child(1);
             },
             "0 1/1"},
            {[&] { tree.setSorted(true); }, "2 0/1"},
            {[&] { tree.addRoot("k4", "beta", 1); }, "3 0/1"},
            {[&] {
                 tree.findNode("k1")->child(1)->setImage(3);
                 tree.findNode("k1")->child(1)->setTag("changed");
             },
             "3 0/1"},
            {[&] { tree.findNode("k1")->setText("zz last"); }, "2 3/1"},
            {[&] { tree.remove(tree.findNode("k1")->child(0)); }, "2 3/0"},
            {[&] { tree.remove(tree.findNode("k1")); }, "2 -"},
            {[&] { tree.clear(); }, "- -"},
            {[&] {
                 tree.addRoot("k5", "again", 1);
                 addMessages("k5", 1);
             },
             "- -"}};
        for (const auto& [step, expected] : steps) {
            step();
            QCOMPARE(Dump(model), Dump(tree));
            QCOMPARE(where(), expected);
        }
        QCOMPARE(Dump(model), QStringList({"again|1|||k5", ".message 0|2|b||"}));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(TreeModel)

#include "tree_model_test.moc"
