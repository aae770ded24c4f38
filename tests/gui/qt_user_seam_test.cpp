#include "shell/ui/qt_user_seam.h"
#include "gui/gui_tests.h"

namespace vellorin::test {

class TestQtUserSeam : public QObject {
    Q_OBJECT

private slots:
    // Each kind of box with its icon and buttons; Enter presses the default button, Escape
    // answers like the box's escape button.
    void showsTheRequestedBox() {
        using QB = QMessageBox;
        const struct {
            MsgIcon icon;
            MsgButtons buttons;
            MsgDefault defaultButton;
            QB::Icon qtIcon;
            QB::StandardButtons qtButtons;
            MsgAnswer enter, escape;
        } cases[] = {{MsgIcon::Exclamation, MsgButtons::YesNo, MsgDefault::First, QB::Warning,
                      QB::Yes | QB::No, MsgAnswer::Yes, MsgAnswer::No},
                     {MsgIcon::Critical, MsgButtons::YesNoCancel, MsgDefault::Third, QB::Critical,
                      QB::Yes | QB::No | QB::Cancel, MsgAnswer::Cancel, MsgAnswer::Cancel},
                     // A default past the last button.
                     {MsgIcon::None, MsgButtons::OKCancel, MsgDefault::Third, QB::NoIcon,
                      QB::Ok | QB::Cancel, MsgAnswer::OK, MsgAnswer::Cancel}};
        QtUserSeam seam;
        for (const auto& c : cases) {
            const MessageBoxRequest request{"Some Caption?", "First line \r\n\r\nlast line", c.icon,
                                            c.buttons, c.defaultButton};
            QCOMPARE(DefaultAnswer(request), c.enter);
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
                bool inspected = false;
                WhenModalShows<QMessageBox>([&](QMessageBox* box) {
                    inspected = true;
                    QCOMPARE(box->windowTitle() + "|" + box->text(),
                             QStringLiteral("Some Caption?|First line \n\nlast line"));
                    QCOMPARE(box->icon(), c.qtIcon);
                    QCOMPARE(box->standardButtons(), c.qtButtons);
                    QTest::keyClick(box, key);
                });
                QCOMPARE(seam.messageBox(request), key == Qt::Key_Return ? c.enter : c.escape);
                QVERIFY(inspected);
            }
        }
    }

    // A box belongs to the window that asks and centres on it; every box stays above the
    // always-on-top drop box; a window that never takes the focus asks nothing; a box left open
    // keeps the wait work (a check run's transfers) going.
    void aBoxIsOwnedByTheAskingWindowOnTopAndKeepsTheWaitWork() {
        QtUserSeam seam;
        int turns = 0;
        seam.setWaitWork([&] { ++turns; });
        QWidget asker;
        asker.setGeometry(100, 100, 600, 400);
        QWidget dropBox(nullptr,
                        Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        dropBox.setAttribute(Qt::WA_ShowWithoutActivating);
        dropBox.setGeometry(350, 250, 100, 100);
        dropBox.show();
        for (const bool asking : {true, false}) {
            asker.setVisible(asking);
            if (asking) {
                asker.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&asker));
            }
            WhenModalShows<QMessageBox>([&](QMessageBox* box) {
                QCOMPARE(box->parentWidget(), asking ? &asker : nullptr);
                QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
                if (asking)
                    QVERIFY(
                        (box->geometry().center() - asker.geometry().center()).manhattanLength() <
                        40);
                QTRY_VERIFY_WITH_TIMEOUT(turns >= 3, 10000);
                QTest::keyClick(box, Qt::Key_Return);
            });
            QCOMPARE(seam.messageBox("Error!", "text", MsgIcon::Exclamation), MsgAnswer::OK);
            turns = 0;
        }
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(QtUserSeam)

#include "qt_user_seam_test.moc"
