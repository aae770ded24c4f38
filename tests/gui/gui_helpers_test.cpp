#include <QCloseEvent>
#include <QPointer>
#include <QWidget>
#include <QtTest>

#include "app/ui/gui_helpers.h"
#include "gui/gui_tests.h"

namespace {

class StubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

class TestGuiHelpers : public QObject {
    Q_OBJECT

private slots:
    void setTopMostKeepsTheWindowShownInPlace() {
        QWidget window;
        window.setGeometry(120, 140, 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = window.geometry();
        for (bool topMost : {true, false}) {
            vellorin::SetTopMost(&window, topMost);
            QCOMPARE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), topMost);
            QVERIFY(window.isVisible());
            QCOMPARE(window.geometry(), before);
        }
        // A hidden window is shown.
        QWidget hidden;
        vellorin::SetTopMost(&hidden, true);
        QVERIFY(hidden.isVisible());
        vellorin::SetTopMost(nullptr, true);
    }

    void unloadAllFormsClosesEveryOtherWindow() {
        QWidget self, other;
        StubbornWindow stubborn;
        for (QWidget* w : {&self, &other, static_cast<QWidget*>(&stubborn)})
            w->show();
        // One that deletes itself on close, and takes its sibling window with it.
        QPointer<QWidget> selfDeleting = new QWidget;
        selfDeleting->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QWidget> child = new QWidget(selfDeleting, Qt::Window);
        selfDeleting->show();
        child->show();

        vellorin::UnloadAllForms(&self);
        QVERIFY(self.isVisible());
        QVERIFY(!other.isVisible());
        QVERIFY(stubborn.isVisible());
        QTRY_VERIFY(selfDeleting.isNull());
        QVERIFY(child.isNull());
    }
};

int RunGuiHelpersTests(int argc, char** argv) {
    TestGuiHelpers test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_helpers_test.moc"
