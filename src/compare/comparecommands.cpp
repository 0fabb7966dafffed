#include "compare/comparecommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QDir>
#include <QFileInfo>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "compare/comparedlg.h"
#include "compare/comparef.h"
#include "compare/reference.h"
#include "compare/runsummaryf.h"
#include "compare/textcomparef.h"
#include "plot/plotcommands.h"
#include "shell/docwindow.h"
#include "shell/workbench.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace cmpui {

namespace {

// A band plot in a plot window large enough for its legend.
void showBandPlot(Workbench& bench, const plot::PlotDocument& doc) {
    plot::showPlot(bench, doc);
    const QList<TDocWindow*> windows = bench.documents();
    if (!windows.isEmpty() && windows.back()->parentWidget()) windows.back()->parentWidget()->resize(720, 460);
}

// Connects a window's requests and puts it into the frame.
void show(Workbench& bench, TDocWindow* w) {
    if (auto* c = qobject_cast<TCompareForm*>(w)) {
        QObject::connect(c, &TCompareForm::plotRequested, bench.frame(), [&bench](const plot::PlotDocument& doc) {
            showBandPlot(bench, doc);
            bench.menusChanged();
        });
        QObject::connect(c, &TCompareForm::textRequested, bench.frame(),
                         [&bench](const QString& r, const QString& n, const CompareRequest& q) {
                             openTextComparison(bench, r, n, q);
                             bench.menusChanged();
                         });
    } else if (auto* s = qobject_cast<TRunsCompareForm*>(w)) {
        QObject::connect(s, &TRunsCompareForm::plotRequested, bench.frame(), [&bench](const plot::PlotDocument& doc) {
            showBandPlot(bench, doc);
            bench.menusChanged();
        });
    }
    bench.addDocument(w);
}

std::vector<cmp::FileResult> compareWithWaitCursor(const std::vector<std::pair<std::string, std::string>>& pairs,
                                                   const CompareRequest& request) {
    cmp::CompareOptions options;
    options.tolerance = request.tolerance;
    options.exactText = request.exactText;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<cmp::FileResult> results;
    for (const auto& [ref, cand] : pairs) results.push_back(cmp::compareFiles(ref, cand, options));
    QApplication::restoreOverrideCursor();
    return results;
}

}  // namespace

void installMenus(Workbench& bench) {
    const auto add = [&bench](const char* menu, const char* before, const char* name, const QString& caption,
                              void (*command)(Workbench&)) {
        bench.addMenuCommand(menu, before, name, caption, [&bench, command] { command(bench); });
    };
    add("File1", "N5", "Compare1", QStringLiteral("Co&mpare..."), &CompareFiles);
    add("KALVEX1", "N3", "KeepasReference1", QStringLiteral("&Keep as Reference"), &KeepAsReference);
    add("KALVEX1", "N3", "ComparewithReference1", QStringLiteral("Compare &with Reference"), &CompareWithReference);
    add("Plot1", nullptr, "CompareTableRuns1", QStringLiteral("&Compare table runs..."), &CompareTableRuns);
    bench.addMenuStates([&bench] { return menuStates(bench); });
}

std::vector<std::pair<const char*, bool>> menuStates(Workbench& bench) {
    TDocWindow* w = bench.activeDocument();
    const int tag = w ? w->Tag() : 0;
    const QString deck = currentDeck(bench);
    return {
        {"Compare1", (w && (tag == Kind::Plot || Kind::isEditor(tag) || tag == Kind::QuivetForm)) || !deck.isEmpty()},
        {"KeepasReference1", !deck.isEmpty()},
        {"ComparewithReference1", !deck.isEmpty() && pal::directoryExists(cmp::referenceFolder(toBytes(deck)))},
        {"CompareTableRuns1", w && tag == Kind::Table && plot::tableRunsHavePlotData(w)},
    };
}

QString currentDeck(Workbench& bench) {
    TDocWindow* w = bench.activeDocument();
    if (w && (w->Tag() == Kind::DeckEditor || w->Tag() == Kind::QuivetEditor || w->Tag() == Kind::QuivetForm))
        return w->fileName();
    return bench.currentInputFile();
}

void CompareFiles(Workbench& bench) {
    CompareRequest request = rememberedCompareSettings();
    const QString deck = currentDeck(bench);
    request.candidate = bench.plotDataFile();
    if (!deck.isEmpty()) {
        // The reference of the plot data in the deck's reference folder.
        const std::string name = request.candidate.isEmpty() ? pal::fileNamePart(pal::baseName(toBytes(deck))) + ".PLT"
                                                             : pal::fileNamePart(toBytes(request.candidate));
        if (const auto found = pal::findFile(pal::joinPath(cmp::referenceFolder(toBytes(deck)), name)))
            request.reference = toQ(*found);
    }
    TCompareDlg dlg(bench.frame());
    dlg.setRequest(request);
    if (seams().dialogs->execDialog(dlg) != QDialog::Accepted) return;
    request = dlg.request();
    const QFileInfo ref(request.reference), cand(request.candidate);
    std::vector<std::pair<std::string, std::string>> pairs;
    if (ref.isDir() && cand.isDir()) {
        try {
            for (auto& p : cmp::pairFolders(toBytes(request.reference), toBytes(request.candidate))) pairs.push_back(p);
        } catch (const pal::IoError& e) {
            ShowIoError(e);
            return;
        }
    } else if (ref.isDir() || cand.isDir()) {
        ShowAlert(QStringLiteral("Choose two files or two folders to compare."), AlertKind::Error, true);
        return;
    } else {
        pairs.emplace_back(toBytes(request.reference), toBytes(request.candidate));
    }
    std::vector<cmp::FileResult> results = compareWithWaitCursor(pairs, request);
    // A text pair goes straight to its side-by-side window.
    if (results.size() == 1 && results.front().text) {
        openTextComparison(bench, request.reference, request.candidate, request);
        return;
    }
    show(bench, new TCompareForm(cand.fileName() + QStringLiteral(" with ") + request.reference, request, std::move(results)));
}

void KeepAsReference(Workbench& bench) {
    const QString deck = currentDeck(bench);
    if (deck.isEmpty()) {
        ShowAlert(QStringLiteral("Open a deck and run it (F8) before keeping its results as the reference."),
                  AlertKind::Information, false);
        return;
    }
    try {
        const std::vector<std::string> kept = cmp::keepAsReference(toBytes(deck));
        QStringList names;
        for (const std::string& n : kept) names << toQ(n);
        ShowAlert(QStringLiteral("The results %1 are kept as the reference of %2 in %3.")
                      .arg(names.join(QStringLiteral(", ")), QFileInfo(deck).fileName(),
                           toQ(cmp::referenceFolder(toBytes(deck)))),
                  AlertKind::Information, false);
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    } catch (const std::exception& e) {
        ShowAlert(toQ(e.what()), AlertKind::Information, true);
    }
}

void CompareWithReference(Workbench& bench) {
    const QString deck = currentDeck(bench);
    if (deck.isEmpty()) {
        ShowAlert(QStringLiteral("Open a deck to compare its results with its reference."), AlertKind::Information, false);
        return;
    }
    std::vector<cmp::ReferencePair> refs;
    try {
        refs = cmp::referencePairs(toBytes(deck));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    } catch (const std::exception& e) {
        ShowAlert(toQ(e.what()), AlertKind::Information, true);
        return;
    }
    const CompareRequest request = rememberedCompareSettings();
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const cmp::ReferencePair& p : refs) pairs.emplace_back(p.reference, p.current);
    std::vector<cmp::FileResult> results = compareWithWaitCursor(pairs, request);
    for (std::size_t i = 0; i < refs.size(); ++i)
        if (refs[i].stale) {
            // Results older than the deck are not its latest: not compared.
            results[i] = cmp::FileResult{};
            results[i].name = pal::fileNamePart(refs[i].reference);
            results[i].referencePath = refs[i].reference;
            results[i].candidatePath = refs[i].current;
            results[i].outcome = cmp::FileResult::Outcome::Failed;
            results[i].error = results[i].name + " is older than the deck: run the deck (F8) first";
        }
    if (results.empty()) {
        ShowAlert(QStringLiteral("The reference folder %1 holds no results.").arg(toQ(cmp::referenceFolder(toBytes(deck)))),
                  AlertKind::Information, false);
        return;
    }
    show(bench, new TCompareForm(QFileInfo(deck).fileName() + QStringLiteral(" with its reference"), request, std::move(results)));
}

void CompareTableRuns(Workbench& bench) {
    TDocWindow* active = bench.activeDocument();
    if (!active) return;
    const std::vector<QString> files = plot::tableRunPlotFiles(active);
    if (!plot::tableRunsHavePlotData(active)) {
        ShowAlert(QStringLiteral("The runs of this table have written no plot data yet: run the table first."),
                  AlertKind::Information, false);
        return;
    }
    show(bench, new TRunsCompareForm(active->windowTitle(), files, rememberedCompareSettings()));
}

void openTextComparison(Workbench& bench, const QString& reference, const QString& candidate,
                        const CompareRequest& request) {
    try {
        show(bench, new TTextCompareForm(reference, candidate, request));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

}  // namespace cmpui
