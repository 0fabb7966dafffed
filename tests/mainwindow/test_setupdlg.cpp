// The setup dialog: filling from the settings and the switches file, OK, Cancel
// and Store, and the missing switches file.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QtTest>
#include <memory>

#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "mainwindow/setup.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

class SetupDlgTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT

    template <class T>
    static T* find(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() { startProgramDir(); }
    void cleanup() { endProgramDir(); }

    void pagesAndTabs() {
        TSetupDlg d;
        QCOMPARE(d.windowTitle(), QStringLiteral("PALUMARO Setup"));
        QCOMPARE(d.tabSet()->count(), 4);
        QStringList tabs;
        for (int i = 0; i < 4; ++i) tabs << d.tabSet()->tabText(i);
        QCOMPARE(tabs, (QStringList{"Config", "QUIVET", "Compile", "Directories"}));
        d.tabSet()->setCurrentIndex(3);
        QCOMPARE(d.pages()->currentWidget()->objectName(), QStringLiteral("Directories"));
        QCOMPARE(find<QCheckBox>(&d, "CheckInputOutput")->text(), QStringLiteral("Check Input-Output Connections"));
        QVERIFY(find<QRadioButton>(&d, "B16")->isChecked());
    }

    void formActivateFillsFromSettingsAndSwitches() {
        testsupport::writeFile(dir_ + "/CNFGKV.KVN", "t\r\ny\r\nN\r\nY\r\nn\r\nY\r\nN\r\nY\r\n");
        auto& s = pal::app().settings;
        s.unitSystem = 2;
        s.includeHeader = 0;
        s.kalvexDir = "/opt/kalvex";
        s.compileCommand = "gfortran -c";
        pal::app().velmora = true;
        TSetupDlg d;
        QVERIFY(d.FormActivate());
        pal::app().velmora = false;
        QVERIFY(find<QRadioButton>(&d, "English")->isChecked());
        QVERIFY(!find<QCheckBox>(&d, "Header")->isChecked());
        QCOMPARE(find<QLineEdit>(&d, "KALVEX")->text(), QStringLiteral("/opt/kalvex"));
        QCOMPARE(find<QLineEdit>(&d, "Compile")->text(), QStringLiteral("gfortran -c"));
        QCOMPARE(find<QLabel>(&d, "MordaxLabel")->text(), QStringLiteral("VELMORA"));
        QVERIFY(find<QCheckBox>(&d, "SimStatus")->isChecked());
        QVERIFY(!find<QCheckBox>(&d, "WriteHeader")->isChecked());
        QVERIFY(!find<QCheckBox>(&d, "WriteUnits")->isChecked());
        QVERIFY(find<QCheckBox>(&d, "PrintWarnings")->isChecked());
    }

    void okAndCancelBothApplyAndRewriteTheSwitches() {
        const QByteArray before = "KALVEX configuration\r\ny one\r\nY\r\nY\r\nY\r\nY\r\nY\r\nY\r\nninth\r\n";
        testsupport::writeFile(dir_ + "/CNFGKV.KVN", before);
        TSetupDlg d;
        QVERIFY(d.FormActivate());
        find<QCheckBox>(&d, "WriteLabels")->setChecked(false);
        find<QLineEdit>(&d, "GASK")->setText("/opt/gask/");
        find<QRadioButton>(&d, "English")->setChecked(true);
        QTest::mouseClick(d.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
        QCOMPARE(pal::app().settings.gaskDir, std::string("/opt/gask/"));
        QCOMPARE(pal::app().settings.unitSystem, 2);
        QCOMPARE(testsupport::readFile(dir_ + "/CNFGKV.KVN"),
                 QByteArray("KALVEX configuration\r\nY one\r\nY\r\nN\r\nY\r\nY\r\nY\r\nY\r\n"));
        QCOMPARE(testsupport::readFile(dir_ + "/CNFGKV.BAK"), before);
        // Only Store makes the settings survive: the file still holds the defaults.
        QCOMPARE(pal::readDFTFile((dir_ + "/PALUMARO.DFT").toStdString()).unitSystem, 1);
        // Esc is Cancel: the change is applied too.
        find<QLineEdit>(&d, "GASK")->setText("/opt/esc/");
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(pal::app().settings.gaskDir, std::string("/opt/esc/"));
    }

    void storeWritesTheWholeSettingsFile() {
        TSetupDlg d;
        QVERIFY(d.FormActivate());
        pal::app().settings.zobrelDir = "/picked/by/chooser";  // changed in memory meanwhile
        QVERIFY(d.FormActivate());                               // the dialog reloads its edits
        find<QCheckBox>(&d, "Simulationcard")->setChecked(false);
        find<QRadioButton>(&d, "B32")->setChecked(true);
        d.StoreClick();
        QFile f(dir_ + "/PALUMARO.DFT");
        QCOMPARE(f.size(), 4116);
        const pal::Settings back = pal::readDFTFile((dir_ + "/PALUMARO.DFT").toStdString());
        QCOMPARE(back.zobrelDir, std::string("/picked/by/chooser"));
        QCOMPARE(back.includeSimCard, 0);
        QCOMPARE(int(back.version32), 1);
        const QByteArray img = testsupport::readFile(dir_ + "/PALUMARO.DFT");
        for (int slot = 0; slot < 6; ++slot) QCOMPARE(int(img[788 + slot * 256]), 0);
        QCOMPARE(int(img[3860]), 0);
    }

    void settingTextsKeepTheirBytesThroughOkCancelAndStore() {
        auto& s = pal::app().settings;
        s.kalvexDir = "C:\\B\xFCro";                  // Latin-1, not UTF-8
        s.userCommand = "tool \xE9t\xE9 /x";
        s.ulmDir = "/opt/\xFF";
        TSetupDlg d;
        QVERIFY(d.FormActivate());
        QTest::mouseClick(d.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        QCOMPARE(s.kalvexDir, std::string("C:\\B\xFCro"));
        QVERIFY(d.FormActivate());
        QTest::mouseClick(d.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
        QCOMPARE(s.userCommand, std::string("tool \xE9t\xE9 /x"));
        QVERIFY(d.FormActivate());
        find<QLineEdit>(&d, "GASK")->setText("/opt/g\u00E4sk");  // a field the user changed takes the text
        d.StoreClick();
        const pal::Settings back = pal::readDFTFile((dir_ + "/PALUMARO.DFT").toStdString());
        QCOMPARE(back.kalvexDir, std::string("C:\\B\xFCro"));
        QCOMPARE(back.userCommand, std::string("tool \xE9t\xE9 /x"));
        QCOMPARE(back.ulmDir, std::string("/opt/\xFF"));
        QCOMPARE(back.gaskDir, std::string("/opt/g\xC3\xA4sk"));
    }

    void browseButtonsFillDirectoriesAndPrograms() {
        pal::app().settings.compileCommand = "\\F32\\BIN\\FL32.EXE /c";
        TSetupDlg d;
        QVERIFY(d.FormActivate());
        const char* fields[] = {"KALVEX", "MORDAXX", "TEKLOR", "ULM", "GASK", "ZOBREL", "Compile", "Build", "DOSCommand"};
        for (const char* f : fields) QVERIFY2(d.findChild<QPushButton*>(QString(f) + "Browse"), f);

        seams_->dialogs.directoryAnswers = {QString("/home/first.last/kalvex 14")};
        QTest::mouseClick(d.findChild<QPushButton*>("KALVEXBrowse"), Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(&d, "KALVEX")->text(), QString("/home/first.last/kalvex 14"));
        QCOMPARE(seams_->dialogs.directoryRequests, 1);
        QTest::mouseClick(d.findChild<QPushButton*>("ZOBRELBrowse"), Qt::LeftButton);  // cancelled
        QCOMPARE(find<QLineEdit>(&d, "ZOBREL")->text(), QString());

        // A program replaces the command's first word; its arguments stay.
        seams_->dialogs.fileAnswers = {FileDialogResult{"/usr/bin/my fortran", 1}};
        QTest::mouseClick(d.findChild<QPushButton*>("CompileBrowse"), Qt::LeftButton);
        QCOMPARE(seams_->dialogs.fileRequests.back().fileName, QString("\\F32\\BIN\\FL32.EXE"));
        QCOMPARE(find<QLineEdit>(&d, "Compile")->text(), QString("'/usr/bin/my fortran' /c"));
        QTest::mouseClick(d.findChild<QPushButton*>("BuildBrowse"), Qt::LeftButton);  // cancelled
        d.OKBtnClick();
        QCOMPARE(pal::app().settings.kalvexDir, std::string("/home/first.last/kalvex 14"));
        QCOMPARE(pal::app().settings.compileCommand, std::string("'/usr/bin/my fortran' /c"));
    }

    void okConvertsOpenQuivetFormsEvenWithoutAChange() {
        TPALUMAROFORM f;
        f.startUp();
        auto* form = new FakeDocWindow(Kind::QuivetForm, "/w/A.QVD");
        f.addDocWindow(form);
        QVERIFY(f.setupDlg()->FormActivate());
        f.setupDlg()->OKBtnClick();
        QCOMPARE(form->conversions, (QList<QPair<int, int>>{{1, 1}}));
    }

    void missingSwitchesFileNeitherOpensTheDialogNorEndsTheProgram() {
        TPALUMAROFORM f;
        f.startUp();
        QFile::remove(dir_ + "/CNFGKV.KVN");
        seams_->dialogs.dialogsShown.clear();
        f.Setup1Click();
        QCOMPARE(seams_->alerts.lastText(), QStringLiteral("Please put the CNFGKV.KVN file in the PALUMARO directory"));
        QCOMPARE(seams_->alerts.shown.back().kind, AlertKind::Information);
        QVERIFY(seams_->alerts.shown.back().beep);
        QVERIFY(!seams_->dialogs.dialogsShown.contains("SetupDlg"));
        QVERIFY(!f.startFailed());
    }

    void setupMenuShowsTheDialogModally() {
        TPALUMAROFORM f;
        f.startUp();
        seams_->dialogs.onDialog = [](QDialog& d) {
            if (auto* s = qobject_cast<TSetupDlg*>(&d)) {
                s->findChild<QLineEdit*>("DOSCommand")->setText("make all");
                s->OKBtnClick();
            }
            return int(QDialog::Accepted);
        };
        f.Setup1Click();
        QVERIFY(seams_->dialogs.dialogsShown.contains("SetupDlg"));
        QCOMPARE(pal::app().settings.userCommand, std::string("make all"));
    }
};

QTEST_MAIN(SetupDlgTest)
#include "test_setupdlg.moc"
