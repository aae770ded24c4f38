#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <optional>

#include "app/ui/qt_user_seam.h"
#include "gui/gui_tests.h"

using vellorin::MessageBoxRequest;
using vellorin::MsgAnswer;
using vellorin::MsgButtons;
using vellorin::MsgDefault;
using vellorin::MsgIcon;

Q_DECLARE_METATYPE(MsgAnswer)
Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgDefault)
Q_DECLARE_METATYPE(MsgIcon)

namespace {

// Runs `inspect` on the modal box once it is up (from inside its event loop).
void WhenBoxShows(const std::function<void(QMessageBox*)>& inspect) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QMessageBox> guard(box);
        inspect(box);
        // A failed check returns early: close the box so the test fails instead of hanging.
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

}  // namespace

class TestQtUserSeam : public QObject {
    Q_OBJECT

private slots:
    void showsTheRequestedBox_data();
    void showsTheRequestedBox();
    void closingWithEscapeAnswersLikeTheEscapeButton_data();
    void closingWithEscapeAnswersLikeTheEscapeButton();
    void autoAnswerTakesOverOnlyWhenItAnswers();
};

void TestQtUserSeam::showsTheRequestedBox_data() {
    QTest::addColumn<MsgIcon>("icon");
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<MsgDefault>("defaultButton");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<int>("expectedButtons");
    QTest::addColumn<int>("expectedDefault");
    QTest::addColumn<MsgAnswer>("expectedDefaultAnswer");

    QTest::newRow("information, OK") << MsgIcon::Information << MsgButtons::OK << MsgDefault::First
                                     << int(QMessageBox::Information) << int(QMessageBox::Ok)
                                     << int(QMessageBox::Ok) << MsgAnswer::OK;
    QTest::newRow("exclamation is a warning")
        << MsgIcon::Exclamation << MsgButtons::OK << MsgDefault::First << int(QMessageBox::Warning)
        << int(QMessageBox::Ok) << int(QMessageBox::Ok) << MsgAnswer::OK;
    QTest::newRow("question, Yes default")
        << MsgIcon::Question << MsgButtons::YesNo << MsgDefault::First << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes) << MsgAnswer::Yes;
    QTest::newRow("question, No default")
        << MsgIcon::Question << MsgButtons::YesNo << MsgDefault::Second
        << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No)
        << int(QMessageBox::No) << MsgAnswer::No;
    QTest::newRow("critical, OK Cancel, Cancel default")
        << MsgIcon::Critical << MsgButtons::OKCancel << MsgDefault::Second
        << int(QMessageBox::Critical) << int(QMessageBox::Ok | QMessageBox::Cancel)
        << int(QMessageBox::Cancel) << MsgAnswer::Cancel;
    QTest::newRow("no icon, Yes No Cancel, third default")
        << MsgIcon::None << MsgButtons::YesNoCancel << MsgDefault::Third << int(QMessageBox::NoIcon)
        << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) << int(QMessageBox::Cancel)
        << MsgAnswer::Cancel;
    QTest::newRow("default past the last button falls back to the first")
        << MsgIcon::None << MsgButtons::OKCancel << MsgDefault::Third << int(QMessageBox::NoIcon)
        << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok) << MsgAnswer::OK;
}

void TestQtUserSeam::showsTheRequestedBox() {
    QFETCH(MsgIcon, icon);
    QFETCH(MsgButtons, buttons);
    QFETCH(MsgDefault, defaultButton);
    QFETCH(int, expectedIcon);
    QFETCH(int, expectedButtons);
    QFETCH(int, expectedDefault);
    QFETCH(MsgAnswer, expectedDefaultAnswer);

    MessageBoxRequest request{"Some Caption?", "First line \r\n\r\nlast line", icon, buttons,
                              defaultButton};
    QCOMPARE(vellorin::DefaultAnswer(request), expectedDefaultAnswer);

    bool inspected = false;
    WhenBoxShows([&](QMessageBox* box) {
        inspected = true;
        QCOMPARE(box->windowTitle(), QStringLiteral("Some Caption?"));
        QCOMPARE(box->text(), QStringLiteral("First line \n\nlast line"));
        QCOMPARE(int(box->icon()), expectedIcon);
        QCOMPARE(int(box->standardButtons()), expectedButtons);
        QVERIFY(box->defaultButton() != nullptr);
        QCOMPARE(int(box->standardButton(box->defaultButton())), expectedDefault);
        // Enter presses the default button.
        QTest::keyClick(box, Qt::Key_Return);
    });
    vellorin::QtUserSeam seam;
    MsgAnswer answer = seam.messageBox(request);
    QVERIFY(inspected);
    QCOMPARE(answer, expectedDefaultAnswer);
}

void TestQtUserSeam::closingWithEscapeAnswersLikeTheEscapeButton_data() {
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<MsgAnswer>("expected");
    QTest::newRow("OK") << MsgButtons::OK << MsgAnswer::OK;
    QTest::newRow("OK Cancel") << MsgButtons::OKCancel << MsgAnswer::Cancel;
    QTest::newRow("Yes No") << MsgButtons::YesNo << MsgAnswer::No;
    QTest::newRow("Yes No Cancel") << MsgButtons::YesNoCancel << MsgAnswer::Cancel;
}

void TestQtUserSeam::closingWithEscapeAnswersLikeTheEscapeButton() {
    QFETCH(MsgButtons, buttons);
    QFETCH(MsgAnswer, expected);
    WhenBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    vellorin::QtUserSeam seam;
    QCOMPARE(seam.messageBox("Caption", "Text", MsgIcon::Question, buttons), expected);
}

void TestQtUserSeam::autoAnswerTakesOverOnlyWhenItAnswers() {
    vellorin::QtUserSeam seam;
    int asked = 0;
    std::optional<MsgAnswer> scripted = MsgAnswer::No;
    seam.setAutoAnswer([&](const MessageBoxRequest& request) {
        ++asked;
        [&] { QCOMPARE(request.caption, std::string("Close?")); }();
        return scripted;
    });

    // An answer from the hook: no box at all.
    bool boxSeen = false;
    WhenBoxShows([&](QMessageBox* box) {
        boxSeen = true;
        box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(seam.messageBox("Close?", "Sure?", MsgIcon::Question, MsgButtons::YesNo),
             MsgAnswer::No);
    QVERIFY(!boxSeen);

    // No answer from the hook: the real box appears and the user's choice counts.
    scripted = std::nullopt;
    QCOMPARE(seam.messageBox("Close?", "Sure?", MsgIcon::Question, MsgButtons::YesNo),
             MsgAnswer::Yes);
    QVERIFY(boxSeen);
    QCOMPARE(asked, 2);
}

int RunQtUserSeamTests(int argc, char** argv) {
    TestQtUserSeam test;
    return QTest::qExec(&test, argc, argv);
}

#include "qt_user_seam_test.moc"
