// Files kept safe by the windows of the main window: a save interrupted last
// time is offered back, File > Save writes only what changed, a file another
// program changed is neither overwritten unasked nor left stale in an open
// window, Save as proposes the window's own file and kind, a dropped file opens
// wherever it lands, and what is not a file is refused by what it is.
#include <QDir>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/diskfile.h"
#include "common/safereplace.h"
#include "plot/plotf.h"
#include "quivet/input.h"
#include "quivet/quivet.h"
#include "mainwindow/desktopintegration.h"
#include "shell/diskwatch.h"
#include "text/editoru.h"
#include "text/fileviewer.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "text/viewer.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/table.h"

Q_DECLARE_METATYPE(AlertButton)

namespace {

std::string bytes(const QString& s) { return s.toStdString(); }

// Another program writes the file: by a rename, as careful editors save, or in
// place, with a modification time of its own (so even a write of the same size
// within the same clock tick is a change).
void otherProgramWrites(const QString& file, const QByteArray& content, bool inPlace) {
    if (inPlace) {
        testsupport::writeFile(file, content);
    } else {
        testsupport::writeFile(file + ".new", content);
        ::rename(bytes(file + ".new").c_str(), bytes(file).c_str());
    }
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, bytes(file).c_str(), times, 0);
}

QStringList editorLines(TDocWindow* w) { return qobject_cast<TEditForm*>(w)->lines(); }

// Types a line at the end of the text.
void typeLine(TEditForm* e, const QString& line) {
    e->editor()->moveCursor(QTextCursor::End);
    e->editor()->insertPlainText(line + "\n");
}

}  // namespace

class FileSafetyTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    QString path(const QString& name) const { return work_ + "/" + name; }
    TEditForm* openEditor(const QString& name, const QByteArray& content) {
        testsupport::writeFile(path(name), content);
        form_->ReadaFile(path(name));
        return qobject_cast<TEditForm*>(form_->activeDocWindow());
    }
    int windowsOf(int tag) const {
        int n = 0;
        for (TDocWindow* w : form_->docWindows()) n += w->Tag() == tag;
        return n;
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }
    void init() {
        startMainWindow();
        QDir::setCurrent(prog_);
    }
    void cleanup() {
        endMainWindow();
        DiskWatch::instance().setSystemWatching(true);
    }

    void anInterruptedSaveIsOfferedBackOnTheNextOpen_data() {
        QTest::addColumn<AlertButton>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("backupKept");
        QTest::newRow("restore") << AlertButton::Yes << "OLD DECK" << false;
        QTest::newRow("keep the file, drop the copy") << AlertButton::No << "NEW BEGINNING" << false;
        QTest::newRow("decide later") << AlertButton::Cancel << "NEW BEGINNING" << true;
    }
    void anInterruptedSaveIsOfferedBackOnTheNextOpen() {
        QFETCH(AlertButton, answer);
        QFETCH(QString, shown);
        QFETCH(bool, backupKept);
        // What a save killed while writing in place leaves: the damaged file and
        // the complete copy of its old content beside it.
        testsupport::writeFile(path("PUMP.DCK"), "NEW BEGINNING\r\n");
        const std::string backup = pal::backupBeside(pal::canonicalFilePath(bytes(path("PUMP.DCK"))));
        testsupport::writeFile(QString::fromStdString(backup), "OLD DECK\r\n");
        alerts().answers = {answer};
        form_->ReadaFile(path("PUMP.DCK"));
        QCOMPARE(alerts().shown.size(), 1);
        QVERIFY2(alerts().lastText().startsWith(path("PUMP.DCK") + " may be incomplete"), qPrintable(alerts().lastText()));
        QCOMPARE(editorLines(form_->activeDocWindow()), QStringList{shown});
        QCOMPARE(testsupport::readFile(path("PUMP.DCK")), shown.toLatin1() + "\r\n");
        QCOMPARE(QFile::exists(QString::fromStdString(backup)), backupKept);
    }

    void saveWritesOnlyTheChangedWindows() {
        TEditForm* changed = openEditor("A.DCK", "* a\r\n");
        typeLine(changed, "X=1");
        openEditor("B.TXT", "notes\n");
        struct stat before {};
        ::stat(bytes(path("B.TXT")).c_str(), &before);
        form_->Save1Click();
        QCOMPARE(testsupport::readFile(path("A.DCK")), QByteArray("* a\r\nX=1\r\n"));
        struct stat after {};
        ::stat(bytes(path("B.TXT")).c_str(), &after);
        QCOMPARE(after.st_ino, before.st_ino);  // not written again
        QCOMPARE(testsupport::readFile(path("B.TXT")), QByteArray("notes\n"));
        QVERIFY(alerts().shown.isEmpty());
    }

    void aFileChangedOnDiskIsNotOverwrittenUnasked_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<AlertButton>("answer");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("modified");
        const QByteArray mine = "* mine\r\nX=1\r\n", theirs = "* theirs\r\n";
        for (const bool inPlace : {false, true}) {
            const char* how = inPlace ? "written in place" : "replaced by a rename";
            QTest::addRow("%s, overwrite", how) << inPlace << AlertButton::Yes << mine << QStringList{"* mine", "X=1"} << false;
            QTest::addRow("%s, reload", how) << inPlace << AlertButton::No << theirs << QStringList{"* theirs"} << false;
            QTest::addRow("%s, cancel", how) << inPlace << AlertButton::Cancel << theirs << QStringList{"* mine", "X=1"} << true;
        }
    }
    void aFileChangedOnDiskIsNotOverwrittenUnasked() {
        QFETCH(bool, inPlace);
        QFETCH(AlertButton, answer);
        QFETCH(QByteArray, onDisk);
        QFETCH(QStringList, shown);
        QFETCH(bool, modified);
        TEditForm* e = openEditor("D.DCK", "* mine\r\n");
        typeLine(e, "X=1");
        otherProgramWrites(path("D.DCK"), "* theirs\r\n", inPlace);
        alerts().answers = {answer};
        form_->Save1Click();
        QCOMPARE(alerts().shown.size(), 1);
        QCOMPARE(alerts().shown[0].text, path("D.DCK") + " has been changed by another program since it was read.  "
                                                          "Overwrite it (Yes), or reload that version and drop these changes (No)?");
        QCOMPARE(testsupport::readFile(path("D.DCK")), onDisk);
        QCOMPARE(e->lines(), shown);
        QCOMPARE(e->isModified(), modified);
        // What is on disk now is the window's version: the next save asks no more,
        // nor does the program's own save count as another program's change.
        typeLine(e, "Y=2");
        alerts().answers.clear();
        form_->Save1Click();
        QCOMPARE(alerts().shown.size(), modified ? 2 : 1);
    }

    void anUnchangedWindowOffersToReloadItsChangedFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("systemWatches");
        for (const char* file : {"W.DCK", "W.LST"})
            for (const bool on : {true, false})
                QTest::addRow("%s, %s", file, on ? "watched by the system" : "watching refused") << file << on;
    }
    void anUnchangedWindowOffersToReloadItsChangedFile() {
        QFETCH(QString, file);
        QFETCH(bool, systemWatches);
        DiskWatch::instance().setSystemWatching(systemWatches);
        testsupport::writeFile(path(file), "one\r\n");
        form_->ReadaFile(path(file));
        TDocWindow* w = form_->activeDocWindow();
        QVERIFY(w && w->canReload());
        QCOMPARE(DiskWatch::instance().systemWatches(path(file)), systemWatches);
        const auto shownText = [&] {
            if (auto* e = qobject_cast<TEditForm*>(w)) return e->lines().join('|');
            return qobject_cast<TViewForm*>(w)->viewer()->lineText(0);
        };
        if (auto* e = qobject_cast<TEditForm*>(w)) {
            // The program's own save is not another program's change.
            typeLine(e, "mine");
            form_->Save1Click();
        }
        const QString before = shownText();
        otherProgramWrites(path(file), "two\r\n", false);
        QTRY_COMPARE_WITH_TIMEOUT(alerts().shown.size(), 1, 3 * DiskWatch::kPollMs);
        QCOMPARE(alerts().shown[0].text, path(file) + " has been changed by another program.  Reload it?");
        QCOMPARE(shownText(), QStringLiteral("two"));
        QVERIFY(!w->isModified());
        // Declined: the window keeps what it shows, and that version is not offered again.
        alerts().answers = {AlertButton::No};
        otherProgramWrites(path(file), "three\r\n", true);
        QTRY_COMPARE_WITH_TIMEOUT(alerts().shown.size(), 2, 3 * DiskWatch::kPollMs);
        QCOMPARE(shownText(), QStringLiteral("two"));
        w->checkDiskFile();
        QCOMPARE(alerts().shown.size(), 2);
        Q_UNUSED(before);
    }

    void saveAsProposesTheWindowsOwnFileAndKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("filter");
        QTest::newRow("deck") << "editor" << "OWN.DCK" << 1;
        QTest::newRow("text") << "editor" << "NOTES.TXT" << 9;
        QTest::newRow("form") << "form" << "PUMP.QVD" << 2;
        QTest::newRow("plot") << "plot" << "P.PMX" << 5;
        QTest::newRow("diagram") << "diagram" << "PUMP.BMP" << 6;
        QTest::newRow("table") << "table" << "T.TBL" << 8;
    }
    void saveAsProposesTheWindowsOwnFileAndKind() {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QFETCH(int, filter);
        TDocWindow* w = nullptr;
        if (kind == "editor") {
            w = openEditor(file, "* text\r\n");
        } else if (kind == "form" || kind == "diagram") {
            for (const char* name : {"PUMP.QVD", "PUMPS.CHC", "PUMP.BMP"}) testsupport::copySample(name, work_);
            form_->ReadaFile(path(file));
            w = form_->activeDocWindow();
        } else if (kind == "plot") {
            auto* p = new TPlotForm;
            p->Save(path(file));
            w = openDocWindow(p);
        } else {
            const QString deck = testsupport::copySample("SOLAR.DCK", work_);
            auto* t = new TTableForm;
            t->setTable(table::TableData(deck.toStdString(), {"AREA"}, 1), path(file));
            t->SaveTable(path(file));
            w = openDocWindow(t);
        }
        QVERIFY(w);
        QCOMPARE(w->documentName(), path(file));
        form_->currentInputFileName = path("OTHER.DCK");  // the last deck opened
        form_->setActiveDocWindow(w);
        form_->Saveas1Click();  // cancelled
        const FileDialogRequest r = dialogs().fileRequests.back();
        QCOMPARE(r.fileName, path(file));
        QCOMPARE(r.directory, work_);
        QCOMPARE(r.filterIndex, filter);
        QVERIFY(r.overwritePrompt);
    }

    void aDroppedFileOpensWhereverItIsDropped_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("on a deck's text") << "editor";
        QTest::newRow("on a form's field") << "form";
    }
    void aDroppedFileOpensWhereverItIsDropped() {
        QFETCH(QString, target);
        testsupport::writeFile(path("NOTES.TXT"), "dropped\r\n");
        QWidget* on = nullptr;
        TDocWindow* w = nullptr;
        if (target == "editor") {
            auto* e = openEditor("PUMP.DCK", "* pump\r\n");
            w = e;
            on = e->editor()->viewport();
        } else {
            for (const char* name : {"PUMP.QVD", "PUMPS.CHC", "PUMP.BMP"}) testsupport::copySample(name, work_);
            form_->ReadaFile(path("PUMP.QVD"));
            w = form_->activeDocWindow();
            on = w->findChild<TInput*>();
        }
        QVERIFY(on);
        const int windows = form_->docWindowCount();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path("NOTES.TXT"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &drop);
        QVERIFY(!w->isModified());
        QCOMPARE(form_->activeDocWindow()->fileName(), path("NOTES.TXT"));
        QCOMPARE(editorLines(form_->activeDocWindow()), QStringList{"dropped"});

        // Dropped text is still the window's own to take.
        QMimeData text;
        text.setText(QStringLiteral("typed"));
        QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &textEnter);
        QVERIFY(textEnter.isAccepted());
        QCOMPARE(form_->docWindowCount(), windows + 1);
    }

    void whatIsNotAFileIsRefusedByWhatItIs_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("named");  // on the command line or dropped; else File > Open
        for (const char* kind : {"named pipe", "directory", "character device"})
            for (const bool named : {true, false})
                QTest::addRow("%s, %s", kind, named ? "named" : "chosen") << kind << named;
    }
    void whatIsNotAFileIsRefusedByWhatItIs() {
        QFETCH(QString, kind);
        QFETCH(bool, named);
        QString file = path("P.DCK");
        if (kind == "named pipe") QCOMPARE(::mkfifo(bytes(file).c_str(), 0644), 0);
        if (kind == "directory") QDir().mkpath(file);
        if (kind == "character device") file = QStringLiteral("/dev/null");
        if (named)
            form_->desktop()->openFile(file);
        else
            form_->ReadaFile(file);
        QCOMPARE(alerts().shown.size(), 1);
        const QString wording = "It is a " + kind + ", not a file\n" + file;
        QCOMPARE(alerts().lastText(), kind == "directory" ? "I/O error 21: " + wording : wording);
        QCOMPARE(form_->docWindowCount(), 0);
    }
};

QTEST_MAIN(FileSafetyTest)
#include "test_filesafety.moc"
