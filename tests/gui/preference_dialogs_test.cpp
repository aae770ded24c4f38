#include <memory>
#include <string>
#include <vector>

#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "gui/app_folders.h"
#include "gui/gui_tests.h"
#include "support/recording_hooks.h"
#include "support/recording_seam.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {

namespace {

// An application folder with `settings` as settings.cfg (none when empty), a login-entry folder
// of its own, and a context whose boxes the recording seam answers.
class World : public AppFolders {
public:
    explicit World(const QByteArray& settings = QByteArray()) : AppFolders(settings) {
        AppOptions start = options();
        start.executableName = "vellorin";
        context = std::make_unique<AppContext>(start, seam, clock);
        context->setHooks(&hooks);
    }
    QString loginEntry() const {
        return QDir(dataHome.path()).filePath("config/autostart/VellorinPlugIn.desktop");
    }

    RecordingSeam seam;
    RecordingHooks hooks;
    std::unique_ptr<AppContext> context;
};

QStringList LabelTexts(const QWidget& window) {
    QStringList out;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            out << label->text();
    }
    return out;
}

}  // namespace

class TestPreferenceDialogs : public QObject {
    Q_OBJECT

private slots:
    void preferencesShowEveryControlWithItsCaption() {
        World world;
        frmSettings dialog(*world.context);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences ..."));
        QCOMPARE(dialog.findChild<QComboBox*>("cmbFreq"), dialog.cmbFreq());
        QCOMPARE(dialog.findChild<QCheckBox*>("chkStartup"), dialog.chkStartup());
        QCOMPARE(dialog.findChild<QCheckBox*>("chkWebEngine"), dialog.chkWebEngine());
        QCOMPARE(dialog.findChild<QPushButton*>("btnSave"), dialog.btnSave());
        QCOMPARE(dialog.findChild<QPushButton*>("btnCancel"), dialog.btnCancel());
        QStringList items;
        for (int i = 0; i < dialog.cmbFreq()->count(); ++i)
            items << dialog.cmbFreq()->itemText(i);
        QCOMPARE(items, QStringList({"Every 15 minutes", "Every 30 minutes", "Every 60 minutes!"}));
        QCOMPARE(dialog.chkStartup()->text(),
                 QStringLiteral("Start Application on Windows Startup."));
        QCOMPARE(dialog.chkWebEngine()->text(),
                 QStringLiteral("Show messages with the full web engine (uses more memory)"));
        QCOMPARE(dialog.btnSave()->text(), QStringLiteral(" Save Settings!"));
        QCOMPARE(dialog.btnCancel()->text(), QStringLiteral("No Changes!"));
        const QStringList labels = LabelTexts(dialog);
        QVERIFY(labels.contains("Auto-Check New Message Schedule Frequency."));
        QVERIFY(labels.contains("Frequency:"));
        QVERIFY(
            labels.contains("If this option is selected, Application will be automatically "
                            "started with Windows OS Startup."));
        QCOMPARE(dialog.findChild<QLabel*>("lblFrequency")->buddy(), dialog.cmbFreq());
    }

    void preferencesOpenWithTheStoredValues_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("startup");
        QTest::addColumn<bool>("engine");
        QTest::newRow("no file") << QByteArray() << 0 << true << false;
        QTest::newRow("30 minutes, no login start, web engine")
            << QByteArray("[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=0\r\nwebengine=1\r\n") << 1
            << false << true;
        QTest::newRow("60 minutes") << QByteArray("[app]\r\nfreq=2\r\n") << 2 << true << false;
        QTest::newRow("blank values")
            << QByteArray("[app]\r\nfreq=  \r\nwinstartup= \r\nwebengine= \r\n") << 0 << true
            << false;
        // An index this version has no interval for is read as the default.
        QTest::newRow("index without an entry")
            << QByteArray("[app]\r\nfreq=7\r\n") << 0 << true << false;
    }
    void preferencesOpenWithTheStoredValues() {
        QFETCH(QByteArray, settings);
        QFETCH(int, index);
        QFETCH(bool, startup);
        QFETCH(bool, engine);
        World world(settings);
        frmSettings dialog(*world.context);
        QCOMPARE(dialog.cmbFreq()->currentIndex(), index);
        QCOMPARE(dialog.chkStartup()->isChecked(), startup);
        QCOMPARE(dialog.chkWebEngine()->isChecked(), engine);
        // Opening reads only.
        QCOMPARE(world.settings(), settings);
        QVERIFY(world.seam.boxes.empty());
    }

    // "No Changes!" keeps the stored values and writes nothing; "Save Settings!" stores the
    // chosen ones (the view choice too), rearms the schedule and writes the login entry.
    void savingThePreferencesStoresThemRearmsTheScheduleAndTheLoginEntry() {
        const QByteArray settings("[app]\r\nschedule=0\r\nfreq=0\r\nwinstartup=0\r\n");
        World world(settings);
        for (bool save : {false, true}) {
            frmSettings dialog(*world.context);
            dialog.show();
            dialog.cmbFreq()->setCurrentIndex(1);
            dialog.chkStartup()->setChecked(true);
            QVERIFY(!dialog.chkWebEngine()->isChecked());
            QTest::mouseClick(dialog.chkWebEngine(), Qt::LeftButton);
            QTest::mouseClick(save ? dialog.btnSave() : dialog.btnCancel(), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            if (save) {
                QCOMPARE(dialog.result(), int(QDialog::Accepted));
                continue;
            }
            QCOMPARE(world.settings(), settings);
            QCOMPARE(world.context->settings.freq, 0);
            QCOMPARE(world.context->settings.winstartup, 0);
            QCOMPARE(world.context->settings.webengine, 0);
            QVERIFY(!QFile::exists(world.loginEntry()));
            QVERIFY(world.seam.boxes.empty());
        }
        QCOMPARE(world.settings(),
                 QByteArray("[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\nwebengine=1\r\n"));
        QCOMPARE(world.context->settings.freq, 1);
        QCOMPARE(world.context->settings.webengine, 1);
        QCOMPARE(world.hooks.scheduleEnabled, 1);
        QCOMPARE(world.seam.captions(), std::vector<std::string>{"Done!"});
        QVERIFY(World::read(world.loginEntry()).contains("/vellorin\" -s"));

        // Cleared, the box removes the login entry again.
        frmSettings dialog(*world.context);
        QCOMPARE(dialog.cmbFreq()->currentIndex(), 1);
        QVERIFY(dialog.chkStartup()->isChecked());
        QVERIFY(dialog.chkWebEngine()->isChecked());
        dialog.chkStartup()->setChecked(false);
        dialog.chkWebEngine()->setChecked(false);
        QTest::mouseClick(dialog.btnSave(), Qt::LeftButton);
        QVERIFY(!QFile::exists(world.loginEntry()));
        QCOMPARE(world.settings(),
                 QByteArray("[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=0\r\nwebengine=0\r\n"));
        QCOMPARE(world.context->settings.webengine, 0);
        QCOMPARE(world.hooks.scheduleEnabled, 2);
    }

    void savingWithoutAFrequencyAsksForOne() {
        const QByteArray settings("[app]\r\nfreq=7\r\n");
        World world(settings);
        frmSettings dialog(*world.context);
        dialog.cmbFreq()->setCurrentIndex(-1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.btnSave()->setFocus();
        QTest::mouseClick(dialog.btnSave(), Qt::LeftButton);
        QCOMPARE(world.seam.captions(), std::vector<std::string>{"Schedule Frequency?"});
        QCOMPARE(world.seam.boxes.front().text,
                 std::string("Please select frequency to Check for New Messages."));
        QCOMPARE(world.seam.boxes.front().icon, MsgIcon::Information);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), dialog.cmbFreq());
        QCOMPARE(world.settings(), settings);
        QCOMPARE(world.hooks.scheduleEnabled, 0);
    }

    void plugInDialogShowsEveryControlWithItsCaption() {
        World world;
        frmRegPlugin dialog(*world.context);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Vellorin Plug-In Configuration ..."));
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>("chkPlugIn");
        QCOMPARE(boxes.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(boxes[i], dialog.chkPlugIn(i));
            QCOMPARE(boxes[i]->property("Index").toInt(), i);
        }
        QVERIFY(dialog.chkPlugIn(2) == nullptr);
        QCOMPARE(dialog.chkPlugIn(0)->text(), QStringLiteral("Make Firefox Plug-In Active."));
        QCOMPARE(dialog.chkPlugIn(1)->text(),
                 QStringLiteral("Make Internet Explorer Plug-In Active."));
        QCOMPARE(dialog.btnSave()->text(), QStringLiteral("Save Configuration"));
        QCOMPARE(dialog.btnCancel()->text(), QStringLiteral("Do not change Config!"));
        const QStringList labels = LabelTexts(dialog);
        QVERIFY(labels.contains(
            "If you select this Option then Firefox Browser Assistant Plug-In for Vellorin will be "
            "registered and activated. Application will keep you in touch with your Vellorin "
            "Inbox and will notify you whenever you've new Emails in your Vellorin Inbox while "
            "you're checking your Emails online!"));
        // The doubled ampersands of the note show as one.
        QVERIFY(labels.contains(
            "If you use Internet Explorer 5.5 (or higher) Browser to surf Internet then select "
            "this option to register & activate Internet Explorer Browser Assistant Plug-In for "
            "Vellorin! This Plug-In will automatically notify you if you've any new Emails in "
            "your Vellorin Inbox while you're checking your Emails online. It's safe & and "
            "easiest way to be in touch with Vellorin Inbox ... always!"));
        QVERIFY(!dialog.findChild<QLabel*>("imgHeader")->pixmap().isNull());
    }

    void plugInDialogLoadsAndSavesTheBrowsers() {
        const QByteArray settings("[app]\r\nfreq=1\r\n[plugin]\r\nff=1\r\nie=0\r\n");
        World world(settings);
        {
            frmRegPlugin dialog(*world.context);
            QVERIFY(dialog.chkPlugIn(0)->isChecked());
            QVERIFY(!dialog.chkPlugIn(1)->isChecked());
            // Opening registers the monitor for what is stored, without starting its timer.
            QCOMPARE(world.hooks.registrations, Strings{"1100"});
            dialog.show();
            dialog.chkPlugIn(0)->setChecked(false);
            dialog.chkPlugIn(1)->setChecked(true);
            QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(world.settings(), settings);
        QCOMPARE(world.hooks.registrations.size(), std::size_t{1});

        frmRegPlugin dialog(*world.context);
        dialog.show();
        dialog.chkPlugIn(0)->setChecked(false);
        dialog.chkPlugIn(1)->setChecked(true);
        QTest::mouseClick(dialog.btnSave(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(world.settings(), QByteArray("[app]\r\nfreq=1\r\n[plugin]\r\nff=0\r\nie=1\r\n"));
        QCOMPARE(world.hooks.registrations, (Strings{"1100", "1100", "1011"}));
        QVERIFY(world.seam.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(PreferenceDialogs)

#include "preference_dialogs_test.moc"
