// Saving respects the file system as the user meets it: a read-only deck or
// settings file is refused with the I/O error and nothing is lost. These cases
// run as an unprivileged user (as root, in a child that drops to nobody).
#include <QLineEdit>
#include <QtTest>
#include <memory>

#include <sys/stat.h>

#include "common/textfile.h"
#include "text/editoru.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "mainwindow/setup.h"
#include "support/testsupport.h"
#include "support/unprivileged.h"

class SafeSaveTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }

    void readOnlyFilesAreRefusedAndTheWindowStaysModified() {
        // The program directory is laid out from the checkout first, then
        // handed to the user the rest of the test runs as.
        const auto ws = testsupport::makeWorkspace(tmp_);
        if (::geteuid() == 0) coretest::giveToNobody(tmp_.path().toStdString());
        coretest::AsNobody nobody([] { return QTest::currentTestFailed(); });
        if (nobody.inParent()) QVERIFY2(nobody.status() == 0, "the run as nobody failed (its output is above)");
        if (nobody.inParent()) return;
        QVERIFY(::geteuid() != 0);
        ScriptedSeams seams;
        TPALUMAROFORM f;
        f.startUp();
        seams.alerts.shown.clear();

        const QString deck = ws.work + "/PUMP.DCK";
        testsupport::writeFile(deck, "SIMULATION 0 1 1\r\n");
        QFile::setPermissions(deck, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        auto* editor = new TEditForm;
        editor->Open(deck);
        f.addDocWindow(editor);
        editor->editor()->insertPlainText("* changed\n");
        QVERIFY(editor->isModified());
        f.Save1Click();
        QCOMPARE(seams.alerts.shown.size(), 1);
        QVERIFY2(seams.alerts.lastText().startsWith("I/O error 13"), qPrintable(seams.alerts.lastText()));
        QCOMPARE(seams.alerts.shown.back().kind, AlertKind::Error);
        QCOMPARE(testsupport::readFile(deck), QByteArray("SIMULATION 0 1 1\r\n"));
        QVERIFY(editor->isModified());
        QCOMPARE(QDir(ws.work).entryList(QDir::Files | QDir::Hidden), QStringList{"PUMP.DCK"});

        // Store on a read-only settings file: refused, the file as it was.
        const QString dft = ws.prog + "/PALUMARO.DFT";
        const QByteArray settings = testsupport::readFile(dft);
        QFile::setPermissions(dft, QFile::ReadOwner);
        seams.alerts.shown.clear();
        QVERIFY(f.setupDlg()->FormActivate());
        f.setupDlg()->findChild<QLineEdit*>("DOSCommand")->setText("make all");
        f.setupDlg()->StoreClick();
        QVERIFY(seams.alerts.lastText().startsWith("I/O error 13"));
        QCOMPARE(testsupport::readFile(dft), settings);
        for (TDocWindow* w : f.docWindows()) w->closeWithoutQuery();
    }
};

QTEST_MAIN(SafeSaveTest)
#include "test_safesave.moc"
