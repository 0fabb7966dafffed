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
#include "mainwindow/palumaro.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace cmpui {

namespace {

// A band plot in a plot window large enough for its legend.
void showBandPlot(TPALUMAROFORM& main, const plot::PlotDocument& doc) {
    plot::showPlot(main, doc);
    const QList<TDocWindow*> windows = main.docWindows();
    if (!windows.isEmpty() && windows.back()->parentWidget()) windows.back()->parentWidget()->resize(720, 460);
}

// Connects a window's requests and puts it into the frame.
void show(TPALUMAROFORM& main, TDocWindow* w) {
    if (auto* c = qobject_cast<TCompareForm*>(w)) {
        QObject::connect(c, &TCompareForm::plotRequested, &main,
                         [&main](const plot::PlotDocument& doc) { showBandPlot(main, doc); });
        QObject::connect(c, &TCompareForm::textRequested, &main,
                         [&main](const QString& r, const QString& n, const CompareRequest& q) { openTextComparison(main, r, n, q); });
    } else if (auto* s = qobject_cast<TRunsCompareForm*>(w)) {
        QObject::connect(s, &TRunsCompareForm::plotRequested, &main,
                         [&main](const plot::PlotDocument& doc) { showBandPlot(main, doc); });
    }
    main.addDocWindow(w);
    main.UpdateMenu();
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

void installMenus(TPALUMAROFORM& main) {
    const auto add = [&main](const char* menu, const char* before, const char* name, const QString& caption,
                             void (*command)(TPALUMAROFORM&)) {
        auto* a = new QAction(caption, &main);
        a->setObjectName(QLatin1String(name));
        QObject::connect(a, &QAction::triggered, &main, [&main, command] {
            command(main);
            main.UpdateMenu();
        });
        main.menu(QLatin1String(menu))->insertAction(before ? main.item(QLatin1String(before)) : nullptr, a);
    };
    add("File1", "N5", "Compare1", QStringLiteral("Co&mpare..."), &CompareFiles);
    add("KALVEX1", "N3", "KeepasReference1", QStringLiteral("&Keep as Reference"), &KeepAsReference);
    add("KALVEX1", "N3", "ComparewithReference1", QStringLiteral("Compare &with Reference"), &CompareWithReference);
    add("Plot1", nullptr, "CompareTableRuns1", QStringLiteral("&Compare table runs..."), &CompareTableRuns);
}

void updateMenus(TPALUMAROFORM& main) {
    TDocWindow* w = main.activeDocWindow();
    const bool active = w && main.docWindows().contains(w);
    const int tag = active ? w->Tag() : 0;
    const QString deck = currentDeck(main);
    const auto set = [&main](const char* name, bool on) {
        if (QAction* a = main.item(QLatin1String(name))) a->setEnabled(on);
    };
    set("Compare1", (active && (tag == Kind::Plot || Kind::isEditor(tag) || tag == Kind::QuivetForm)) || !deck.isEmpty());
    set("KeepasReference1", !deck.isEmpty());
    set("ComparewithReference1", !deck.isEmpty() && pal::directoryExists(cmp::referenceFolder(toBytes(deck))));
    set("CompareTableRuns1", active && tag == Kind::Table && plot::tableRunsHavePlotData(w));
}

QString currentDeck(TPALUMAROFORM& main) {
    TDocWindow* w = main.activeDocWindow();
    if (w && main.docWindows().contains(w) &&
        (w->Tag() == Kind::DeckEditor || w->Tag() == Kind::QuivetEditor || w->Tag() == Kind::QuivetForm))
        return w->fileName();
    return main.currentInputFileName;
}

void CompareFiles(TPALUMAROFORM& main) {
    CompareRequest request = rememberedCompareSettings();
    const QString deck = currentDeck(main);
    request.candidate = main.plotDataFileName;
    if (!deck.isEmpty()) {
        // The reference of the plot data in the deck's reference folder.
        const std::string name = request.candidate.isEmpty() ? pal::fileNamePart(pal::baseName(toBytes(deck))) + ".PLT"
                                                             : pal::fileNamePart(toBytes(request.candidate));
        if (const auto found = pal::findFile(pal::joinPath(cmp::referenceFolder(toBytes(deck)), name)))
            request.reference = toQ(*found);
    }
    TCompareDlg dlg(&main);
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
        openTextComparison(main, request.reference, request.candidate, request);
        return;
    }
    show(main, new TCompareForm(cand.fileName() + QStringLiteral(" with ") + request.reference, request, std::move(results)));
}

void KeepAsReference(TPALUMAROFORM& main) {
    const QString deck = currentDeck(main);
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
    main.UpdateMenu();
}

void CompareWithReference(TPALUMAROFORM& main) {
    const QString deck = currentDeck(main);
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
    show(main, new TCompareForm(QFileInfo(deck).fileName() + QStringLiteral(" with its reference"), request, std::move(results)));
}

void CompareTableRuns(TPALUMAROFORM& main) {
    TDocWindow* active = main.activeDocWindow();
    if (!active || !main.docWindows().contains(active)) return;
    const std::vector<QString> files = plot::tableRunPlotFiles(active);
    if (!plot::tableRunsHavePlotData(active)) {
        ShowAlert(QStringLiteral("The runs of this table have written no plot data yet: run the table first."),
                  AlertKind::Information, false);
        return;
    }
    show(main, new TRunsCompareForm(active->windowTitle(), files, rememberedCompareSettings()));
}

void openTextComparison(TPALUMAROFORM& main, const QString& reference, const QString& candidate,
                        const CompareRequest& request) {
    try {
        show(main, new TTextCompareForm(reference, candidate, request));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

}  // namespace cmpui
