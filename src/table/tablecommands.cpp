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
#include "shell/docfactory.h"
#include "shell/palumaro.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "table/alterval.h"
#include "table/deckconstants.h"
#include "table/insertru.h"
#include "table/newtable.h"
#include "table/table.h"

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

// Creates the new table from what the dialog accepted, after the current one
// agreed to close.
void makeTable(TPALUMAROFORM& main, const TNewTableDlg& dlg) {
    if (TTableForm* old = currentTable(main); old && !old->FormCloseQuery()) return;
    main.DisposeKALVEXWindows(Kind::Table);
    const std::string deck = toBytes(dlg.deckPath());
    auto* form = new TTableForm;
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
    docFactories().tableWindow = [](const QString& path) -> TDocWindow* {
        auto* form = new TTableForm;
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
        ShowAlert(QStringLiteral("File ") + path + QStringLiteral(" does not have any KALVEX Comment statements."), AlertKind::Warning,
                  false);
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

void RunTable(TPALUMAROFORM& main) {
    TTableForm* t = currentTable(main);
    if (!t) {
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

    const QString saved = QDir::currentPath();
    run::CheckKalvexDirectory();
    QString engine;
    if (!run::LocateEngine(engine)) {
        QDir::setCurrent(saved);
        main.UpdateMenu();
        return;
    }
    TCompiling* progress = main.compiling();
    if (progress) {
        progress->showCentred();
        progress->move(progress->x(), 120);
    }
    for (int i = 1; i <= runs; ++i) {
        if (progress) progress->Update(-i);
        run::ExecAndWait(run::engineCommand(toBytes(engine), decks[static_cast<std::size_t>(i - 1)], true));
    }
    if (progress) progress->hide();
    for (const std::string& d : decks) QFile::remove(toQ(d));
    main.UpdateMenu();
    QDir::setCurrent(saved);
}

}  // namespace table
