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
#include "shell/compilin.h"
#include "run/kalvexrun.h"
#include "run/runplan.h"
#include "run/runsettings.h"
#include "run/tablerunner.h"
#include "shell/compilin.h"
#include "shell/docfactory.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "shell/workbench.h"
#include "table/alterval.h"
#include "table/deckconstants.h"
#include "table/insertru.h"
#include "table/newtable.h"
#include "table/table.h"
#include "table/tablerunpanel.h"
#include "table/tablerunprep.h"

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

TTableForm* currentTable(Workbench& bench) { return qobject_cast<TTableForm*>(bench.currentTable()); }

// The table runs going on.
QList<QPointer<run::TableRunner>>& activeRuns() {
    static QList<QPointer<run::TableRunner>> runners;
    return runners;
}

// A failed run's listing opens in a viewer, as File > Open would show it.
void connectTableWindow(Workbench& bench, TTableForm* form) {
    QObject::connect(form->runPanel(), &TTableRunPanel::listingRequested, bench.frame(), [&bench, form](const QString& path) {
        if (failedRunListing())
            failedRunListing()(path, form->deckFileName());
        else
            bench.openListing(path);
    });
}

// Creates the new table from what the dialog accepted, after the current one
// agreed to close.
void makeTable(Workbench& bench, const TNewTableDlg& dlg) {
    if (TTableForm* old = currentTable(bench); old && !old->FormCloseQuery()) return;
    bench.closeDocuments(Kind::Table);
    const std::string deck = toBytes(dlg.deckPath());
    auto* form = new TTableForm;
    connectTableWindow(bench, form);
    form->setTable(TableData(deck, dlg.chosenNames(), dlg.runs()), toQ(tablePathForDeck(deck)));
    bench.addDocument(form);
    form->announceAsCurrent();
    form->FormResize();
}

}  // namespace

void install(Workbench& bench) {
    dialogs().alterValues = new TAlterValuesDlg(bench.frame());
    dialogs().insertRuns = new TInsertRunsDlg(bench.frame());
    dialogs().newTable = new TNewTableDlg(bench.frame());
    docFactories().tableWindow = [&bench](const QString& path) -> TDocWindow* {
        auto* form = new TTableForm;
        connectTableWindow(bench, form);
        try {
            form->ReadTable(path);
        } catch (...) {
            delete form;
            throw;
        }
        return form;
    };
}

void NewTable(Workbench& bench) {
    TDocWindow* w = bench.activeDocument();
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
        if (seams().dialogs->execDialog(*dlg) == QDialog::Accepted) makeTable(bench, *dlg);
    }
}

void AlterTable(Workbench& bench) {
    TAlterValuesDlg* dlg = dialogs().alterValues;
    if (TTableForm* t = currentTable(bench); t && dlg) {
        dlg->setTable(t);
        dlg->FormActivate();
        seams().dialogs->execDialog(*dlg);
    }
}

void InsertDeleteRuns(Workbench& bench) {
    TInsertRunsDlg* dlg = dialogs().insertRuns;
    if (TTableForm* t = currentTable(bench); t && dlg) {
        dlg->setTable(t);
        dlg->FormActivate();
        seams().dialogs->execDialog(*dlg);
    }
}

void InsertDeleteVars(Workbench& bench) {
    TNewTableDlg* dlg = dialogs().newTable;
    if (TTableForm* t = currentTable(bench); t && dlg) {
        dlg->setMode(TNewTableDlg::InsertDeleteMode);
        dlg->setTable(*t);
        dlg->FormActivate();
        QPointer<TTableForm> table = t;
        if (seams().dialogs->execDialog(*dlg) == QDialog::Accepted && table) {
            table->data().reshape(dlg->chosenNames());
            table->shapeChanged();
        }
    }
}

std::function<void(const QString&, const QString&)>& failedRunListing() {
    static std::function<void(const QString&, const QString&)> show;
    return show;
}

bool tableRunActive() {
    for (const auto& r : activeRuns())
        if (r && r->active()) return true;
    return false;
}

namespace {

// Runs one at a time on this machine show their number in the progress window
// while they go, as the status column shows every run.
void followInProgressWindow(run::TableRunner* runner, TCompiling* progress) {
    if (!progress) return;
    progress->showCentred();
    progress->move(progress->x(), 120);
    QPointer<TCompiling> window = progress;
    QObject::connect(runner, &run::TableRunner::runChanged, progress, [runner, window](int i) {
        if (window && runner->status(i).phase == run::RunPhase::Running) window->showNumber(-(i + 1));
    });
    QObject::connect(runner, &run::TableRunner::finished, progress, [window] {
        if (window) window->hide();
    });
}

}  // namespace

void RunTable(Workbench& bench) {
    TTableForm* t = currentTable(bench);
    // One table run at a time: a second one would write over the first one's
    // run decks and delete them under its runs.
    if (!t || tableRunActive()) return;
    const run::TableRunSettings settings = run::tableRunSettings();
    const int parallel = run::effectiveParallelRuns(settings);
    const bool sideBySide = settings.onSlurm || parallel > 1;
    // Taken now: the table window may be closed while the engine runs.
    PreparedRuns prepared;
    try {
        const std::string tablePath = toBytes(t->tableFileName());
        prepared = prepareRuns(t->data(), sideBySide, tablePath, settings.onSlurm);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    if (prepared.problem == PreparedRuns::Problem::NotWritten || prepared.problem == PreparedRuns::Problem::OverInput) {
        ShowAlert(toQ(prepared.message), AlertKind::Error, false);
        return;
    }
    if (prepared.problem == PreparedRuns::Problem::Clash) {
        ShowAlert(toQ(prepared.message), AlertKind::Error, true);
        return;
    }
    const std::vector<std::string>& decks = prepared.decks;

    const QString saved = QDir::currentPath();
    run::CheckKalvexDirectory();
    run::passEngineSwitches();
    QString engine;
    const bool nodeEngine = settings.onSlurm && !settings.slurm.enginePath.empty();
    if (nodeEngine)
        engine = toQ(settings.slurm.enginePath);
    else if (!run::LocateEngine(engine)) {
        QDir::setCurrent(saved);
        return;
    }
    if (decks.empty()) {
        QDir::setCurrent(saved);
        return;
    }

    run::TableRunJob job;
    job.decks = decks;
    job.listings = prepared.listings;
    job.engine = engine;
    job.workDir = QDir::currentPath();
    job.tablePath = t->tableFileName().isEmpty() ? toQ(tablePathForDeck(t->data().deckPath)) : t->tableFileName();
    job.parallel = parallel;
    job.slurm = settings.onSlurm;
    job.slurmOptions = settings.slurm;

    QDir::setCurrent(saved);

    // One runner for every way of running: one at a time is a limit of 1.
    auto* runner = new run::TableRunner(job, bench.frame());
    activeRuns().append(runner);
    QObject::connect(runner, &run::TableRunner::problem, bench.frame(), [](const QString& text) { ShowAlert(text, AlertKind::Error, true); });
    QObject::connect(runner, &run::TableRunner::finished, bench.frame(), [&bench, runner] {
        activeRuns().removeAll(runner);
        runner->deleteLater();
        bench.menusChanged();
    });
    t->runPanel()->follow(runner);
    t->FormResize();
    if (!sideBySide) followInProgressWindow(runner, bench.progressWindow());
    runner->start();
}

}  // namespace table
