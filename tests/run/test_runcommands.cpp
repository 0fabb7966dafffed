// The main window's commands that start programs: Calculate with the real
// stand-in engine, the utilities, compile, rebuild, user command, help files,
// and the progress window.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QPushButton>
#include <QtTest>
#include <cerrno>
#include <climits>
#include <memory>

#include "common/ioerror.h"
#include "shell/compilin.h"
#include "run/kalvexrun.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "text/fileviewer.h"
#include "text/viewer.h"

namespace {

// A deck window whose save must happen before the engine starts, or fails.
class SavingDeck : public FakeDocWindow {
public:
    SavingDeck(const QString& file, RecordingLauncher& launcher) : FakeDocWindow(Kind::DeckEditor, file), launcher_(launcher) {}
    void saveForRun() override {
        callsAtSave = launcher_.calls.size();
        if (fail) throw pal::IoError(ENOSPC, fileName().toStdString(), "No space left on device");
        FakeDocWindow::saveForRun();
    }
    bool fail = false;
    qsizetype callsAtSave = -1;

private:
    RecordingLauncher& launcher_;
};

// Records the working directory at each detached start.
class DirectoryRecordingLauncher : public RecordingLauncher {
public:
    QStringList directories;
    LaunchResult startDetached(const QString& program, const QStringList& arguments) override {
        directories << QDir::currentPath();
        return RecordingLauncher::startDetached(program, arguments);
    }
};

}  // namespace

class RunCommandsTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    template <class W = FakeDocWindow, class... A>
    W* openWindow(A&&... args) {
        return openDocWindow(new W(std::forward<A>(args)...));
    }

    QString copySample(const QString& name, const QString& toDir) { return testsupport::copySample(name, toDir); }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }

    void init() {
        pal::app().velmora = false;
        startMainWindow(Engine::Linked);
    }

    void cleanup() { endMainWindow(); }

    // ---- Calculate ----

    void calculateRunsTheEngineAndOffersItsResults() {
        const QString deck = copySample("PUMP.DCK", work_ + "/pump");
        openWindow(Kind::DeckEditor, deck);
        launcher().runForReal = true;
        const int windows = form_->docWindowCount();

        form_->Calculate1Click();

        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].program, prog_ + "/KALVEX32.exe");
        QCOMPARE(launcher().calls[0].arguments, QStringList{deck});
        QVERIFY(launcher().calls[0].waited);
        const QString base = work_ + "/pump/PUMP";
        QVERIFY(QFile::exists(base + ".LST"));
        QVERIFY(QFile::exists(base + ".OUT"));
        QCOMPARE(form_->plotDataFileName, base + ".PLT");
        QVERIFY(testsupport::readFile(base + ".PLT").startsWith("TIME LEVEL HOUR PUMPON"));
        QVERIFY(form_->item("Listing1")->isEnabled());
        QVERIFY(form_->item("Listing1")->text().endsWith(base + ".LST"));
        QStringList outputs;
        for (QAction* a : form_->outputMenu()->actions()) outputs << a->text();
        QVERIFY2(outputs.contains("PUMP.OUT"), qPrintable(outputs.join(',')));
        QCOMPARE(form_->docWindowCount(), windows);  // no window opens by itself
        QCOMPARE(QDir::currentPath(), work_);
    }

    void aLongRunStopsOnRequestAndKeepsItsFiles() {
        // 200,000 steps of 40 long equations: minutes of work for the engine.
        QByteArray sum = "SIN(TIME)";
        for (int k = 0; k < 400; ++k) sum += " + SIN(TIME + " + QByteArray::number(k) + ")";
        QByteArray deck = "EQUATIONS 40\r\n";
        for (int i = 1; i <= 40; ++i) deck += "E" + QByteArray::number(i) + " = " + sum + "\r\n";
        deck += "SIMULATION 0 199999 1\r\nEND\r\n";
        QDir().mkpath(work_ + "/long");
        const QString path = work_ + "/long/LONG.DCK";
        testsupport::writeFile(path, deck);
        testsupport::writeFile(work_ + "/long/LONG.LST", "listing of an earlier run\r\n");
        openWindow(Kind::DeckEditor, path);
        launcher().runForReal = true;
        // Esc asks and is answered No (the run goes on); the Stop button then asks again.
        alerts().answers = {AlertButton::No, AlertButton::Yes};
        TCompiling* progress = form_->compiling();
        int presses = 0;
        bool visibleDuringRun = false;
        QTimer presser;
        presser.setInterval(400);
        connect(&presser, &QTimer::timeout, this, [&] {
            if (!progress->running() || progress->stopRequested()) return;
            visibleDuringRun = visibleDuringRun || (progress->isVisible() && progress->stopButton()->isVisible());
            if (presses++ == 0)
                QTest::keyClick(progress, Qt::Key_Escape);
            else
                progress->stopButton()->click();
        });
        presser.start();
        QElapsedTimer clock;
        clock.start();
        form_->Calculate1Click();
        presser.stop();

        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(visibleDuringRun);
        QCOMPARE(presses, 2);
        QVERIFY(!progress->running());
        QVERIFY(!progress->isVisible());
        QCOMPARE(alerts().shown.size(), 3);
        QVERIFY(alerts().shown[0].text.startsWith("Stop the KALVEX run?"));
        QCOMPARE(alerts().shown[2].text, "The KALVEX run of " + path +
                                             " was stopped.\nThe files it had written are kept; its listing and "
                                             "results may be incomplete or from an earlier run.");
        // The engine ends after its step: its listing says where.
        QVERIFY(testsupport::readFile(work_ + "/long/LONG.LST").contains(" *** Error: the run was stopped at TIME = "));
        // The Windows menu is refreshed as after any run.
        QVERIFY(form_->item("Listing1")->isEnabled());
        QVERIFY(form_->item("Listing1")->text().endsWith(work_ + "/long/LONG.LST"));
    }

    // The engine lives elsewhere (its own switches file beside it); it runs
    // with the switches the setup shows and writes, here "no header".
    void calculateRunsTheEngineWithTheSetupsSwitches() {
        pal::KvnSwitches on{};
        on.fill(true);
        on[1] = false;
        pal::rewriteKVN(prog_.toStdString(), on);
        const QString deck = copySample("PUMP.DCK", work_ + "/pump");
        openWindow(Kind::DeckEditor, deck);
        launcher().runForReal = true;
        form_->Calculate1Click();
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        const QByteArray listing = testsupport::readFile(work_ + "/pump/PUMP.LST");
        QVERIFY2(!listing.isEmpty() && !listing.contains("Deck: "), listing.left(200).constData());
        QCOMPARE(qEnvironmentVariable("KALVEX_SWITCHES"), prog_ + "/CNFGKV.KVN");
    }

    void calculateFromARealDeckEditor() {
        const QString deck = copySample("OSCILL.DCK", work_ + "/osc");
        form_->ReadaFile(deck);
        QVERIFY(form_->activeDocWindow());
        QCOMPARE(form_->activeDocWindow()->Tag(), int(Kind::DeckEditor));
        launcher().runForReal = true;
        form_->Calculate1Click();
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QCOMPARE(form_->plotDataFileName, work_ + "/osc/OSCILL.PLT");
    }

    void whileTheEngineRunsItsResultsAreWatched() {
        const QString deck = copySample("PUMP.DCK", work_ + "/watch");  // 1441 steps
        const QString base = work_ + "/watch/PUMP";
        // The listing of an earlier run, open in a viewer: it follows the new one.
        testsupport::writeFile(base + ".LST", "listing of an earlier run\r\n");
        form_->GetLSTFile(deck, true);
        TViewForm* listing = nullptr;
        for (TDocWindow* w : form_->docWindows())
            if (auto* v = qobject_cast<TViewForm*>(w)) listing = v;
        QVERIFY(listing);
        openWindow(Kind::DeckEditor, deck);
        QVERIFY(!form_->item("NewPlot1")->isEnabled());
        launcher().runForReal = true;
        qputenv("KALVEX_STEP_MS", "3");  // some 4 s
        bool newPlot = false, followed = false;
        QString progress;
        QTimer sampler;
        sampler.setInterval(100);
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (!form_->compiling()->running()) return;
            newPlot = newPlot || (form_->item("NewPlot1")->isEnabled() && form_->plotDataFileName == base + ".PLT");
            followed = followed || (listing && listing->following());
            const QString text = form_->compiling()->progressText()->text();
            if (text.contains(" left")) progress = text;
        });
        sampler.start();
        form_->Calculate1Click();
        sampler.stop();
        qunsetenv("KALVEX_STEP_MS");
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QVERIFY(newPlot);
        QVERIFY(followed);
        QVERIFY2(progress.startsWith("TIME ") && progress.contains(" of 72 h ("), qPrintable(progress));
        // The viewer stayed and shows the new listing; it follows no more.
        QVERIFY(form_->docWindows().contains(listing));
        QVERIFY(!listing->following());
        QCOMPARE(listing->viewer()->lineText(0), QStringLiteral("KALVEX stand-in engine 1.0"));
        QVERIFY(!form_->property("plotDataRunning").toBool());
    }

    void deckPathWithBlanksAndQuotesReachesTheEngineWhole() {
        const QString deck = copySample("HEATX.DCK", work_ + "/my decks/it's \"warm\" here");
        openWindow(Kind::DeckEditor, deck);
        launcher().runForReal = true;
        form_->Calculate1Click();
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].arguments, QStringList{deck});
        QVERIFY(QFile::exists(work_ + "/my decks/it's \"warm\" here/HEATX.LST"));
        QCOMPARE(form_->plotDataFileName, work_ + "/my decks/it's \"warm\" here/HEATX.PLT");
    }

    void longDeckPathIsPassedOnWhole() {
        const QString dir = work_ + "/" + QString(120, 'a') + "/" + QString(120, 'b');
        const QString deck = copySample("HEATX.DCK", dir);
        QVERIFY(deck.size() > 255);
        openWindow(Kind::DeckEditor, deck);
        launcher().runForReal = true;
        form_->Calculate1Click();
        QVERIFY2(alerts().shown.isEmpty(), qPrintable(alerts().lastText()));
        QVERIFY(QFile::exists(dir + "/HEATX.PLT"));
    }

    void windowWithoutADeckStartsTheEngineWithoutArgument() {
        openWindow(Kind::TextEditor, work_ + "/NOTES.DEK");
        form_->Calculate1Click();
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].arguments, QStringList{});
    }

    void noWindowOpenStartsTheEngineWithoutArgument() {
        auto* w = openWindow(Kind::DeckEditor, work_ + "/GONE.DCK");
        w->closeWithoutQuery();
        QTRY_COMPARE(form_->docWindowCount(), 0);
        form_->Calculate1Click();
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].arguments, QStringList{});
    }

    void answeredNoTheEngineReadsTheFileAndTheEditorStaysModified() {
        auto* w = openWindow<SavingDeck>(work_ + "/PUMP.DCK", launcher());
        w->modified = true;
        alerts().answers.push_back(AlertButton::No);
        form_->Calculate1Click();
        QCOMPARE(alerts().shown.size(), 1);
        QCOMPARE(alerts().shown[0].text, "Do you wish to save file " + work_ + "/PUMP.DCK before calling KALVEX?");
        QCOMPARE(alerts().shown[0].kind, AlertKind::WarningYesNo);
        QVERIFY(alerts().shown[0].beep);
        QCOMPARE(w->saves, 0);
        QVERIFY(w->isModified());
        QCOMPARE(launcher().calls.size(), 1);
    }

    void answeredYesTheDeckIsSavedBeforeTheEngineStarts() {
        auto* w = openWindow<SavingDeck>(work_ + "/PUMP.DCK", launcher());
        w->modified = true;
        alerts().answers.push_back(AlertButton::Yes);
        form_->Calculate1Click();
        QCOMPARE(w->saves, 1);
        QCOMPARE(w->callsAtSave, 0);
        QCOMPARE(launcher().calls.size(), 1);
    }

    void aSaveThatFailsRunsNothing() {
        auto* w = openWindow<SavingDeck>(work_ + "/PUMP.DCK", launcher());
        w->modified = true;
        w->fail = true;
        form_->Calculate1Click();
        QCOMPARE(alerts().shown.size(), 2);
        QVERIFY2(alerts().lastText().contains("No space left on device"), qPrintable(alerts().lastText()));
        QVERIFY(launcher().calls.isEmpty());
    }

    void quivetCommandsRunOnlyWhenLongerThanFourCharacters() {
        auto* w = openWindow(Kind::QuivetForm, work_ + "/FORM.QVD");
        w->before = "prep";  // 4 characters: not run
        w->after = "post1";  // 5 characters: run after the engine
        form_->Calculate1Click();
        QCOMPARE(launcher().calls.size(), 2);
        QCOMPARE(launcher().calls[0].arguments, QStringList{work_ + "/FORM.QVD"});
        QCOMPARE(launcher().calls[1].program, QString("post1"));

        launcher().calls.clear();
        w->before = "prep1 \"a b\"";
        w->after = "post";
        form_->Calculate1Click();
        QCOMPARE(launcher().calls.size(), 2);
        QCOMPARE(launcher().calls[0].program, QString("prep1"));
        QCOMPARE(launcher().calls[0].arguments, QStringList{"a b"});
        QCOMPARE(launcher().calls[1].program, prog_ + "/KALVEX32.exe");
    }

    void missingKalvexDirectoryFallsBackToTheProgramDirectory() {
        pal::app().settings.kalvexDir = "C:\\KALVEX14";
        openWindow(Kind::DeckEditor, work_ + "/PUMP.DCK");
        form_->Calculate1Click();
        QCOMPARE(QString::fromStdString(pal::app().settings.kalvexDir), prog_);
        QCOMPARE(seams_->dialogs.directoryRequests, 0);
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].program, prog_ + "/KALVEX32.exe");
    }

    void engineInAnotherLetterCaseIsFound() {
        const QString other = work_ + "/engine";
        QDir().mkpath(other);
        QVERIFY(QFile::rename(prog_ + "/KALVEX32.exe", other + "/kalvex32.EXE"));
        pal::app().settings.kalvexDir = other.toStdString();
        openWindow(Kind::DeckEditor, work_ + "/PUMP.DCK");
        form_->Calculate1Click();
        QCOMPARE(seams_->dialogs.directoryRequests, 0);
        QCOMPARE(launcher().calls[0].program, other + "/kalvex32.EXE");
    }

    void missingEngineWithTheChooserCancelledRunsNothing() {
        QFile::remove(prog_ + "/KALVEX32.exe");
        openWindow(Kind::DeckEditor, work_ + "/PUMP.DCK");
        const QString listingItem = form_->item("Listing1")->text();
        form_->Calculate1Click();
        QCOMPARE(seams_->dialogs.directoryRequests, 1);
        QVERIFY(launcher().calls.isEmpty());
        QVERIFY(alerts().shown.isEmpty());
        QCOMPARE(form_->item("Listing1")->text(), listingItem);
        QCOMPARE(QDir::currentPath(), work_);
    }

    void aChosenDirectoryWithoutTheEngineIsStillTriedAndReported() {
        QFile::remove(prog_ + "/KALVEX32.exe");
        const QString chosen = work_ + "/elsewhere";
        QDir().mkpath(chosen);
        seams_->dialogs.directoryAnswers.push_back(chosen);
        launcher().runForReal = true;
        openWindow(Kind::DeckEditor, work_ + "/PUMP.DCK");
        form_->Calculate1Click();
        QCOMPARE(QString::fromStdString(pal::app().settings.kalvexDir), chosen);
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(alerts().shown.size(), 1);
        QCOMPARE(alerts().shown[0].text, "File " + chosen + "/KALVEX32.exe was not found.");
        QCOMPARE(alerts().shown[0].kind, AlertKind::Error);
        QVERIFY(alerts().shown[0].beep);
    }

    // ---- ExecAndWait ----

    void execAndWaitReportsStartFailures() {
        launcher().runForReal = true;
        QVERIFY(run::ExecAndWait(QStringLiteral("/no/such/program -x")));
        QCOMPARE(alerts().lastText(), QString("File /no/such/program was not found."));

        testsupport::writeFile(work_ + "/notrunnable", "text\n");
        QFile::setPermissions(work_ + "/notrunnable", QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(run::ExecAndWait(run::Command{(work_ + "/notrunnable").toStdString(), {}}));
        QCOMPARE(alerts().lastText(),
                 QStringLiteral("Error %1 encountered while trying to call ").arg(EACCES) + work_ + "/notrunnable");
        QCOMPARE(alerts().shown.size(), 2);
        QCOMPARE(alerts().shown[1].kind, AlertKind::Error);
    }

    // ---- utilities ----

    void utilityDirectoryEndingInASeparatorIsNotDoubled() {
        DirectoryRecordingLauncher recorder;
        seams().launcher = &recorder;
        const QString gask = work_ + "/GASK";
        QDir().mkpath(gask);
        pal::app().settings.gaskDir = (gask + "/").toStdString();
        form_->GASK1Click();
        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls[0].program, gask + "/GASK.exe");
        QVERIFY(!recorder.calls[0].waited);
        QCOMPARE(recorder.directories, QStringList{gask});
        QCOMPARE(QDir::currentPath(), work_);
    }

    void missingUtilityDirectoryIsChosenAndRemembered() {
        DirectoryRecordingLauncher recorder;
        seams().launcher = &recorder;
        const QString ulm = work_ + "/ulm";
        QDir().mkpath(ulm);
        testsupport::writeFile(ulm + "/ulmwin.EXE", "");
        seams_->dialogs.directoryAnswers.push_back(ulm);
        pal::app().settings.ulmDir = "C:\\KALVEX14\\ULM";
        form_->ULM1Click();
        QCOMPARE(seams_->dialogs.directoryRequests, 1);
        QCOMPARE(QString::fromStdString(pal::app().settings.ulmDir), ulm);
        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls[0].program, ulm + "/ulmwin.EXE");  // any letter case
        QCOMPARE(recorder.directories, QStringList{ulm});

        form_->TEKLOR1Click();  // TEKLOR's directory is missing too: cancelled
        QCOMPARE(seams_->dialogs.directoryRequests, 2);
        QCOMPARE(recorder.calls.size(), 1);
    }

    void utilityStartFailuresNameTheUtility() {
        launcher().forcedResult = LaunchResult{false, 2, 0};
        pal::app().settings.zobrelDir = work_.toStdString();
        pal::app().settings.mordaxDir = work_.toStdString();
        form_->DEBUG1Click();
        QCOMPARE(alerts().lastText(), QString("Error 2 encountered while trying to call ZOBRELANT"));
        QCOMPARE(launcher().calls.last().program, work_ + "/Zobrel.exe");
        form_->MORDAX1Click();
        QCOMPARE(alerts().lastText(), QString("Error 2 encountered while trying to call MORDAX"));
        QCOMPARE(launcher().calls.last().program, work_ + "/MORDAX.exe");
        pal::app().velmora = true;
        form_->MORDAX1Click();
        QCOMPARE(alerts().lastText(), QString("Error 2 encountered while trying to call VELMORA"));
        QCOMPARE(launcher().calls.last().program, work_ + "/Splash.exe");
        QCOMPARE(alerts().shown.size(), 3);
        QVERIFY(alerts().shown[0].beep);
        QCOMPARE(alerts().shown[0].kind, AlertKind::Error);
    }

    void utilitiesMenuCaptionFollowsTheVelmoraSwitch() {
        pal::app().velmora = true;
        form_->Utilities1Click();
        QCOMPARE(form_->item("MORDAX1")->text(), QString("VELMORA"));
        pal::app().velmora = false;
        form_->Utilities1Click();
        QCOMPARE(form_->item("MORDAX1")->text(), QString("MORDAX"));
    }

    // ---- compile, rebuild, user command ----

    void compileModulePassesTheSourceAsOneArgument() {
        openWindow(Kind::TextEditor, work_ + "/my src/PUMP.FOR");
        pal::app().settings.compileCommand = "\\F32\\BIN\\FL32.EXE /c";
        form_->CompileModule1Click();
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].program, QString("\\F32\\BIN\\FL32.EXE"));
        QCOMPARE(launcher().calls[0].arguments, (QStringList{"/c", work_ + "/my src/PUMP.FOR"}));
        QVERIFY(!launcher().calls[0].waited);

        launcher().forcedResult = LaunchResult{false, 2, 0};
        form_->CompileModule1Click();
        QCOMPARE(alerts().lastText(), "Error 2 encountered while trying to compile " + work_ + "/my src/PUMP.FOR");
    }

    void rebuildStartsTheCommandUnchanged() {
        pal::app().settings.rebuildCommand = "\\F32\\BIN\\MAKE.EXE /S /F MAKQVT.DAT UPDATE";
        form_->RebuildKALVEX1Click();
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].program, QString("\\F32\\BIN\\MAKE.EXE"));
        QCOMPARE(launcher().calls[0].arguments, (QStringList{"/S", "/F", "MAKQVT.DAT", "UPDATE"}));
        launcher().forcedResult = LaunchResult{false, 13, 0};
        form_->RebuildKALVEX1Click();
        QCOMPARE(alerts().lastText(),
                 QString("Error 13 encountered while trying to execute \\F32\\BIN\\MAKE.EXE /S /F MAKQVT.DAT UPDATE"));
    }

    void userCommandAsksOnlyInQuivetMode() {
        pal::app().settings.userCommand = "ls -l";
        form_->ExecuteCommand1Click();
        QVERIFY(seams_->dialogs.inputRequests.isEmpty());
        QCOMPARE(launcher().calls.size(), 1);
        QCOMPARE(launcher().calls[0].arguments, QStringList{"-l"});

        pal::app().quivetMode = true;
        form_->ExecuteCommand1Click();  // cancelled
        QCOMPARE(seams_->dialogs.inputRequests, QStringList{"User Command"});
        QCOMPARE(launcher().calls.size(), 1);
        seams_->dialogs.inputAnswers.push_back(QString("touch 'new file'"));
        form_->ExecuteCommand1Click();
        pal::app().quivetMode = false;
        QCOMPARE(QString::fromStdString(pal::app().settings.userCommand), QString("touch 'new file'"));
        QCOMPARE(launcher().calls.size(), 2);
        QCOMPARE(launcher().calls[1].arguments, QStringList{"new file"});
    }

    void aToolWithoutACommandSaysWhereToSetOne_data() {
        QTest::addColumn<int>("tool");  // 0 compile, 1 rebuild, 2 user command
        QTest::addColumn<QString>("message");
        QTest::newRow("compile") << 0 << "No compile command is set. Give one in File > Setup, page Compile, field \"Compile\".";
        QTest::newRow("rebuild") << 1 << "No rebuild command is set. Give one in File > Setup, page Compile, field \"Rebuild\".";
        QTest::newRow("user") << 2 << "No user command is set. Give one in File > Setup, page Compile, field \"User Command\".";
    }
    void aToolWithoutACommandSaysWhereToSetOne() {
        QFETCH(int, tool);
        QFETCH(QString, message);
        openWindow(Kind::TextEditor, work_ + "/PUMP.FOR");
        auto& settings = pal::app().settings;
        settings.compileCommand = settings.rebuildCommand = settings.userCommand = "  ";
        if (tool == 0) form_->CompileModule1Click();
        if (tool == 1) form_->RebuildKALVEX1Click();
        if (tool == 2) form_->ExecuteCommand1Click();
        QCOMPARE(alerts().lastText(), message);
        QCOMPARE(alerts().shown.back().kind, AlertKind::Information);
        QVERIFY(launcher().calls.isEmpty());
    }

    // ---- help files ----

    void helpFilesOpenFromTheProgramDirectory() {
        testsupport::writeFile(prog_ + "/kalvex.hlp", "help\n");
        testsupport::writeFile(prog_ + "/Types.Hlp", "help\n");
        form_->KALVEXIndex1Click();
        form_->TypesIndex1Click();
        QCOMPARE(launcher().documents, (QStringList{prog_ + "/kalvex.hlp", prog_ + "/Types.Hlp"}));
        form_->KALVEXErrorMessges1Click();
        QCOMPARE(launcher().documents.size(), 2);
        QCOMPARE(alerts().lastText(), "Help file " + prog_ + "/Error.Hlp was not found.");
        form_->KALVEXIndex2Click();
        QCOMPARE(alerts().lastText(), "Help file " + prog_ + "/Typeindx.Hlp was not found.");
    }

    // ---- progress window ----

    void progressWindowShowsLinesAndRuns() {
        TCompiling* c = form_->compiling();
        QVERIFY(c);
        QCOMPARE(c->size(), QSize(219, 58));
        QVERIFY(c->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(c->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!c->isVisible());
        auto* label1 = c->findChild<QLabel*>("label1");
        auto* lineL = c->findChild<QLabel*>("LineL");
        QVERIFY(label1 && lineL);
        QCOMPARE(label1->text(), QString("Reading line "));
        QCOMPARE(lineL->text(), QString("0"));
        QVERIFY(label1->font().bold());
        QVERIFY(label1->alignment() & Qt::AlignRight);

        c->Update(12);
        QCOMPARE(label1->text(), QString("Reading line "));
        QCOMPARE(lineL->text(), QString("12"));
        c->Update(-3);
        QCOMPARE(label1->text(), QString("KALVEX Run "));
        QCOMPARE(lineL->text(), QString("3"));
        c->Update(0);
        QCOMPARE(label1->text(), QString("KALVEX Run "));
        QCOMPARE(lineL->text(), QString("0"));
        c->Update(INT_MIN);
        QCOMPARE(lineL->text(), QString("2147483648"));
    }

    void progressUpdateDropsInputForItAndHandlesTheRest() {
        TCompiling* c = form_->compiling();
        c->showCentred();
        QLineEdit other;
        other.show();
        bool timerRan = false;
        QTimer::singleShot(0, this, [&] { timerRan = true; });
        QCoreApplication::postEvent(&other, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        c->Update(5);
        QVERIFY(timerRan);
        QCOMPARE(other.text(), QString("a"));
        // Input sent to the window never reaches its widgets, which would have
        // marked it ignored.
        QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
        QCoreApplication::sendEvent(c->lineL(), &key);
        QVERIFY(key.isAccepted());
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(c, &click);
        QVERIFY(click.isAccepted());
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
        QCoreApplication::sendEvent(&other, &typed);
        QCOMPARE(other.text(), QString("ac"));  // the other window's input goes on as usual
        c->hide();
    }

    void progressWindowHidesWhenItLosesActivation() {
        TCompiling* c = form_->compiling();
        c->showCentred();
        QVERIFY(c->isVisible());
        c->activateWindow();
        QApplication::setActiveWindow(c);
        QTRY_VERIFY(c->isActiveWindow());
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!c->isVisible());
    }
};

QTEST_MAIN(RunCommandsTest)
#include "test_runcommands.moc"
