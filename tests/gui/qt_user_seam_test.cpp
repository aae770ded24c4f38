#include <functional>
#include <iterator>

#include "gui/gui_tests.h"
#include "gui/widget_helpers.h"
#include "shell/ui/qt_user_seam.h"

namespace vellorin::test {

namespace {

struct BoxCase {
    const char* name;
    MsgIcon icon;
    MsgButtons buttons;
    MsgDefault defaultButton;
    QMessageBox::Icon qtIcon;
    QMessageBox::StandardButtons qtButtons;
    MsgAnswer enterAnswer, escapeAnswer;
};

using QB = QMessageBox;
const BoxCase kBoxCases[] = {
    {"information", MsgIcon::Information, MsgButtons::OK, MsgDefault::First, QB::Information,
     QB::Ok, MsgAnswer::OK, MsgAnswer::OK},
    {"exclamation, Yes default", MsgIcon::Exclamation, MsgButtons::YesNo, MsgDefault::First,
     QB::Warning, QB::Yes | QB::No, MsgAnswer::Yes, MsgAnswer::No},
    {"question, No default", MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second, QB::Question,
     QB::Yes | QB::No, MsgAnswer::No, MsgAnswer::No},
    {"critical, third default", MsgIcon::Critical, MsgButtons::YesNoCancel, MsgDefault::Third,
     QB::Critical, QB::Yes | QB::No | QB::Cancel, MsgAnswer::Cancel, MsgAnswer::Cancel},
    {"no icon, default past the last button", MsgIcon::None, MsgButtons::OKCancel,
     MsgDefault::Third, QB::NoIcon, QB::Ok | QB::Cancel, MsgAnswer::OK, MsgAnswer::Cancel}};

}  // namespace

class TestQtUserSeam : public QObject {
    Q_OBJECT

private slots:
    void showsTheRequestedBox_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(kBoxCases)); ++row)
            QTest::newRow(kBoxCases[row].name) << row;
    }

    // Enter presses the default button; Escape answers like the box's escape button.
    void showsTheRequestedBox() {
        QFETCH(int, row);
        const BoxCase& c = kBoxCases[row];
        MessageBoxRequest request{"Some Caption?", "First line \r\n\r\nlast line", c.icon,
                                  c.buttons, c.defaultButton};
        QCOMPARE(DefaultAnswer(request), c.enterAnswer);
        QtUserSeam seam;
        bool inspected = false;
        WhenModalShows<QMessageBox>([&](QMessageBox* box) {
            inspected = true;
            QCOMPARE(box->windowTitle(), QStringLiteral("Some Caption?"));
            QCOMPARE(box->text(), QStringLiteral("First line \n\nlast line"));
            QCOMPARE(box->icon(), c.qtIcon);
            QCOMPARE(box->standardButtons(), c.qtButtons);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(seam.messageBox(request), c.enterAnswer);
        QVERIFY(inspected);

        WhenModalShows<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(seam.messageBox(request), c.escapeAnswer);
    }

    // A box the user leaves open keeps the wait work (a check run's transfers) going.
    void runsTheWaitWorkWhileOpen() {
        QtUserSeam seam;
        int turns = 0;
        seam.setWaitWork([&] { ++turns; });
        WhenModalShows<QMessageBox>([&](QMessageBox* box) {
            QTRY_VERIFY_WITH_TIMEOUT(turns >= 3, 10000);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(seam.messageBox("Error!", "text", MsgIcon::Exclamation), MsgAnswer::OK);
        QVERIFY(turns >= 3);
    }

    // A box belongs to the window that asks and centres on it; every box stays above the
    // always-on-top drop box. A window that never takes the focus asks nothing.
    void aBoxIsOwnedByTheAskingWindowCentredOnItAndOnTop() {
        QtUserSeam seam;
        QWidget asker;
        asker.setGeometry(100, 100, 600, 400);
        QWidget dropBox(nullptr,
                        Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        dropBox.setAttribute(Qt::WA_ShowWithoutActivating);
        dropBox.setGeometry(350, 250, 100, 100);
        dropBox.show();
        for (const bool asking : {true, false}) {
            if (asking) {
                asker.show();
                asker.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&asker));
            } else {
                asker.hide();
            }
            QWidget* owner = nullptr;
            bool onTop = false;
            QPoint centre;
            WhenModalShows<QMessageBox>([&](QMessageBox* box) {
                owner = box->parentWidget();
                onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                centre = box->geometry().center();
                QTest::keyClick(box, Qt::Key_Return);
            });
            QCOMPARE(seam.messageBox("Error!", "text", MsgIcon::Exclamation), MsgAnswer::OK);
            QCOMPARE(owner, asking ? &asker : nullptr);
            QVERIFY(onTop);
            if (asking)
                QVERIFY((centre - asker.geometry().center()).manhattanLength() < 40);
        }
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(QtUserSeam)

#include "qt_user_seam_test.moc"
