// The Parametrics commands, Run Table and the table window factory.
#include "table/tablecommands.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "run/commandline.h"
#include "run/compilin.h"
#include "run/kalvexrun.h"
#include "run/runplan.h"
#include "run/runsettings.h"
#include "run/tablerunner.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "table/alterval.h"
#include "table/deckconstants.h"
#include "table/insertru.h"
#include "table/newtable.h"
#include "table/table.h"
#include "table/tablerunpanel.h"

namespace table {

namespace {


// The dialogs of the table commands, created once with the main window.
struct Dialogs {
    QPointer<TNewTableDlg> newTable;
    QPointer<TAlterValuesDlg> alterValues;
    QPointer<TInsertRunsDlg> insertRuns;
};
Dialogs& dialogs() {
    static Dialogs d;
    return d;
}

TTableForm* currentTable(TPALUMAROFORM& main) { return qobject_cast<TTableForm*>(main.currentTable.data()); }

TDocWindow* activeWindow(TPALUMAROFORM& main) {
    TDocWindow* w = main.activeDocWindow();
    return w && main.docWindows().contains(w) ? w : nullptr;
}

void setTableItem(TPALUMAROFORM& main, const QString& path) {
    if (QAction* a = main.item(QStringLiteral("Table1"))) {
        QString shown = path;
        a->setText(QStringLiteral("Table ") + shown.replace('&', QStringLiteral("&&")));
        a->setData(path);
        a->setEnabled(true);
    }
}

// The table runs going on: the sequential run of one run at a time, and the
// runners of parallel or Slurm runs.
struct ActiveRuns {
    bool sequential = false;
    QList<QPointer<run::TableRunner>> runners;
};
ActiveRuns& activeRuns() {
    static ActiveRuns a;
    return a;
}

class SequentialRunGuard {
public:
    SequentialRunGuard() { activeRuns().sequential = true; }
    ~SequentialRunGuard() { activeRuns().sequential = false; }
    SequentialRunGuard(const SequentialRunGuard&) = delete;
    SequentialRunGuard& operator=(const SequentialRunGuard&) = delete;
};

// A failed run's listing opens in a viewer, as File > Open would show it.
void connectTableWindow(TPALUMAROFORM& main, TTableForm* form) {
    QObject::connect(form->runPanel(), &TTableRunPanel::listingRequested, &main, [&main, form](const QString& path) {
        if (failedRunListing())
            failedRunListing()(path, form->deckFileName());
        else
            main.GetLSTFile(path, true);
    });
}

// Creates the new table from what the dialog accepted, after the current one
// agreed to close.
void makeTable(TPALUMAROFORM& main, const TNewTableDlg& dlg) {
    if (TTableForm* old = currentTable(main); old && !old->FormCloseQuery()) return;
    main.DisposeKALVEXWindows(Kind::Table);
    const std::string deck = toBytes(dlg.deckPath());
    auto* form = new TTableForm;
    connectTableWindow(main, form);
    form->setTable(TableData(deck, dlg.chosenNames(), dlg.runs()), toQ(tablePathForDeck(deck)));
    main.addDocWindow(form);
    main.currentTable = form;
    setTableItem(main, form->tableFileName());
    form->FormResize();
}

}  // namespace

void install(TPALUMAROFORM& main) {
    dialogs().alterValues = new TAlterValuesDlg(&main);
    dialogs().insertRuns = new TInsertRunsDlg(&main);
    dialogs().newTable = new TNewTableDlg(&main);
    docFactories().tableWindow = [&main](const QString& path) -> TDocWindow* {
        auto* form = new TTableForm;
        connectTableWindow(main, form);
        try {
            form->ReadTable(path);
        } catch (...) {
            delete form;
            throw;
        }
        return form;
    };
}

void NewTable(TPALUMAROFORM& main) {
    TDocWindow* w = activeWindow(main);
    TNewTableDlg* dlg = dialogs().newTable;
    if (!w || !dlg) return;
    const int kind = w->Tag();
    if (kind != Kind::DeckEditor && kind != Kind::QuivetEditor && kind != Kind::QuivetForm) return;
    const QString path = w->fileName();
    auto found = ScanDeckConstants(toBytes(path));
    if (!found) {
        // Nothing to choose: OK only.
        ShowAlert(QStringLiteral("File ") + path + QStringLiteral(" does not have any KALVEX Comment statements."),
                  AlertKind::WarningOk, false);
    } else {
        dlg->setDeck(path, std::move(*found));
        dlg->setMode(TNewTableDlg::NewTableMode);
        dlg->FormActivate();
        if (seams().dialogs->execDialog(*dlg) == QDialog::Accepted) makeTable(main, *dlg);
    }
    main.UpdateMenu();
}

void AlterTable(TPALUMAROFORM& main) {
    TAlterValuesDlg* dlg = dialogs().alterValues;
    if (TTableForm* t = currentTable(main); t && dlg) {
        dlg->setTable(t);
        dlg->FormActivate();
        seams().dialogs->execDialog(*dlg);
    }
    main.UpdateMenu();
}

void InsertDeleteRuns(TPALUMAROFORM& main) {
    TInsertRunsDlg* dlg = dialogs().insertRuns;
    if (TTableForm* t = currentTable(main); t && dlg) {
        dlg->setTable(t);
        dlg->FormActivate();
        seams().dialogs->execDialog(*dlg);
    }
    main.UpdateMenu();
}

void InsertDeleteVars(TPALUMAROFORM& main) {
    TNewTableDlg* dlg = dialogs().newTable;
    if (TTableForm* t = currentTable(main); t && dlg) {
        dlg->setMode(TNewTableDlg::InsertDeleteMode);
        dlg->setTable(*t);
        dlg->FormActivate();
        QPointer<TTableForm> table = t;
        if (seams().dialogs->execDialog(*dlg) == QDialog::Accepted && table) {
            table->data().reshape(dlg->chosenNames());
            table->shapeChanged();
        }
    }
    main.UpdateMenu();
}

std::function<void(const QString&, const QString&)>& failedRunListing() {
    static std::function<void(const QString&, const QString&)> show;
    return show;
}

bool tableRunActive() {
    if (activeRuns().sequential) return true;
    for (const auto& r : activeRuns().runners)
        if (r && r->active()) return true;
    return false;
}

namespace {

// One run after the other in this window's event loop, with the progress
// window counting the runs: the way of one run at a time on this machine.
// Closing the table window meanwhile asks first, then ends the run going on
// and starts no more.
void runSequentially(TPALUMAROFORM& main, TTableForm& table, const QString& engine,
                     const std::vector<std::string>& decks) {
    SequentialRunGuard guard;
    main.UpdateMenu();
    SequentialTableRun state;
    state.runs = static_cast<int>(decks.size());
    QPointer<TTableForm> form = &table;
    table.runPanel()->followSequential(&state);
    TCompiling* progress = main.compiling();
    if (progress) {
        progress->showCentred();
        progress->move(progress->x(), 120);
    }
    for (int i = 1; i <= state.runs && !state.stopRequested; ++i) {
        state.current = i;
        if (progress) progress->Update(-i);
        if (state.stopRequested) break;  // asked while the progress window let events through
        run::ExecAndWaitStoppable(run::engineCommand(toBytes(engine), decks[static_cast<std::size_t>(i - 1)], true),
                                  [&state] { return state.stopRequested; });
    }
    if (form) form->runPanel()->followSequential(nullptr);
    if (progress) progress->hide();
    for (const std::string& d : decks) QFile::remove(toQ(d));
}

void removeFiles(const std::vector<std::string>& files) {
    for (const std::string& f : files) QFile::remove(toQ(f));
}

}  // namespace

void RunTable(TPALUMAROFORM& main) {
    TTableForm* t = currentTable(main);
    // One table run at a time: a second one would write over the first one's
    // run decks and delete them under its runs.
    if (!t || tableRunActive()) {
        main.UpdateMenu();
        return;
    }
    if (!t->WriteTableDeck()) {
        main.UpdateMenu();
        return;
    }
    // Taken now: the table window may be closed while the engine runs.
    const int runs = t->data().runs();
    std::vector<std::string> decks;
    for (int i = 1; i <= runs; ++i) decks.push_back(t->RunDeckNames().at(static_cast<std::size_t>(i)));

    const run::TableRunSettings settings = run::tableRunSettings();
    const int parallel = run::effectiveParallelRuns(settings);
    const QString saved = QDir::currentPath();
    run::CheckKalvexDirectory();
    run::passEngineSwitches();
    QString engine;
    const bool nodeEngine = settings.onSlurm && !settings.slurm.enginePath.empty();
    if (nodeEngine)
        engine = toQ(settings.slurm.enginePath);
    else if (!run::LocateEngine(engine)) {
        QDir::setCurrent(saved);
        main.UpdateMenu();
        return;
    }
    if (!settings.onSlurm && parallel <= 1) {
        runSequentially(main, *t, engine, decks);
        main.UpdateMenu();
        QDir::setCurrent(saved);
        return;
    }

    if (decks.empty()) {
        main.UpdateMenu();
        return;
    }
    // Runs side by side must not write the same file: checked before any start.
    run::TableRunPlan plan;
    try {
        plan = run::planRuns(decks);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        removeFiles(decks);
        main.UpdateMenu();
        return;
    }
    if (!plan.clashes.empty()) {
        removeFiles(decks);
        ShowAlert(toQ(run::clashMessage(plan.clashes)), AlertKind::Error, true);
        main.UpdateMenu();
        return;
    }

    run::TableRunJob job;
    job.decks = decks;
    for (const auto& r : plan.results) job.listings.push_back(r.listing);
    job.engine = engine;
    job.workDir = QDir::currentPath();
    job.tablePath = t->tableFileName().isEmpty() ? toQ(tablePathForDeck(t->data().deckPath)) : t->tableFileName();
    job.parallel = parallel;
    job.slurm = settings.onSlurm;
    job.slurmOptions = settings.slurm;

    auto* runner = new run::TableRunner(job, &main);
    activeRuns().runners.append(runner);
    QObject::connect(runner, &run::TableRunner::problem, &main, [](const QString& text) { ShowAlert(text, AlertKind::Error, true); });
    QObject::connect(runner, &run::TableRunner::finished, &main, [&main, runner] {
        activeRuns().runners.removeAll(runner);
        runner->deleteLater();
        main.UpdateMenu();
    });
    t->runPanel()->follow(runner);
    t->FormResize();
    runner->start();
    main.UpdateMenu();
}

}  // namespace table
