#include <cmath>
#include <utility>
#include <vector>

#include "base/trans_form.h"
#include "base/ui/layered_window.h"
#include "gui/gui_tests.h"
#include "notify/ui/frm_no_source_notify.h"
#include "notify/ui/frm_notification.h"
#include "notify/ui/notification_sound.h"

namespace vellorin::test {

namespace {

QString AppFolder() {
    return QStringLiteral(VELLORIN_RESOURCES_DIR);
}

// The popup as the browser plug-in opens it.
void Prepare(NotificationPopup& popup, bool autoClose = false, int timeToLive = 0) {
    popup.setAutoClose(autoClose);
    popup.setTimeToLive(timeToLive);
    popup.setTransparencyPercentage(5);
    popup.setMakeTransparent(true);
    popup.setCanGainFocus(false);
}

// Opens `popup` and ticks its animation by hand until the opening ends; gives the ticks that
// grew it.
int OpenFully(NotificationPopup& popup) {
    popup.Open();
    popup.tmrAnimate()->stop();
    int grown = 0;
    for (int previous = -1; popup.HeightTwips() != previous; ++grown) {
        previous = popup.HeightTwips();
        popup.tmrAnimate_Timer();
    }
    return grown - 1;
}

// Ticks a closing popup until it unloads; gives whether it did.
bool CloseFully(QPointer<NotificationPopup> popup) {
    for (int i = 0; i < 100 && popup; ++i) {
        popup->tmrAnimate()->stop();
        popup->tmrAnimate_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return popup.isNull();
}

}  // namespace

// The two popups of the browser plug-in: texts, the slide out of the work area's corner, the
// buttons, the focus left where it was.
class TestNotificationPopups : public QObject {
    Q_OBJECT

private slots:
    // Both popups: the two headers, the info text, "Close Window" and their buttons with the
    // quick info; the add-source popup lacks the other's buttons.
    void eachPopupHasItsTexts() {
        frmNotification unread(AppFolder());
        frmNoSourceNotify addSource(AppFolder());
        const struct {
            NotificationPopup* popup;
            QString info;
            std::vector<std::pair<const char*, const char*>> buttons;
        } popups[] = {
            {&unread,
             "There are some Unread Messages in your Vellorin Inbox. What you would like Vellorin "
             "application to do?",
             {{"btnRead", " Read Now!"},
              {"btnSleep", "Sleep!"},
              {"btnSnooze", "Snooze!"},
              {"btnCheckNew", "Check Messages Now!"},
              {"btnClose", "Hide"}}},
            {&addSource,
             "Don't Forget to add your Vellorin subscriptions here!!!",
             {{"btnAdd", "Add New Source"},
              {"btnManager", "Subscription Manager"},
              {"btnClose", "I'll Add Later"}}},
        };
        for (const auto& [popup, info, buttons] : popups) {
            const QList<QLabel*> headers = popup->findChildren<QLabel*>("lblHeader");
            QCOMPARE(headers.size(), 2);
            for (QLabel* header : headers)
                QCOMPARE(header->text(), QStringLiteral("Vellorin Browser Plug-In"));
            QCOMPARE(popup->lblInfo()->text(), info);
            QCOMPARE(popup->lblClose()->text(), QStringLiteral("Close Window"));
            QStringList found;
            for (const QPushButton* button : popup->findChildren<QPushButton*>()) {
                found << button->objectName() + "/" + button->text();
                QVERIFY(button->toolTip().startsWith(QStringLiteral("<b>Quick Info!</b>")));
            }
            QStringList expected;
            for (const auto& [name, caption] : buttons)
                expected << QString(name) + "/" + caption;
            found.sort();
            expected.sort();
            QCOMPARE(found, expected);
        }
        QVERIFY(unread.findChild<QLabel*>(QStringLiteral("imgWeatherIcon")));
        QVERIFY(unread.findChild<QLabel*>(QStringLiteral("picSide")));
        QCOMPARE(unread.findChild<QTimer*>(QStringLiteral("tmrAnimate"))->interval(), 10);
        QCOMPARE(unread.findChild<QTimer*>(QStringLiteral("tmrWait"))->interval(), 4000);
    }

    void slidesUpFromTheWorkAreasCornerWithoutTakingTheFocus() {
        // The user's window, active.
        QWidget browser;
        browser.setWindowTitle(QStringLiteral("browser"));
        browser.show();
        browser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&browser));

        QPointer<frmNotification> popup = new frmNotification(AppFolder());
        Prepare(*popup);
        popup->Open();
        QVERIFY(popup->isVisible());
        QVERIFY(popup->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(popup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(popup->tmrAnimate()->isActive());
        QCOMPARE(popup->HeightTwips(), 0);
        QVERIFY(popup->lblClose()->isVisibleTo(popup));
        if (IsLayeringSupported())
            QCOMPARE(std::lround(popup->windowOpacity() * 255), 242L);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &browser);

        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(popup->WorkArea().width, work.width());
        popup->tmrAnimate()->stop();
        int ticks = 0;
        int lastTop = popup->y() + 1;
        while (popup->HeightTwips() < popup->FullHeight()) {
            popup->tmrAnimate_Timer();
            ++ticks;
            // Rising: the bottom stays on the work area's bottom edge, the top goes up.
            QVERIFY(popup->y() < lastTop);
            lastTop = popup->y();
            QCOMPARE(popup->geometry().bottom() + 1, work.bottom() + 1);
        }
        const int tpp = 1440 / popup->logicalDpiY();
        QCOMPARE(ticks, (popup->FullHeight() + 99) / 100);
        if (popup->FullHeight() == frmNotification::kDesignHeight && tpp == 15) {
            QCOMPARE(ticks, 23);
            QCOMPARE(popup->HeightTwips(), 2300);
        }
        // 75 twips from the right edge.
        QCOMPARE(popup->geometry().right() + 1, work.right() + 1 - std::lround(75.0 / tpp));
        popup->tmrAnimate_Timer();
        QVERIFY(!popup->tmrAnimate()->isActive());
        QVERIFY(!popup->tmrWait()->isActive());  // AutoClose false: it stays

        // Activated all the same (a click on it): the user's window gets the focus back.
        QWindow* handle = popup->windowHandle();
        QVERIFY(handle);
        handle->requestActivate();
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &browser);

        // Opening it again changes nothing.
        const QRect before = popup->geometry();
        popup->Open();
        QCOMPARE(popup->geometry(), before);
        QVERIFY(!popup->tmrAnimate()->isActive());
        delete popup.data();
    }

    void closesByItselfAfterItsTimeToLive() {
        QPointer<frmNotification> popup = new frmNotification(AppFolder());
        Prepare(*popup, true, 3000);
        OpenFully(*popup);
        QVERIFY(!popup->lblClose()->isVisibleTo(popup));
        QVERIFY(popup->tmrWait()->isActive());
        QCOMPARE(popup->tmrWait()->interval(), 3000);
        popup->tmrWait_Timer();
        QVERIFY(!popup->tmrWait()->isActive());
        QVERIFY(popup->tmrAnimate()->isActive());
        const int full = popup->HeightTwips();
        popup->tmrAnimate_Timer();
        QCOMPARE(popup->HeightTwips(), full - 100);
        QVERIFY(CloseFully(popup.data()));
    }

    void theButtonsChooseTheSnoozeModeAndTheTrayCommandThenClose() {
        // Button, snooze mode reported, tray command asked for (empty: none).
        const std::tuple<const char*, int, const char*> cases[] = {
            {"btnRead", 0, "show"}, {"btnCheckNew", 0, "checkmsg"},
            {"btnSnooze", 1, ""},   {"btnSleep", 2, ""},
            {"btnClose", 0, ""},
        };
        for (const auto& [name, mode, command] : cases) {
            QPointer<frmNotification> popup = new frmNotification(AppFolder());
            Prepare(*popup);
            OpenFully(*popup);
            QSignalSpy modes(popup.data(), &frmNotification::snoozeModeChosen);
            QSignalSpy commands(popup.data(), &frmNotification::trayCommand);
            QTest::mouseClick(popup->findChild<QPushButton*>(QString::fromLatin1(name)),
                              Qt::LeftButton);
            QCOMPARE(modes.size(), 1);
            QCOMPARE(modes.front().front().toInt(), mode);
            QCOMPARE(commands.size(), *command ? 1 : 0);
            if (*command) {
                QCOMPARE(commands.front().at(0).toInt(), 0);
                QCOMPARE(commands.front().at(1).toString(), QString::fromLatin1(command));
            }
            QVERIFY2(popup->tmrAnimate()->isActive(), name);  // closing
            QVERIFY2(CloseFully(popup.data()), name);
        }
    }

    void closeWindowUnloadsAtOnceAndTheTwinsButtonsAskForTheirWindows() {
        QPointer<frmNotification> popup = new frmNotification(AppFolder());
        Prepare(*popup);
        QSignalSpy modes(popup.data(), &frmNotification::snoozeModeChosen);
        popup->Open();
        QTest::mouseClick(popup->lblClose(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(popup.isNull());
        QCOMPARE(modes.size(), 0);

        for (const char* name : {"btnAdd", "btnManager", "btnClose"}) {
            QPointer<frmNoSourceNotify> twin = new frmNoSourceNotify(AppFolder());
            Prepare(*twin);
            OpenFully(*twin);
            QSignalSpy add(twin.data(), &frmNoSourceNotify::addSourceRequested);
            QSignalSpy manager(twin.data(), &frmNoSourceNotify::managerRequested);
            QTest::mouseClick(twin->findChild<QPushButton*>(QString::fromLatin1(name)),
                              Qt::LeftButton);
            QCOMPARE(add.size(), QByteArray(name) == "btnAdd" ? 1 : 0);
            QCOMPARE(manager.size(), QByteArray(name) == "btnManager" ? 1 : 0);
            QVERIFY2(CloseFully(twin.data()), name);
        }
    }

    void aSoundPlaysOnlyFromAnExistingFile() {
        QTemporaryDir dir;
        const QString hidden = dir.filePath(QStringLiteral(".chime.wav"));
        QFile file(hidden);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
        file.close();
        file.setPermissions(QFile::ReadOwner);
        QVERIFY(PlayNotificationSound(hidden));
        QVERIFY(!PlayNotificationSound(dir.filePath(QStringLiteral("missing.wav"))));
        QVERIFY(!PlayNotificationSound(QString()));
        QVERIFY(!PlayNotificationSound(dir.path()));

        QPointer<frmNotification> popup = new frmNotification(AppFolder());
        Prepare(*popup);
        popup->setPlaySound(true);
        popup->setSoundFilePath(dir.filePath(QStringLiteral("missing.wav")));
        popup->Open();
        QVERIFY(!popup->SoundPlayed());
        delete popup.data();
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(NotificationPopups)

#include "notification_popups_test.moc"
