// The Plot menu's commands and the plot windows that file dispatch opens.
#include "shell/qtbytes.h"
#include "plot/plotcommands.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <memory>

#include <QComboBox>
#include <cstdio>
#include <stdexcept>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "plot/modplotu.h"
#include "plot/plotrunsdlg.h"
#include "plot/plottext.h"
#include "plot/quickplot.h"
#include "table/rundecks.h"
#include "table/table.h"
#include "plot/plotf.h"
#include "plot/plotsetu.h"
#include "shell/docfactory.h"
#include "shell/progress.h"
#include "shell/workbench.h"
#include "shell/seams.h"

namespace plot {

namespace {

// The two dialogs live as long as the main window that owns them.
QPointer<TPlotSetup>& setupDialog() {
    static QPointer<TPlotSetup> d;
    return d;
}
QPointer<TModPlot>& modifyDialog() {
    static QPointer<TModPlot> d;
    return d;
}

void showModify(TPlotForm* form) {
    TModPlot* d = modifyDialog();
    if (!d || !form) return;
    d->setPlotWindow(form);
    d->FormActivate();
    seams().dialogs->execDialog(*d);
}

// A plot window's double click opens Modify Plot on it.
TPlotForm* connectPlotWindow(Workbench& bench, TPlotForm* w) {
    QObject::connect(w, &TPlotForm::modifyRequested, bench.frame(), [&bench](TPlotForm* form) {
        bench.setActiveDocument(form);
        showModify(form);
        bench.menusChanged();
    });
    return w;
}

// Plot data to plot from: false, after saying which file is missing, when the
// main window knows none (no run yet, or its plot data was deleted).
bool havePlotData(const Workbench& bench, const QString& command) {
    if (!bench.plotDataFile().isEmpty()) return true;
    QString expected;
    if (!bench.currentInputFile().isEmpty()) {
        const QFileInfo deck(bench.currentInputFile());
        QString base = deck.fileName();
        const int dot = base.indexOf(QLatin1Char('.'));
        if (dot >= 0) base.truncate(dot);
        expected = deck.dir().filePath(base + QStringLiteral(".PLT"));
    }
    ShowAlert(expected.isEmpty()
                  ? command + QStringLiteral(" needs plot data: open a deck and run it (KALVEX > Calculate), or open a .PLT file.")
                  : command + QStringLiteral(" needs plot data: ") + expected +
                        QStringLiteral(" was not found. Run the deck (KALVEX > Calculate) to make it."),
              AlertKind::Error, false);
    return false;
}

}  // namespace

TPlotSetup* setupDialogInstance() { return setupDialog(); }
TModPlot* modifyDialogInstance() { return modifyDialog(); }

void install(Workbench& bench) {
    setupDialog() = new TPlotSetup(bench.frame());
    modifyDialog() = new TModPlot(bench.frame());
    QObject::connect(setupDialog(), &TPlotSetup::plotCreated, bench.frame(),
                     [&bench](TPlotForm* w) { bench.addDocument(connectPlotWindow(bench, w)); });
    docFactories().plotWindow = [&bench](const QString& path) -> TDocWindow* {
        std::unique_ptr<TPlotForm> w(connectPlotWindow(bench, new TPlotForm));
        if (!w->Open(path)) return nullptr;
        return w.release();
    };
}

void NewPlot(Workbench& bench) {
    TPlotSetup* d = setupDialog();
    if (!d || !havePlotData(bench, QStringLiteral("New Plot"))) return;
    // While the engine writes the file, the plot is made of its whole rows so far and follows it.
    d->setTarget(bench.plotDataFile(), nullptr, bench.plotDataRunning());
    if (d->FormActivate()) seams().dialogs->execDialog(*d);
}

void OverlayPlot(Workbench& bench) {
    TPlotSetup* d = setupDialog();
    if (!d) return;
    TPlotForm* target = nullptr;
    int count = 0;
    for (TDocWindow* w : bench.documents()) {
        if (w->Tag() != Kind::Plot) continue;
        if (auto* p = qobject_cast<TPlotForm*>(w)) {
            target = p;
            ++count;
        }
    }
    if (count == 0 || !havePlotData(bench, QStringLiteral("Overlay Plot"))) return;
    if (count > 1) {
        seams().alerts->beep();
        seams().alerts->beep();
    }
    d->setTarget(bench.plotDataFile(), target, bench.plotDataRunning());
    if (d->FormActivate()) seams().dialogs->execDialog(*d);
}

void ModifyPlot(Workbench& bench) {
    TDocWindow* active = bench.activeDocument();
    if (!active) return;
    showModify(qobject_cast<TPlotForm*>(active));
}

void ExportPlot(Workbench& bench) {
    TDocWindow* active = bench.activeDocument();
    if (!active) return;
    if (auto* w = qobject_cast<TPlotForm*>(active)) w->ExportDialog();
}

std::vector<QString> tableRunPlotFiles(TDocWindow* window) {
    std::vector<QString> out;
    auto* t = qobject_cast<TTableForm*>(window);
    if (!t || t->data().deckPath.empty()) return out;
    const table::TableData& d = t->data();
    out.resize(static_cast<std::size_t>(std::max(d.runs(), 0)) + 1);
    for (int i = 1; i <= d.runs(); ++i) {
        std::string path = table::runDeckPath(d.deckPath, i);
        path.replace(path.size() - 4, 4, ".PLT");
        if (const auto found = pal::findFile(path)) out[static_cast<std::size_t>(i)] = toQ(*found);
    }
    return out;
}

bool tableRunsHavePlotData(TDocWindow* window) {
    for (const QString& f : tableRunPlotFiles(window))
        if (!f.isEmpty()) return true;
    return false;
}

void PlotTableRuns(Workbench& bench) {
    TDocWindow* active = bench.activeDocument();
    if (!active) return;
    auto* t = qobject_cast<TTableForm*>(active);
    const std::vector<QString> files = tableRunPlotFiles(active);
    if (!t) return;
    const table::TableData& d = t->data();
    std::vector<TableRunData> runs;
    try {
        WorkProgress progress(QStringLiteral("Plot data"), QStringLiteral("Reading the runs' plot data..."), bench.frame());
        for (int i = 1; i < static_cast<int>(files.size()); ++i) {
            if (files[static_cast<std::size_t>(i)].isEmpty()) continue;
            TableRunData run;
            std::vector<std::string> names, values;
            for (int c = 1; c <= d.variables(); ++c) {
                names.push_back(d.cellText(c, 0));
                // The value as briefly as it reads ("4.5", "300"), not in the grid's format.
                const long double v = d.value(c, i);
                char text[40];
                std::snprintf(text, sizeof text, "%.6Lg", v);
                values.push_back(v < table::kDefinedLimit ? std::string(text) : d.cellText(c, i));
            }
            run.legend = runLegend(names, values);
            run.run = i;
            run.names = names;
            run.values = values;
            // Each run's file is one share of the bar.
            const double share = 1.0 / static_cast<double>(files.size() - 1), before = share * (i - 1);
            std::optional<PlotDataTable> data =
                ReadPlt(toBytes(files[static_cast<std::size_t>(i)]), [&](double done) { return progress(before + share * done); });
            if (!data) return;
            run.data = std::move(*data);
            runs.push_back(std::move(run));
        }
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    if (runs.empty()) {
        ShowAlert(QStringLiteral("The runs of this table have written no plot data yet: run the table first."), AlertKind::Information, false);
        return;
    }
    QStringList columns;
    for (const std::string& n : runs.front().data.names) columns << plotString(n);
    TPlotRunsDlg dlg(columns, bench.frame());
    if (seams().dialogs->execDialog(dlg) != QDialog::Accepted) return;
    const std::string x = plotBytes(dlg.XColumn->currentText(), 255), y = plotBytes(dlg.YColumn->currentText(), 255);
    PlotDocument doc;
    try {
        const QString deck = toQ(d.deckPath);
        doc = tableRunsPlot(runs, "Plot of table runs from " + plotBytes(deck, 200), x, y);
    } catch (const std::invalid_argument& e) {
        ShowAlert(toQ(e.what()), AlertKind::Error, true);
        return;
    }
    showPlot(bench, doc);
}

void showPlot(Workbench& bench, const PlotDocument& doc) {
    TPlotForm* w = connectPlotWindow(bench, new TPlotForm);
    w->setDocument(doc);
    bench.addDocument(w);
}

}  // namespace plot
