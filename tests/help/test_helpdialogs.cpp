// The help windows: topic help of a form field, the index dialog opening its
// entries, and the help text of an entry.
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "help/addhelp.h"
#include "help/helpcommands.h"
#include "help/helptext.h"
#include "help/helpu.h"
#include "help/indexu.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

class HelpDialogsTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() { startProgramDir(); }
    void cleanup() { endProgramDir(); }

    void fieldHelpShowsItsTopicUnderTheFieldLabel() {
        testsupport::writeFile(dir_ + "/PUMP.HLP", ".TOPIC=3\r\nFlow of the\r\npump.\r\n.topic=4\r\nOther\r\n");
        THelpDlg d;
        d.topic = 3;
        d.filePath = dir_ + "/PUMP.QVD";
        d.fieldLabel = "Pump flow";
        d.FormActivate();
        QCOMPARE(d.windowTitle(), QStringLiteral("Pump flow"));
        QCOMPARE(d.text(), QStringLiteral("Flow of the pump."));
        d.topic = 9;
        d.filePath = dir_ + "/PUMP.QVD";
        d.FormActivate();
        QCOMPARE(d.text(), QStringLiteral("Help is not available for this topic"));
        d.topic = 0;
        d.FormActivate();
        QCOMPARE(d.text(), QStringLiteral("Help is not available for this entry."));
        // A short topic file is read like any other.
        testsupport::writeFile(dir_ + "/S.HLP", ".TOPIC=1\r\nok\r\n");
        d.topic = 1;
        d.filePath = dir_ + "/S.QVD";
        d.FormActivate();
        QCOMPARE(d.text(), QStringLiteral("ok"));
        d.filePath = dir_ + "/NONE.QVD";
        d.FormActivate();
        QCOMPARE(d.text(), "File " + dir_ + "/NONE.HLP was not found.");
    }

    // A topic file is read whole only up to a bound; a larger one (a sparse file
    // here, so the test needs no disk) is refused before anything is read.
    void fieldHelpReadsTopicFilesUpToABound_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("shown");
        QTest::newRow("at the bound") << qint64(pal::kMaxTopicFile) << true;
        QTest::newRow("64 MiB") << (qint64(64) << 20) << false;
    }
    void fieldHelpReadsTopicFilesUpToABound() {
        QFETCH(qint64, size);
        QFETCH(bool, shown);
        const QString hlp = dir_ + "/BIG.HLP";
        testsupport::writeFile(hlp, ".TOPIC=1\r\nok\r\n.TOPIC=2\r\n");
        QVERIFY(QFile::resize(hlp, size));
        THelpDlg d;
        d.topic = 1;
        d.filePath = dir_ + "/BIG.QVD";
        d.FormActivate();
        if (shown)
            QCOMPARE(d.text(), QStringLiteral("ok"));
        else
            QCOMPARE(d.text(), QStringLiteral("The help file %1 is too large to read (%2 bytes; at most %3).")
                                   .arg(hlp)
                                   .arg(size)
                                   .arg(pal::kMaxTopicFile));
    }

    void theSampleFormHasHelpForEveryField() {
        const QString qvd = testsupport::copySample("PUMP.QVD", dir_);
        testsupport::copySample("PUMP.HLP", dir_);
        // The help numbers the form's fields name: the last item of a field's descriptor.
        QList<int> numbers;
        for (const QByteArray& line : testsupport::readFile(qvd).split('\n')) {
            if (!line.startsWith("*|") || line.startsWith("*|*") || line.startsWith("*|<PICTURE>")) continue;
            const int n = line.trimmed().split('|').back().trimmed().toInt();
            if (n > 0) numbers << n;
        }
        QVERIFY(numbers.size() >= 8);
        THelpDlg d;
        for (int n : numbers) {
            d.topic = n;
            d.filePath = qvd;
            d.FormActivate();
            QVERIFY2(d.text().size() > 40 && !d.text().startsWith(QStringLiteral("Help is not available")),
                     qPrintable(QStringLiteral("topic %1: %2").arg(n).arg(d.text())));
            QVERIFY2(!d.text().contains(QStringLiteral(".TOPIC"), Qt::CaseInsensitive), qPrintable(d.text()));
        }
    }

    void indexDialogOpensTheChosenEntry() {
        TPALUMAROFORM f;
        f.startUp();
        QDir().mkpath(dir_ + "/decks");
        testsupport::writeFile(dir_ + "/decks/PUMP.DCK", "* pump\r\n");
        testsupport::writeFile(dir_ + "/decks/PUMP.TXT", "About the pump.\r\n");
        testsupport::writeFile(dir_ + "/decks/PUMP.BMP", QByteArray());
        testsupport::writeFile(dir_ + "/SAMPLES.IDX",
                               "Samples\r\nof the engine\r\n\r\nPump\r\ndecks\\PUMP.DCK,decks\\PUMP.BMP,decks\\PUMP.TXT\r\n"
                               "Gone\r\nGONE.DCK\r\n");
        seams_->dialogs.onDialog = [this](QDialog& dlg) {
            auto* idx = qobject_cast<TIndexDlg*>(&dlg);
            if (!idx) return int(QDialog::Rejected);
            [&] {
                QCOMPARE(idx->titleLine(0), QStringLiteral("Samples"));
                QCOMPARE(idx->list()->count(), 2);
                // Shown and focused, the list chooses nothing by itself.
                idx->show();
                idx->activateWindow();
                idx->list()->setFocus();
                QTRY_VERIFY(idx->list()->hasFocus());
                QVERIFY(!idx->okButton()->isEnabled());
                QVERIFY(idx->list()->selectedItems().isEmpty());
                // The keyboard chooses like a click.
                QTest::keyClick(idx->list(), Qt::Key_Space);
                QVERIFY(idx->okButton()->isEnabled());
                idx->list()->clearSelection();
                QVERIFY(!idx->okButton()->isEnabled());
                idx->list()->setCurrentRow(1);  // a vanished deck
                QVERIFY(!idx->okButton()->isEnabled());
                QVERIFY(!idx->helpButton()->isEnabled());
                idx->OKBtnClick();
                QCOMPARE(seams_->alerts.lastText(), QStringLiteral("File GONE.DCK was not found"));
                idx->list()->setCurrentRow(0);
                QVERIFY(idx->okButton()->isEnabled());
                QVERIFY(idx->helpButton()->isEnabled());
                idx->OKBtnClick();
            }();
            return int(QDialog::Accepted);
        };
        help::ShowIndex(dir_ + "/SAMPLES.IDX");
        QCOMPARE(f.docWindowCount(), 1);
        QCOMPARE(f.activeDocWindow()->Tag(), Kind::DeckEditor);
        QCOMPARE(QDir::currentPath(), dir_ + "/decks");
        QCOMPARE(f.currentInputFileName, dir_ + "/decks/PUMP.DCK");
    }

    void missingIndexFileIsAnIoErrorMessage() {
        TPALUMAROFORM f;
        f.startUp();
        help::ShowIndex(dir_ + "/NONE.IDX");
        QVERIFY(seams_->alerts.lastText().contains("No such file or directory"));
    }

    void entryHelpTextSizesAndViewerFiles() {
        TAddHelpDlg d;
        d.subject = "Pump";
        testsupport::writeFile(dir_ + "/OK.TXT", (QByteArray(98, 'a') + "\r\n").repeated(600));  // exactly 60000 bytes
        d.helpFile = dir_ + "/OK.TXT";
        d.SetupWindow();
        QVERIFY(d.readyToShow);
        QCOMPARE(d.windowTitle(), QStringLiteral("Help for Pump"));
        QCOMPARE(d.text().size(), 600 * 99);  // lines joined by one blank each
        testsupport::writeFile(dir_ + "/BIG.TXT", QByteArray(60001, 'a'));
        d.helpFile = dir_ + "/BIG.TXT";
        d.SetupWindow();
        QVERIFY(!d.readyToShow);
        QCOMPARE(seams_->alerts.lastText(),
                 QStringLiteral("This file contains 60001 characters.  The maximum is 60000 characters.  Sorry..."));
        QCOMPARE(seams_->alerts.shown.back().kind, AlertKind::Information);
        // A file of gigabytes is measured, not read.
        testsupport::writeFile(dir_ + "/HUGE.TXT", QByteArray("text"));
        QVERIFY(QFile::resize(dir_ + "/HUGE.TXT", 3'000'000'000LL));
        d.helpFile = dir_ + "/HUGE.TXT";
        d.SetupWindow();
        QVERIFY(!d.readyToShow);
        QCOMPARE(seams_->alerts.lastText(),
                 QStringLiteral("This file contains 3000000000 characters.  The maximum is 60000 characters.  Sorry..."));
        QFile::remove(dir_ + "/HUGE.TXT");
        testsupport::writeFile(dir_ + "/SYS.HLP", QByteArray("?_\x03\x00rest", 8));
        d.helpFile = dir_ + "/SYS.HLP";
        d.SetupWindow();
        QVERIFY(d.handedToViewer);
        QCOMPARE(seams_->launcher.documents, QStringList{dir_ + "/SYS.HLP"});
        d.helpFile = dir_ + "/MISSING.TXT";
        d.SetupWindow();
        QCOMPARE(d.text(), QStringLiteral("Help information is not available for this subject."));
        // Copy follows the selection.
        testsupport::writeFile(dir_ + "/S.TXT", "Some words.\r\n");
        d.helpFile = dir_ + "/S.TXT";
        d.SetupWindow();
        QVERIFY(!d.copyButton()->isEnabled());
        d.memo()->selectAll();
        QVERIFY(d.copyButton()->isEnabled());
    }
};

QTEST_MAIN(HelpDialogsTest)
#include "test_helpdialogs.moc"
