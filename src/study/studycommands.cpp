#include "study/studycommands.h"

#include <QAction>
#include <QMenu>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "study/studyresultsf.h"
#include "study/sweepdlg.h"
#include "table/table.h"
#include "table/tablefile.h"
#include "table/tablerunpanel.h"

namespace studyui {

namespace {

// Writes the sweep's runs into consecutive tables of the table's variables
// beside it; the table itself stays as it is.
void writePartTables(const TTableForm& form, const study::SweepRuns& runs,
                     const std::vector<std::optional<long double>>& others) {
    const table::TableData& t = form.data();
    const std::string path = form.tableFileName().isEmpty() ? table::tablePathForDeck(t.deckPath)
                                                            : toBytes(form.tableFileName());
    const int parts = study::tablesNeeded(runs.runs.size());
    QStringList written;
    try {
        for (int p = 1; p <= parts; ++p) {
            table::TableData part = t;
            const std::size_t first = std::size_t(p - 1) * table::kMaxRuns;
            study::fillTable(part, runs, first, table::kMaxRuns, false, others);
            part.runDeckNames.assign(std::size_t(part.rows()), std::string());
            const std::string name = study::partTablePath(path, p);
            table::writeTableFile(name, part, table::TablePlacement{});
            written << toQ(name);
        }
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    ShowAlert(QStringLiteral("%1 runs were written into %2 tables:\n%3\nOpen each with File > Open and run it, or run them "
                             "one after another or together on Slurm with palumaro --run-table.")
                  .arg(runs.runs.size())
                  .arg(parts)
                  .arg(written.join(QLatin1Char('\n'))),
              AlertKind::Information, false);
}

}  // namespace

void installMenus(QMenu& parametrics, const StudyHost& host) {
    parametrics.addSeparator();
    const auto add = [&](const char* name, const QString& caption, auto command) {
        auto* a = new QAction(caption, host.frame);
        a->setObjectName(QLatin1String(name));
        parametrics.addAction(a);
        QObject::connect(a, &QAction::triggered, host.frame, [host, command] {
            if (auto* t = qobject_cast<TTableForm*>(host.activeDocument ? host.activeDocument() : nullptr)) command(*t);
        });
        return a;
    };
    QAction* sweep = add("Sweep1", QStringLiteral("S&weep..."), [host](TTableForm& t) { SweepTable(t, host.frame); });
    QAction* results = add("Results1", QStringLiteral("&Results..."), [host](TTableForm& t) {
        TStudyResultsForm* w = OpenResults(t);
        if (!w) return;
        if (host.showPlot)
            QObject::connect(w, &TStudyResultsForm::plotRequested, host.frame, [host](const plot::PlotDocument& doc) {
                host.showPlot(doc);
                // Room for the legend of one curve per value.
                TDocWindow* plot = host.activeDocument ? host.activeDocument() : nullptr;
                if (plot && plot->Tag() == Kind::Plot && plot->parentWidget()) plot->parentWidget()->resize(720, 460);
            });
        host.addDocument(w);
    });
    QObject::connect(&parametrics, &QMenu::aboutToShow, host.frame, [host, sweep, results] {
        const bool table = qobject_cast<TTableForm*>(host.activeDocument ? host.activeDocument() : nullptr);
        sweep->setEnabled(table);
        results->setEnabled(table);
    });
}

void SweepTable(TTableForm& form, QWidget* parent) {
    table::TableData& t = form.data();
    if (t.variables() == 0) {
        ShowAlert(QStringLiteral("The table has no variables to sweep."), AlertKind::Information, false);
        return;
    }
    std::vector<std::string> names;
    for (const table::TableColumn& c : t.columns) names.push_back(c.name);
    const std::vector<std::optional<long double>> base = study::deckBaseValues(t.deckPath, names);
    TSweepDlg dlg(parent);
    dlg.setVariables(names, base);
    if (seams().dialogs->execDialog(dlg) != QDialog::Accepted) return;
    study::SweepRuns runs;
    SweepChoice choice;
    try {
        choice = dlg.choice();
        runs = dlg.runs();
    } catch (const study::SweepError& e) {
        ShowAlert(toQ(e.what()), AlertKind::ErrorOk, true);
        return;
    }
    const std::size_t total = runs.runs.size() + (choice.append ? std::size_t(t.runs()) : 0);
    if (total > std::size_t(table::kMaxRuns)) {
        const int parts = study::tablesNeeded(runs.runs.size());
        const QString question = QStringLiteral("The sweep needs %1 runs%2, but a table holds at most %3.\nWrite its runs "
                                                "into %4 tables (%5 and on) instead? This table stays as it is.")
                                     .arg(runs.runs.size())
                                     .arg(choice.append ? QStringLiteral(" after the table's %1").arg(t.runs()) : QString())
                                     .arg(table::kMaxRuns)
                                     .arg(parts)
                                     .arg(toQ(pal::fileNamePart(study::partTablePath(
                                         form.tableFileName().isEmpty() ? table::tablePathForDeck(t.deckPath)
                                                                        : toBytes(form.tableFileName()),
                                         1))));
        if (ShowAlert(question, AlertKind::WarningYesNo, false) == AlertButton::Yes) writePartTables(form, runs, base);
        return;
    }
    try {
        study::fillTable(t, runs, 0, runs.runs.size(), choice.append, base);
    } catch (const study::SweepError& e) {
        ShowAlert(toQ(e.what()), AlertKind::ErrorOk, true);
        return;
    }
    table::rememberedRunRange() = {1, t.runs()};
    form.shapeChanged();
    form.refreshModifiedMarker();
}

TStudyResultsForm* OpenResults(TTableForm& form) {
    const table::TableData& t = form.data();
    const std::vector<std::string> files = study::runPlotFiles(t);
    bool any = false;
    for (const std::string& f : files) any = any || !f.empty();
    if (!any) {
        ShowAlert(QStringLiteral("The runs of this table have written no plot data yet: run the table first."),
                  AlertKind::Information, false);
        return nullptr;
    }
    // What the table's last run said of each run, while it still shows them.
    std::vector<std::optional<std::string>> known(files.size());
    if (TTableRunPanel* panel = form.runPanel(); panel && panel->shownRuns() == t.runs())
        for (int i = 1; i <= t.runs(); ++i) known[std::size_t(i)] = study::failureOfStatus(toBytes(panel->statusOf(i - 1)));
    return new TStudyResultsForm(form.tableFileName(), t, files, known);
}

}  // namespace studyui
