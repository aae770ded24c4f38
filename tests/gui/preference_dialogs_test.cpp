#include <memory>
#include <string>
#include <vector>

#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "gui/app_folders.h"
#include "support/recording_hooks.h"
#include "support/recording_seam.h"

namespace vellorin::test {
namespace {

using Strings = std::vector<std::string>;

// An application folder with `settings` as settings.cfg (none when empty), a login-entry folder
// of its own, and a context whose boxes the recording seam answers.
struct World : AppFolders {
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

}  // namespace

class TestPreferenceDialogs : public QObject {
    Q_OBJECT

private slots:
    // "No Changes!" writes nothing; "Save Settings!" stores the choices, rearms the schedule and
    // writes the login entry, which a cleared box removes; no frequency: the question.
    void savingThePreferences() {
        const QByteArray settings("[app]\r\nschedule=0\r\nfreq=0\r\nwinstartup=0\r\n");
        World world(settings);
        for (const int step : {0, 1, 2, 3}) {
            frmSettings dialog(*world.context);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            if (step == 0)  // opened with the stored values
                QVERIFY(dialog.cmbFreq()->currentIndex() == 0 && !dialog.chkStartup()->isChecked());
            dialog.cmbFreq()->setCurrentIndex(step == 3 ? -1 : 1);
            dialog.chkStartup()->setChecked(step != 2);
            dialog.chkWebEngine()->setChecked(step != 2);
            QTest::mouseClick(step == 0 ? dialog.btnCancel() : dialog.btnSave(), Qt::LeftButton);
            QCOMPARE(dialog.isVisible(), step == 3);
            if (step == 0)
                QCOMPARE(world.settings(), settings);
            if (step == 1)
                QVERIFY(World::read(world.loginEntry()).contains("/vellorin\" -s"));
            if (step == 3)
                QCOMPARE(QApplication::focusWidget(), dialog.cmbFreq());
        }
        QVERIFY(!QFile::exists(world.loginEntry()));
        QCOMPARE(world.settings(),
                 QByteArray("[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=0\r\nwebengine=0\r\n"));
        QCOMPARE(world.hooks.scheduleEnabled, 2);
        QCOMPARE(world.seam.captions(), (Strings{"Done!", "Done!", "Schedule Frequency?"}));
    }

    // Opening registers the monitor for what is stored, without its timer; a save applies the
    // browsers chosen.
    void plugInDialogLoadsAndSavesTheBrowsers() {
        World world("[app]\r\nfreq=1\r\n[plugin]\r\nff=1\r\nie=0\r\n");
        for (const bool save : {false, true}) {
            frmRegPlugin dialog(*world.context);
            QVERIFY(dialog.chkPlugIn(0)->isChecked() && !dialog.chkPlugIn(1)->isChecked());
            dialog.show();
            dialog.chkPlugIn(0)->setChecked(false);
            dialog.chkPlugIn(1)->setChecked(true);
            QTest::mouseClick(save ? dialog.btnSave() : dialog.btnCancel(), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(world.settings(), QByteArray("[app]\r\nfreq=1\r\n[plugin]\r\nff=0\r\nie=1\r\n"));
        QCOMPARE(world.hooks.registrations, (Strings{"1100", "1100", "1011"}));
        QVERIFY(world.seam.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(PreferenceDialogs)

#include "preference_dialogs_test.moc"
